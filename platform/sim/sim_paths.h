// Simulated machine: Windows paths on drive C: mapped to host paths under the machine folder.
//
// Rules (platform/sim/MACHINE.md, "Drive C:"): "\" and "/" separate; names match without
// regard to case; "." and ".." are folded; a name ending in one dot loses it and the last name
// loses all trailing dots and spaces; <>:"|?* and control characters are invalid; other drives
// do not exist; full paths of MAX_PATH (260) characters or more are refused; a 32-bit program
// on 64-bit Windows sees C:\Windows\SysWOW64 as C:\Windows\System32, and the real System32 as
// C:\Windows\Sysnative, unless its thread switched redirection off.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "platform/os_types.h"

namespace sim {

struct ResolvedPath {
  std::u16string full;             // normalised Windows path after redirection ("C:\a\b")
  std::filesystem::path host;      // host path; existing levels carry their real host names
  std::u16string leaf;             // last name as given (may hold wildcards); empty for the root
  bool isRoot = false;             // the path is the drive root itself
  bool parentExists = false;       // every level but the last exists and is a folder
  bool exists = false;             // the path itself exists (file, folder or link)
  bool trailingSeparator = false;  // the given path ended in "\" or "/"
  bool verbatim = false;           // given with the "\\?\" prefix: no MAX_PATH limits apply
};

enum ResolveFlags : unsigned {
  kResolveDefault = 0,
  kAllowWildcards = 1,  // "*" and "?" allowed in the last name (FindFirstFileW patterns)
};

// Maps a Windows path. Returns ERROR_SUCCESS, ERROR_INVALID_NAME (a forbidden character) or
// ERROR_PATH_NOT_FOUND (empty path, another drive, a network path, 260 characters or more).
// A missing level is not an error here: `parentExists` and `exists` tell the caller.
os::DWORD ResolvePath(const std::u16string& path, ResolvedPath* out,
                      unsigned flags = kResolveDefault);

// The drive-relative host path of a resolved path ("Windows/System32"), the key of the
// attribute index.
std::string DriveRelativeKey(const std::filesystem::path& host);

// WOW64 file-system redirection of the calling thread (on by default).
bool ThreadRedirectionDisabled();
void SetThreadRedirectionDisabled(bool disabled);

// Windows' own folders that every installation has, created on the drive when missing.
void CreateStandardFolders();

// Longest full path a file call accepts (MAX_PATH with its terminator) and the longest folder
// CreateDirectoryW creates (MAX_PATH - 12, room for an 8.3 name inside).
constexpr std::size_t kMaxPathChars = MAX_PATH - 1;
constexpr std::size_t kMaxFolderChars = MAX_PATH - 12 - 1;

}  // namespace sim
