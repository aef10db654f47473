// Registry reads of the payload programs, in the view the setup wrote (kSetupRegistryView).
#pragma once

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

namespace payload {

// A REG_SZ or REG_EXPAND_SZ value; false when missing or of another type.
bool ReadRegString(HKEY root, const std::u16string& key, const std::u16string& name,
                   std::u16string& value);
bool ReadRegDword(HKEY root, const std::u16string& key, const std::u16string& name, DWORD& value);
// Every value of a key as name and printable data, in the order the registry lists them.
std::vector<std::pair<std::u16string, std::u16string>> ReadRegValues(HKEY root,
                                                                     const std::u16string& key);

}  // namespace payload
