// Renames and deletions that wait for the next start of Windows (MoveFileExW with
// MOVEFILE_DELAY_UNTIL_REBOOT), kept where Windows keeps them: the REG_MULTI_SZ value
// "PendingFileRenameOperations" of HKLM\SYSTEM\CurrentControlSet\Control\Session Manager, one
// pair of strings per operation: "\??\" + source, then "" (delete), "\??\" + target, or
// "!\??\" + target (replace an existing target).
#pragma once

#include <string>

#include "platform/os_types.h"

namespace sim {

// Appends one operation; `target` empty deletes `source`. Both are full Windows paths.
// Returns ERROR_SUCCESS or the registry's error.
os::DWORD AddPendingFileOperation(const std::u16string& source, const std::u16string& target,
                                  bool replaceExisting);

// What the session manager does when Windows starts: performs the pending operations in order
// (one that cannot be done is skipped, as Windows skips it) and removes the value. Returns the
// number performed. The service manager then reads its database anew.
int RestartWindows();

}  // namespace sim
