// The Windows profile functions for single INI values, same contracts as Windows:
// names matched without regard to case, blanks and one pair of enclosing quotation marks
// trimmed, the first of duplicate sections and keys wins, values cut at the buffer size.
#pragma once

#include <string>

#include "platform/os_types.h"

namespace os {

// GetPrivateProfileStringW with a section and a key (the enumeration variants with a null
// section or key are not used). `out` receives what Windows would leave in a buffer of
// `bufferSize` characters (at most bufferSize - 1 of them); the result is its length.
DWORD GetPrivateProfileStringW(const std::u16string& section, const std::u16string& key,
                               const std::u16string& defaultValue, std::u16string* out,
                               DWORD bufferSize, const std::u16string& file);

// WritePrivateProfileStringW with a section, a key and a value: creates the file, section or
// key as needed and leaves every other line and the file's encoding as they were.
BOOL WritePrivateProfileStringW(const std::u16string& section, const std::u16string& key,
                                const std::u16string& value, const std::u16string& file);

}  // namespace os
