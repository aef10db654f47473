// Simulated machine: the DOS attributes of files and folders on drive C:.
//
// The host file system has no read-only, hidden, system or archive bits, so they are kept in
// the machine folder's `attributes.txt`, one line per entry: eight hex digits, a tab, and the
// drive-relative host path. An entry without a line has Windows' defaults: archive for a file,
// nothing for a folder. Folder, reparse-point and normal bits are derived, never stored.
#pragma once

#include <filesystem>

#include "platform/os_types.h"

namespace sim {

// Bits that SetFileAttributesW can change and the index stores.
constexpr os::DWORD kStoredAttributeMask = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                                           FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE;

// What GetFileAttributesW reports for an existing host entry; INVALID_FILE_ATTRIBUTES when
// there is none. A host symbolic link to a folder is a folder and a reparse point (a junction).
os::DWORD AttributesOf(const std::filesystem::path& host);
// Stores the changeable bits of `attributes` for the entry.
void StoreAttributes(const std::filesystem::path& host, os::DWORD attributes);
// Drops the entry and everything below it (after a delete).
void ForgetAttributes(const std::filesystem::path& host);
// Moves the entry and everything below it to a new name (after a rename).
void MoveAttributes(const std::filesystem::path& from, const std::filesystem::path& to);

}  // namespace sim
