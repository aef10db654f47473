// STEP2: replace the service program, let it register itself, write the launch modes, start it.
#include "app/UMainForm.h"
#include "config/RegValueWriters.h"
#include "install/AppExitBroadcast.h"
#include "install/NativePayload.h"
#include "install/StepCodes.h"
#include "payload/common/LaunchModes.h"
#include "payload/common/ProductNames.h"
#include "platform/OwnedHandles.h"
#include "platform/ServiceControl.h"
#include "platform/Wow64Redirection.h"
#include "platform/os_files.h"
#include "platform/os_process.h"
#include "platform/trace.h"

namespace {

using payload::kServiceName;
constexpr os::DWORD kRegistrationTimeoutMs = 100000;
constexpr NativePayload kServicePayload = {PAYLOAD_SERVICE_X86, PAYLOAD_SERVICE_X64, u"SERVICE",
                                           STEP_SERVICE_RESOURCE_FAILED, STEP_SERVICE_WRITE_FAILED};

// Waits for a started process, then lets go of its handles.
os::DWORD WaitAndClose(const os::PROCESS_INFORMATION& started, os::DWORD timeoutMs) {
  const os::OwnedObject process(started.hProcess), thread(started.hThread);
  return os::WaitForSingleObject(process.get(), timeoutMs);
}

// The five values of one application's group, in the order of the shared table.
void WriteLaunchModes(char16_t group, const std::u16string& appPath) {
  trace::Write(appPath + u"\n");
  for (const payload::LaunchModeName& mode : payload::LaunchModeNames())
    if (mode.group == group)  // results ignored
      SetRegString(payload::kProductSubKey, mode.name, payload::MakeLaunchLine(mode, appPath));
}

}  // namespace

std::uint32_t TMainForm::Install_Service() {
  SetServiceState(kServiceName, kServiceStop);
  BroadcastAppExit();
  PostProgress(30);

  // On 64-bit Windows the x64 service goes to, and is started from, the 64-bit system folder.
  Wow64RedirectionOff redirection(IsWow64 != 0);
  if (redirection.Failed() || SetupConfig.NativeSystemFolderPath.empty())
    return STEP_SERVICE_WRITE_FAILED;
  const std::u16string image = SetupConfig.NativeSystemFolderPath + kServiceName + u".exe";
  if (const std::uint32_t failed = WriteNativePayload(kServicePayload, IsWow64 != 0, image))
    return failed;
  PostProgress(40);

  // Quoted: an unquoted path with spaces would let Windows try "C:\Program.exe" first.
  os::STARTUPINFOW startup;
  startup.cb = sizeof startup;  // 68 bytes in the 32-bit product
  os::PROCESS_INFORMATION process;
  if (!os::CreateProcessW(u"", u"\"" + image + u"\" /Service", TRUE, HIGH_PRIORITY_CLASS, u"",
                          &startup, &process))
    return STEP_SERVICE_REGISTRATION_NOT_STARTED;
  const os::DWORD wait = WaitAndClose(process, kRegistrationTimeoutMs);
  if (wait != WAIT_OBJECT_0) return STEP_SERVICE_REGISTRATION_TIMEOUT;  // left running

  const std::u16string& folder = SetupConfig.InstallFolderPath;
  const std::u16string& plugins = SetupConfig.PluginFolderName;
  WriteLaunchModes(u'C', folder + SetupConfig.APPFileName + u".exe");
  WriteLaunchModes(u'B', folder + plugins + u"\\" + SetupConfig.EffectAPPFileName + u"\\" +
                             SetupConfig.EffectAPPFileName + u".exe");
  WriteLaunchModes(u'D', folder + plugins + u"\\" + SetupConfig.SoundEffectAPPFileName + u"\\" +
                             SetupConfig.SoundEffectAPPFileName + u".exe");
  if (!redirection.Restore()) return STEP_SERVICE_WRITE_FAILED;
  PostProgress(50);

  // A service that will not start does not fail the step.
  SetServiceState(kServiceName, kServiceStart);
  PostProgress(60);
  return 0;
}
