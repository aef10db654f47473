// Registry reads of the uninstaller through the platform calls.
#include "payload/uninstall/InstalledRegistry.h"

#include <cstring>

#include "payload/common/RegistryView.h"
#include "platform/os_registry.h"

using os::BYTE, os::DWORD, os::HKEY, os::LONG;

namespace uninstall {

namespace {

// Registry strings need not be terminated: cut at the first null or the data's end.
std::u16string StringData(const std::vector<BYTE>& data) {
  std::u16string text(data.size() / 2, u'\0');
  std::memcpy(text.data(), data.data(), text.size() * 2);
  return text.substr(0, text.find(u'\0'));
}

std::u16string Decimal(unsigned long long number) {
  std::u16string text;
  for (const char c : std::to_string(number)) text += static_cast<char16_t>(c);
  return text;
}

}  // namespace

bool ReadMachineString(const std::u16string& key, const std::u16string& name,
                       std::u16string& value) {
  HKEY handle = nullptr;
  if (os::RegOpenKeyExW(HKEY_LOCAL_MACHINE, key, 0, KEY_QUERY_VALUE | payload::kSetupRegistryView,
                        &handle) != ERROR_SUCCESS)
    return false;
  DWORD type = 0, size = 0;
  LONG result = os::RegQueryValueExW(handle, name, &type, nullptr, &size);
  std::vector<BYTE> data;
  while (result == ERROR_SUCCESS || result == ERROR_MORE_DATA) {
    data.assign(size + 2, 0);
    DWORD got = size;
    result = os::RegQueryValueExW(handle, name, &type, data.data(), &got);
    if (result == ERROR_SUCCESS) {
      data.resize(got);
      break;
    }
    size = got;  // the value grew in between
  }
  os::RegCloseKey(handle);
  if (result != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) return false;
  value = StringData(data);
  return true;
}

std::vector<std::pair<std::u16string, std::u16string>> ReadMachineValues(
    const std::u16string& key) {
  std::vector<std::pair<std::u16string, std::u16string>> values;
  HKEY handle = nullptr;
  if (os::RegOpenKeyExW(HKEY_LOCAL_MACHINE, key, 0, KEY_READ | payload::kSetupRegistryView,
                        &handle) != ERROR_SUCCESS)
    return values;
  DWORD count = 0;
  os::RegQueryInfoKeyW(handle, nullptr, nullptr, &count);
  for (DWORD i = 0; i < count; ++i) {
    std::u16string name;
    DWORD type = 0;
    std::vector<BYTE> data;
    if (os::RegEnumValueW(handle, i, &name, &type, &data) != ERROR_SUCCESS) continue;
    std::u16string shown;
    if (type == REG_SZ || type == REG_EXPAND_SZ) {
      shown = StringData(data);
    } else if (type == REG_DWORD && data.size() >= 4) {
      std::uint32_t number;
      std::memcpy(&number, data.data(), sizeof number);
      shown = Decimal(number);
    } else {
      shown = u"(" + Decimal(data.size()) + u" bytes)";
    }
    values.emplace_back(name, shown);
  }
  os::RegCloseKey(handle);
  return values;
}

}  // namespace uninstall
