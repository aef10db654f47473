// UTF-16 text helpers shared by portable code and both backends.
#pragma once

#include <cstdarg>
#include <string>

namespace text {

std::u16string FromUtf8(const std::string& utf8);
std::string ToUtf8(const std::u16string& utf16);
// Latin-1 bytes to UTF-16, one code unit per byte.
std::u16string FromLatin1(const std::string& bytes);

// Upper-casing as NTFS and the registry compare names (Windows' upcase table for Latin,
// Greek, Cyrillic, Armenian and full-width letters); comparisons are ordinal.
char16_t ToUpper(char16_t c);
std::u16string ToUpper(std::u16string s);
bool EqualsNoCase(const std::u16string& a, const std::u16string& b);
// Ordinal comparison of the upper-cased names (<0, 0, >0).
int CompareNoCase(const std::u16string& a, const std::u16string& b);

// printf-style formatting into a buffer of `capacity` UTF-16 units (text cut to capacity-1),
// as the Windows wide formatting functions do. Supports %s (const char16_t*), %hs (const char*),
// %c, %d, %i, %u, %x, %X with flags '-', '0', width and precision, and %%.
std::u16string Format(std::size_t capacity, const char16_t* format, ...);
std::u16string FormatV(std::size_t capacity, const char16_t* format, std::va_list args);

}  // namespace text
