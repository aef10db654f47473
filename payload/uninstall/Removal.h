// Carries out the uninstaller's actions through the platform calls and collects what could not
// be done.
#pragma once

#include "payload/common/UninstallPlan.h"

#include <string>
#include <vector>

#include "platform/os_types.h"

struct RemovalReport {
  std::vector<std::u16string> failed;     // could not be removed, with the reason
  std::vector<std::u16string> atRestart;  // removed when Windows restarts
  std::vector<std::u16string> queued;     // the paths queued for that, as Windows has them
};

// Windows' text of an error with its code: "Access is denied (5)".
std::u16string ErrorText(os::DWORD error);

void CarryOut(const payload::UninstallAction& action, RemovalReport& report);
