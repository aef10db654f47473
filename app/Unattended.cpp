#include "app/Unattended.h"

#include "app/SetupExitCodes.h"
#include "app/SetupMain.h"
#include "app/UMainForm.h"
#include "payload/common/ProductNames.h"
#include "platform/SetupLog.h"
#include "platform/os_files.h"
#include "platform/os_shutdown.h"
#include "platform/os_system.h"
#include "platform/trace.h"
#include "ui/Application.h"

std::uint32_t RunUnattended(const SetupOptions& options) {
  if (os::GetModuleFileNameW().size() > kMaxSetupPathLength) {
    setup_log::Append(
        u"TLPD - Too Long Path Detector: the program's path is longer than 180 "
        u"characters\n");
    return SETUP_EXIT_PATH_TOO_LONG;
  }
  std::uint32_t code = SETUP_EXIT_INSTALL_FAILED;
  ui::Application app;
  try {
    app.Initialize();
    MainForm = app.CreateForm<TMainForm>();
    code = MainForm->InstallUnattended(options.forceRestart);
  } catch (const ui::Exception& error) {
    // What the wizard's error display would show: the configuration's icon did not load.
    setup_log::Append(u"The setup could not start: " + error.Message() + u"\n");
    code = SETUP_EXIT_CONFIG_NOT_LOADED;
  } catch (...) {
    setup_log::Append(u"The setup could not start: unexpected error\n");
  }
  MainForm = nullptr;
  return code;
}

std::uint32_t TMainForm::InstallUnattended(bool forceRestart) {
  unattended_ = true;
  trace::Enter(u"TMainForm::InstallUnattended");
  const std::u16string config = SetupConfig.SourceFolderFullPath + payload::kConfigFileName;
  const os::DWORD attributes = os::GetFileAttributesW(config);
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    setup_log::Append(u"No configuration file " + config + u"\n");
    return SETUP_EXIT_CONFIG_NOT_LOADED;
  }
  if (!PublishDeviceIdGroups()) {
    setup_log::Append(u"A device-ID group of " + config + u" could not be verified or saved\n");
    return SETUP_EXIT_DEVICE_ID_GROUP_FAILED;
  }
  PrepareInstall();
  InstallExitCode = SETUP_EXIT_SUCCESS;
  Install();
  if (InstallExitCode != SETUP_EXIT_SUCCESS) return InstallExitCode;
  if (RebootSuggestedFlag != 1) return SETUP_EXIT_SUCCESS;
  if (!forceRestart) return SETUP_EXIT_REBOOT_REQUIRED;
  EnableShutdownPrivilege();
  if (!os::ExitWindowsEx(EWX_REBOOT, 0)) {
    setup_log::Append(u"Windows refused to restart; a restart is still needed\n");
    return SETUP_EXIT_REBOOT_REQUIRED;
  }
  return SETUP_EXIT_REBOOT_INITIATED;
}
