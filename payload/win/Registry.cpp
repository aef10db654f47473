// Windows registry reads for the payload programs.
#include "payload/win/Registry.h"

#include "payload/common/RegistryView.h"
#include "payload/win/WideText.h"

#include <cstring>
#include <cwchar>

namespace payload {

namespace {

static_assert(kSetupRegistryView == KEY_WOW64_32KEY || kSetupRegistryView == KEY_WOW64_64KEY,
              "a registry view flag of Windows");

// Registry strings need not be terminated: cut at the first null or the data's end.
std::u16string StringData(const std::vector<BYTE>& data, DWORD size) {
  const wchar_t* text = reinterpret_cast<const wchar_t*>(data.data());
  std::size_t count = size / sizeof(wchar_t);
  std::size_t length = 0;
  while (length < count && text[length]) ++length;
  return std::u16string(reinterpret_cast<const char16_t*>(text), length);
}

bool Query(HKEY root, const std::u16string& key, const std::u16string& name, DWORD& type,
           std::vector<BYTE>& data) {
  HKEY handle;
  if (RegOpenKeyExW(root, W(key), 0, KEY_QUERY_VALUE | kSetupRegistryView, &handle) !=
      ERROR_SUCCESS)
    return false;
  DWORD size = 0;
  LONG result = RegQueryValueExW(handle, W(name), nullptr, &type, nullptr, &size);
  while (result == ERROR_SUCCESS || result == ERROR_MORE_DATA) {
    data.assign(size + sizeof(wchar_t), 0);
    DWORD got = size;
    result = RegQueryValueExW(handle, W(name), nullptr, &type, data.data(), &got);
    if (result == ERROR_SUCCESS) {
      data.resize(got);
      break;
    }
    size = got;  // the value grew in between
  }
  RegCloseKey(handle);
  return result == ERROR_SUCCESS;
}

}  // namespace

bool ReadRegString(HKEY root, const std::u16string& key, const std::u16string& name,
                   std::u16string& value) {
  DWORD type = 0;
  std::vector<BYTE> data;
  if (!Query(root, key, name, type, data) || (type != REG_SZ && type != REG_EXPAND_SZ))
    return false;
  value = StringData(data, static_cast<DWORD>(data.size()));
  return true;
}

bool ReadRegDword(HKEY root, const std::u16string& key, const std::u16string& name, DWORD& value) {
  DWORD type = 0;
  std::vector<BYTE> data;
  if (!Query(root, key, name, type, data) || type != REG_DWORD || data.size() < 4) return false;
  std::memcpy(&value, data.data(), sizeof value);
  return true;
}

std::vector<std::pair<std::u16string, std::u16string>> ReadRegValues(HKEY root,
                                                                     const std::u16string& key) {
  std::vector<std::pair<std::u16string, std::u16string>> values;
  HKEY handle;
  if (RegOpenKeyExW(root, W(key), 0, KEY_READ | kSetupRegistryView, &handle) != ERROR_SUCCESS)
    return values;
  DWORD count = 0, maxName = 0, maxData = 0;
  RegQueryInfoKeyW(handle, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count, &maxName,
                   &maxData, nullptr, nullptr);
  std::vector<wchar_t> name(maxName + 2);
  std::vector<BYTE> data(maxData + sizeof(wchar_t));
  for (DWORD i = 0; i < count; ++i) {
    DWORD nameSize = static_cast<DWORD>(name.size());
    DWORD dataSize = static_cast<DWORD>(data.size());
    DWORD type = 0;
    if (RegEnumValueW(handle, i, name.data(), &nameSize, nullptr, &type, data.data(), &dataSize) !=
        ERROR_SUCCESS)
      continue;
    std::u16string shown;
    if (type == REG_SZ || type == REG_EXPAND_SZ) {
      shown = StringData(data, dataSize);
    } else if (type == REG_DWORD && dataSize >= 4) {
      DWORD number;
      std::memcpy(&number, data.data(), sizeof number);
      shown = U(std::to_wstring(number).c_str());
    } else {
      shown = u"(" + U(std::to_wstring(dataSize).c_str()) + u" bytes)";
    }
    values.emplace_back(U(name.data()), shown);
  }
  RegCloseKey(handle);
  return values;
}

}  // namespace payload
