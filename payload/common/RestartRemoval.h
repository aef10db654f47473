// Files that are in use when the uninstaller removes them go when Windows restarts. They are
// queued under a new, unique name in their own folder, never under their own path: an install
// made before that restart puts new files at the old paths, and the restart must not take them.
#pragma once

#include <string>
#include <vector>

namespace payload {

// The name an in-use file is moved to before it is queued: "<path>.<unique in hex>.remove",
// in the same folder (a rename within a volume works on a running program's image).
std::u16string PendingRemovalName(const std::u16string& path, unsigned long long unique);

// A folder is empty after the restart when every entry still in it (full paths, sub-folders'
// entries included) is queued for removal at the restart (compared without regard to case).
bool EmptyAfterRestart(const std::vector<std::u16string>& remaining,
                       const std::vector<std::u16string>& queued);

}  // namespace payload
