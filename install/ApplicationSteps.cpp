// STEP3, STEP8 and STEP8.1: the applications, the autostart value and the shortcuts.
#include "app/UMainForm.h"
#include "install/StepCodes.h"
#include "platform/FolderHelpers.h"
#include "platform/PayloadResource.h"
#include "platform/RegistryHelpers.h"
#include "platform/Shortcuts.h"

namespace {

// Extracts one application payload to `target` after making sure the install folder exists.
std::uint32_t PlaceApplication(std::uint16_t id, const std::u16string& installFolder,
                               const std::u16string& target) {
  std::uint32_t size = 0;
  const void* data = LoadPayloadResource(id, u"APP", size);
  if (!data) return STEP_APP_RESOURCE_FAILED;
  CreateFolderPath(installFolder);
  if (WritePayloadFile(target, data, size) != 0) return STEP_APP_WRITE_FAILED;
  return 0;
}

}  // namespace

std::uint32_t TMainForm::Install_Application() {
  const std::u16string app = SetupConfig.InstallFolderPath + SetupConfig.APPFileName + u".exe";
  if (const std::uint32_t r =
          PlaceApplication(PAYLOAD_APP_MAIN, SetupConfig.InstallFolderPath, app))
    return r;
  if (SetRunValue(SetupConfig.APPFileName, u"\"" + app + u"\" -boot") != 0)
    return STEP_APP_RUN_VALUE_FAILED;
  CreateProgramsShortcutEx(SetupConfig.ShortcutFolderName, app, SetupConfig.AppShortcutName,
                           SetupConfig.ShortcutFolderNameUp);
  if (DesktopShortcutEnable == 1) CreateDesktopShortcut(app, SetupConfig.AppShortcutName);
  PostProgress(70);
  return 0;
}

// STEP8 and STEP8.1 differ only in payload and name. The plug-in sub-folders come from STEP7's
// copy; they are not created here.
std::uint32_t TMainForm::InstallPluginApplication(std::uint16_t id, const std::u16string& name) {
  if (const std::uint32_t r =
          PlaceApplication(id, SetupConfig.InstallFolderPath,
                           SetupConfig.InstallFolderPath + SetupConfig.PluginFolderName + u"\\" +
                               name + u"\\" + name + u".exe"))
    return r;
  PostProgress(98);
  return 0;
}

std::uint32_t TMainForm::Install_EffectApplication() {
  return InstallPluginApplication(PAYLOAD_APP_EFFECT, SetupConfig.EffectAPPFileName);
}

std::uint32_t TMainForm::Install_SoundEffectApplication() {
  return InstallPluginApplication(PAYLOAD_APP_SOUND_EFFECT, SetupConfig.SoundEffectAPPFileName);
}
