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
  // The uninstaller's own file, moved aside and queued (DeleteSelfAfterExit), and its folder.
  std::u16string self, selfAside, selfFolder;
};

// Windows' text of an error with its code: "Access is denied (5)".
std::u16string ErrorText(os::DWORD error);

void CarryOut(const payload::UninstallAction& action, RemovalReport& report);

// Undoes DeleteSelfAfterExit after a later failure: the uninstaller goes back to its path (its
// queued removal then finds nothing at the restart, and its folder is no longer empty), so that
// the uninstall entry that stays can start it again. False when it was not moved or cannot be.
bool KeepSelf(RemovalReport& report);
