// The update KB3033929: written during STEP5, installed as STEP10 on Windows 7 x64 SP1.
#include "app/UMainForm.h"
#include "install/StepCodes.h"
#include "platform/PayloadResource.h"
#include "platform/trace.h"

namespace {

void EnterKB(const char16_t* method) {
  trace::Write(u"ZKTAudioControlSetup: ");
  trace::Write(u" ==> ");
  trace::Write(method);
  trace::Write(u"\n");
}

}  // namespace

std::uint32_t TMainForm::Copy_KB3033929() {
  EnterKB(u"TMainForm::Copy_KB3033929");
  // Written with redirection left on: on 64-bit Windows it lands in the 32-bit system folder.
  if (InstallMgr.CopyWindowPatch(PAYLOAD_WINDOWPATCH, u"WindowPatch") != 0) return COPY_KB_FAILED;
  return 0;
}

std::uint32_t TMainForm::Install_KB3033929() {
  EnterKB(u"TMainForm::Install_KB3033929");
  if (!INSTALL_MGR::KB3033929Applies(IsWow64, OSClass, ServicePackMajor)) return 0;
  trace::Write(u"***** Service pack KDB3033929 not EXIST! *****\n");
  if (InstallMgr.InstallKB3033929() != 0) return STEP_KB_LAUNCH_FAILED;
  return 0;
}
