// Start-up of the setup: the path-length guard, then the wizard (not part of this build yet).
#include "app/SetupMain.h"

#include <string>

#include "platform/VersionInfoMgr.h"
#include "platform/os_system.h"
#include "platform/os_ui.h"

int SetupMain() {
  const std::u16string exePath = os::GetModuleFileNameW();
  if (exePath.size() > kMaxSetupPathLength) {
    os::MessageBoxW(u"TLPD - Too Long Path Detector", u"ERROR", MB_OK | MB_ICONERROR);
    return 0;
  }

  std::u16string version = u"(unknown version)";
  GetFileVersionText(exePath, &version);
  os::MessageBoxW(u"ZKT Audio Setup " + version +
                      u"\n\nThe setup wizard is not part of this build yet; nothing was changed.",
                  u"ZKT Audio Setup", MB_OK | MB_ICONINFORMATION);
  return 0;
}
