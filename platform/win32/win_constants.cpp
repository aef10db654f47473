// Windows backend: every constant of the seam has the value that the Windows SDK gives it,
// checked at compile time. seam_constants.inc lists the names, made from the headers.
#include <cstdint>

#include "platform/os_devices.h"
#include "platform/os_messages.h"
#include "platform/os_process.h"
#include "platform/os_security.h"
#include "platform/os_services.h"
#include "platform/os_shell_execute.h"
#include "platform/os_shutdown.h"
#include "platform/os_types.h"
#include "platform/os_ui.h"

namespace {

// Our values, taken before the SDK's macros take the names.
#define ZKT_SEAM_CONSTANT(name) constexpr auto ours_##name = ::os::name;
#include "seam_constants.inc"
#undef ZKT_SEAM_CONSTANT

}  // namespace

#include <windows.h>
#include <setupapi.h>
#include <shellapi.h>
#include <shlobj.h>

namespace {

// The constants are 32-bit values, whatever type the SDK spells them with.
template <typename Ours, typename Sdk>
constexpr bool SameValue(Ours ours, Sdk sdk) {
  return static_cast<std::uint32_t>(ours) == static_cast<std::uint32_t>(sdk);
}

#define ZKT_SEAM_CONSTANT(name) \
  static_assert(SameValue(ours_##name, name), #name " differs from the Windows SDK");
#include "seam_constants.inc"
#undef ZKT_SEAM_CONSTANT

}  // namespace
