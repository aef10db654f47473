// STEP4: the uninstaller, its Start-menu shortcut and the entry in the installed programs.
#include "app/UMainForm.h"
#include "install/StepCodes.h"
#include "install/UninstallRegistration.h"
#include "platform/PayloadResource.h"
#include "platform/Shortcuts.h"

std::uint32_t TMainForm::Install_Uninstaller() {
  std::uint32_t size = 0;
  const void* data = LoadPayloadResource(PAYLOAD_UNINSTALL, u"UNINSTALL", size);
  if (!data) return STEP_UNINSTALL_RESOURCE_FAILED;
  if (WritePayloadFile(UninstallInfo.UninstallString, data, size) != 0)
    return STEP_UNINSTALL_WRITE_FAILED;
  CreateProgramsShortcutEx(SetupConfig.ShortcutFolderName, UninstallInfo.UninstallString,
                           SetupConfig.UninstallShortcutName, SetupConfig.ShortcutFolderNameUp);
  // An install without an entry, or without its details, still succeeds.
  if (WriteUninstallRegistration(UninstallInfo))
    WriteUninstallDetails(UninstallInfo, SetupConfig.InstallFolderPath);
  PostProgress(80);
  return 0;
}
