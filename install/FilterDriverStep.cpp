// STEP1: the filter driver's service key and its image in the native drivers folder.
#include "app/UMainForm.h"
#include "install/NativePayload.h"
#include "install/StepCodes.h"
#include "payload/common/ProductNames.h"
#include "platform/RegistryHelpers.h"
#include "platform/Wow64Redirection.h"
#include "platform/trace.h"

namespace {

constexpr NativePayload kDriverPayload = {PAYLOAD_DRIVER_X86, PAYLOAD_DRIVER_X64, u"DRIVER",
                                          STEP_DRIVER_RESOURCE_FAILED, STEP_DRIVER_WRITE_FAILED};

}  // namespace

std::uint32_t TMainForm::Install_FilterDriver() {
  trace::Enter(u"TMainForm::Install_FilterDriver");
  if (RegisterDriverService(payload::kDriverName) != 0) return STEP_DRIVER_KEY_FAILED;
  PostProgress(10);

  // The 64-bit image belongs in the 64-bit drivers folder, where ImagePath points.
  Wow64RedirectionOff redirection(IsWow64 != 0);
  if (redirection.Failed() || SetupConfig.NativeSystemFolderPath.empty())
    return STEP_DRIVER_WRITE_FAILED;
  const std::u16string image =
      SetupConfig.NativeSystemFolderPath + u"drivers\\" + payload::kDriverName + u".sys";
  if (const std::uint32_t failed = WriteNativePayload(kDriverPayload, IsWow64 != 0, image))
    return failed;
  if (!redirection.Restore()) return STEP_DRIVER_WRITE_FAILED;
  PostProgress(20);
  return 0;
}
