// Windows backend: the portable UTF-16 text (char16_t) as the API's wchar_t, which is the same
// UTF-16 on Windows, and back.
#pragma once

#include <cstddef>
#include <string>

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows wide characters are UTF-16");

namespace os::win {

inline const wchar_t* Wide(const std::u16string& s) {
  return reinterpret_cast<const wchar_t*>(s.c_str());
}
// For the parameters where the API reads a null pointer as "none".
inline const wchar_t* WideOrNull(const std::u16string& s) { return s.empty() ? nullptr : Wide(s); }
inline std::u16string Ours(const wchar_t* s) {
  return s ? std::u16string(reinterpret_cast<const char16_t*>(s)) : std::u16string();
}
inline std::u16string Ours(const wchar_t* s, std::size_t length) {
  return std::u16string(reinterpret_cast<const char16_t*>(s), length);
}

}  // namespace os::win
