// The payload programs' bridge between the portable char16_t text and the Windows API's
// wchar_t, which is the same UTF-16 on Windows.
#pragma once

#include <string>
#include <vector>

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows wide characters are UTF-16");

namespace payload {

inline const wchar_t* W(const std::u16string& s) {
  return reinterpret_cast<const wchar_t*>(s.c_str());
}
inline const wchar_t* W(const char16_t* s) { return reinterpret_cast<const wchar_t*>(s); }
inline std::u16string U(const wchar_t* s) {
  return s ? std::u16string(reinterpret_cast<const char16_t*>(s)) : std::u16string();
}
inline std::vector<std::u16string> Arguments(int argc, wchar_t** argv) {
  std::vector<std::u16string> args;
  for (int i = 1; i < argc; ++i) args.push_back(U(argv[i]));
  return args;
}

}  // namespace payload
