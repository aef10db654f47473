// The install sequence on the worker thread: stop what runs, detach the filter, then the steps.
#include "app/UMainForm.h"
#include "app/SetupExitCodes.h"
#include "install/AppExitBroadcast.h"
#include "install/UninstallRegistration.h"
#include "payload/common/ProductNames.h"
#include "platform/OwnedHandles.h"
#include "platform/ServiceControl.h"
#include "platform/SetupLog.h"
#include "platform/os_files.h"
#include "platform/os_messages.h"
#include "platform/os_system.h"
#include "platform/os_ui.h"
#include "platform/text.h"
#include "platform/trace.h"

namespace {

using payload::kServiceName;
constexpr char16_t kControlDevice[] = u"\\\\.\\Class#UsbAudioExtension&B7D2&00";
// KSCATEGORY_AUDIO {6994AD04-93EF-11D0-A3CC-00A0C9223196}
constexpr os::GUID kAudioInterfaceClass = {
    0x6994AD04, 0x93EF, 0x11D0, {0xA3, 0xCC, 0x00, 0xA0, 0xC9, 0x22, 0x31, 0x96}};
// Length of "USB\VID_B7D2&PID_72XX&REV_0100&MI_00": only devices with IDs this long qualify.
constexpr std::uint32_t kHardwareIdLength = 36;
constexpr std::size_t kFailureBufferSize = 512;

// What the sequence does with a step's result.
enum class Counts { Yes, No };

}  // namespace

void BroadcastAppExit() {
  const os::UINT message = os::RegisterWindowMessageW(payload::kAppExitMessage);
  os::BroadcastMessageTimeoutW(message, 0, 0, SMTO_NORMAL, 100);
}

void TMainForm::PostProgress(int position) {
  form_.PostFormMessage(WM_INSTALL_PROGRESS, static_cast<ui::WParam>(position), 0);
}

void TMainForm::ShowInstallMessage(const std::u16string& text) {
  if (unattended_) {
    setup_log::Append(u"Message (not shown, unattended): " + text + u"\n");
    return;
  }
  form_.App().ShowMessageBox(&form_, text, u"Install", MB_OK);
}

void TMainForm::Install() {
  trace::Enter(u"TMainForm::Install");
  BroadcastAppExit();

  // Whatever state the service is in, it runs when it gets 128 and is stopped afterwards.
  SetServiceState(kServiceName, kServiceStart);
  SetServiceState(kServiceName, payload::kControlAppExit);
  SetServiceState(kServiceName, kServiceStop);

  // The verified USB group is the whitelist: its 36-character patterns select the devices.
  InstallMgr.RemoveFilterAndRestart(kAudioInterfaceClass, kHardwareIdLength, UsbDeviceIdMgr,
                                    payload::kDriverName, SPDRP_LOWERFILTERS);

  // A control device that still opens means the old filter is loaded: nothing may be replaced.
  os::OwnedFile device(os::CreateFileW(kControlDevice, GENERIC_READ | GENERIC_WRITE,
                                       FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING, 0));
  if (device) {
    device.reset();
    InstallFailedFlag = 1;
    InstallExitCode = SETUP_EXIT_PREVIOUS_FILTER_LOADED;
    ShowInstallMessage(Labels[LABEL_WARNING1].Text);
    return;
  }
  os::Sleep(100);
  PostProgress(1);

  std::u16string failure(Labels[LABEL_WARNING2].Text);
  auto fails = [&](std::uint32_t result, std::uint32_t code) {
    if (result == 0) return false;
    InstallFailedFlag = 1;
    setup_log::Append(text::Format(64, u"Step result 0x%08X\n", result));
    failure += text::Format(32, u"(Code = 0x%08X)", code);
    if (failure.size() > kFailureBufferSize - 1) failure.resize(kFailureBufferSize - 1);
    InstallExitCode = code;
    ShowInstallMessage(failure);
    return true;
  };

  struct Step {
    const char16_t* trace;
    std::uint32_t (TMainForm::*method)();
    bool pluginOnly;
    Counts counts;
    std::uint32_t code;  // shown as "(Code = 0x........)"
  };
  static const Step kSteps[] = {
      {u"===== Install STEP1 =====\n", &TMainForm::Install_FilterDriver, false, Counts::Yes,
       0x80000001},
      {u"===== Install STEP2 =====\n", &TMainForm::Install_Service, false, Counts::Yes, 0x80000002},
      {u"===== Install STEP3 =====\n", &TMainForm::Install_Application, false, Counts::Yes,
       0x80000003},
      {u"===== Install STEP4 =====\n", &TMainForm::Install_Uninstaller, false, Counts::Yes,
       0x80000004},
      {u"===== Install STEP5 =====\n", &TMainForm::Install_SupportFiles, false, Counts::No, 0},
      {u"===== Install STEP6 =====\n", &TMainForm::Install_Manual, false, Counts::No, 0},
      {u"===== Install STEP7 =====\n", &TMainForm::Install_Plugins, true, Counts::No, 0},
      {u"===== Install STEP8 =====\n", &TMainForm::Install_EffectApplication, true, Counts::Yes,
       0x80000008},
      {u"===== Install STEP8.1 =====\n", &TMainForm::Install_SoundEffectApplication, true,
       Counts::Yes, 0x80000008},
  };
  for (const Step& step : kSteps) {
    if (step.pluginOnly && PluginEnabled != 1) continue;
    trace::Write(step.trace);
    const std::uint32_t result = (this->*step.method)();
    if (step.counts == Counts::Yes && fails(result, step.code)) return;
  }

  trace::Write(u"===== Install STEP9 =====\n");
  // The later steps filled the install folder: the entry gets its final size.
  WriteEstimatedSize(UninstallInfo.RegistryKey, SetupConfig.InstallFolderPath);
  os::Sleep(1000);

  if (InstallWindowsKB == 1) {
    trace::Write(u"===== Install STEP10 =====\n");
    if (fails(Install_KB3033929(), 0x80000006)) return;
    RebootSuggestedFlag = 1;
    PostProgress(100);
  }
  os::Beep(500, 100);
}
