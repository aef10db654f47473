// Windows: the framework's message constants have the values of the Windows SDK, checked at
// compile time. seam_constants.inc lists the names, made from ui/Messages.h.
#include <cstdint>

#include "ui/Messages.h"

namespace {

// Our values, taken before the SDK's macros take the names.
#define ZKT_SEAM_CONSTANT(name) constexpr auto ours_##name = ::ui::name;
#include "seam_constants.inc"
#undef ZKT_SEAM_CONSTANT

}  // namespace

#include <windows.h>

namespace {

#define ZKT_SEAM_CONSTANT(name)                                                              \
  static_assert(static_cast<std::uint32_t>(ours_##name) == static_cast<std::uint32_t>(name), \
                #name " differs from the Windows SDK");
#include "seam_constants.inc"
#undef ZKT_SEAM_CONSTANT

}  // namespace
