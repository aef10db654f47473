// Single values of INI files through the Windows profile functions, and the comma split.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Reads one value (cut to 1023 characters). 0 with `out` set when the value is non-empty;
// 1 with `out` untouched when the file, section or key is missing or the value is empty;
// 2 with `out` untouched when the file exists but cannot be opened or read.
int ReadProfileValue(const std::u16string& file, const std::u16string& section,
                     const std::u16string& key, std::u16string& out);

// Writes one value, creating the file, section or key as needed. 0 on success, 1 on failure.
int WriteProfileValue(const std::u16string& file, const std::u16string& section,
                      const std::u16string& key, const std::u16string& value);

// Appends the comma-separated pieces of `text` (untrimmed; an empty text is one empty piece)
// to `list` and returns the list's size afterwards.
std::size_t SplitValue(const std::u16string& text, std::vector<std::u16string>& list);

// A decimal integer as the configuration reads it: leading white space skipped, one optional
// sign, digits up to the first non-digit, 0 without digits; wraps modulo 2^32.
std::int32_t DecimalValue(const std::u16string& text);
