// A whole file read in one go through the platform calls.
#pragma once

#include <cstddef>
#include <string>

#include "platform/os_types.h"

// Reads all of `path` into `bytes`, sharing reading and writing with other programs (as the C
// runtime's "rb" does). Returns ERROR_SUCCESS, or the error of the call that failed (the file's
// own ERROR_FILE_NOT_FOUND or ERROR_PATH_NOT_FOUND included); a file longer than `limit` bytes
// is ERROR_FILE_TOO_LARGE. On failure `bytes` is empty: nothing half read is ever handed on.
os::DWORD ReadWholeFile(const std::u16string& path, std::string* bytes,
                        std::size_t limit = 0xFFFFFFFEu);
