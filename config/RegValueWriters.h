// String and DWORD value writers under HKEY_LOCAL_MACHINE\SOFTWARE\<sub-key> (the key is
// created when missing and closed at once; no registry-view flag).
#pragma once

#include <cstdint>
#include <string>

// 0 when the key was created or opened and the value set; otherwise the registry error code.
std::int32_t SetRegString(const std::u16string& subKey, const std::u16string& valueName,
                          const std::u16string& text);
std::int32_t SetRegDword(const std::u16string& subKey, const std::u16string& valueName,
                         std::uint32_t value);
