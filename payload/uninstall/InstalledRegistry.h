// Registry reads of the uninstaller: HKEY_LOCAL_MACHINE in the view the setup wrote
// (kSetupRegistryView).
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace uninstall {

// A REG_SZ or REG_EXPAND_SZ value; false when missing or of another type.
bool ReadMachineString(const std::u16string& key, const std::u16string& name,
                       std::u16string& value);
// Every value of a key as name and printable data, in the order the registry lists them.
std::vector<std::pair<std::u16string, std::u16string>> ReadMachineValues(const std::u16string& key);

}  // namespace uninstall
