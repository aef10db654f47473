// Windows: the registry calls (os_registry.h), each forwarded to the same-named API.
#include <vector>

#include "platform/os_registry.h"
#include "platform/win32/win_text.h"

#include <windows.h>

namespace os {

using win::Wide;

namespace {

::HKEY Native(HKEY key) { return reinterpret_cast<::HKEY>(key); }

}  // namespace

// Outputs go through locals of the native types and are copied back whatever the result, so
// the caller sees exactly what Windows wrote (or left alone).
LONG RegCreateKeyExW(HKEY root, const std::u16string& subKey, const std::u16string& keyClass,
                     DWORD options, REGSAM access, HKEY* result, DWORD* disposition) {
  ::HKEY created = result ? Native(*result) : nullptr;
  ::DWORD outcome = disposition ? *disposition : 0;
  const LONG rc = ::RegCreateKeyExW(Native(root), Wide(subKey), 0,
                                    const_cast<wchar_t*>(Wide(keyClass)), options, access, nullptr,
                                    result ? &created : nullptr, disposition ? &outcome : nullptr);
  if (result) *result = reinterpret_cast<HKEY>(created);
  if (disposition) *disposition = outcome;
  return rc;
}

LONG RegOpenKeyExW(HKEY root, const std::u16string& subKey, DWORD options, REGSAM access,
                   HKEY* result) {
  ::HKEY opened = result ? Native(*result) : nullptr;
  const LONG rc =
      ::RegOpenKeyExW(Native(root), Wide(subKey), options, access, result ? &opened : nullptr);
  if (result) *result = reinterpret_cast<HKEY>(opened);
  return rc;
}

LONG RegCloseKey(HKEY key) { return ::RegCloseKey(Native(key)); }

LONG RegFlushKey(HKEY key) { return ::RegFlushKey(Native(key)); }

LONG RegSetValueExW(HKEY key, const std::u16string& name, DWORD type, const void* data,
                    DWORD size) {
  return ::RegSetValueExW(Native(key), Wide(name), 0, type, static_cast<const BYTE*>(data), size);
}

LONG RegQueryValueExW(HKEY key, const std::u16string& name, DWORD* type, void* data, DWORD* size) {
  ::DWORD t = type ? *type : 0, s = size ? *size : 0;
  const LONG rc = ::RegQueryValueExW(Native(key), Wide(name), nullptr, type ? &t : nullptr,
                                     static_cast<BYTE*>(data), size ? &s : nullptr);
  if (type) *type = t;
  if (size) *size = s;
  return rc;
}

LONG RegDeleteValueW(HKEY key, const std::u16string& name) {
  return ::RegDeleteValueW(Native(key), Wide(name));
}

LONG RegDeleteKeyExW(HKEY root, const std::u16string& subKey, REGSAM view) {
  return ::RegDeleteKeyExW(Native(root), Wide(subKey), view, 0);
}

LONG RegEnumKeyExW(HKEY key, DWORD index, std::u16string* name) {
  wchar_t buffer[256];  // key names are at most 255 characters
  ::DWORD length = 256;
  const LONG rc =
      ::RegEnumKeyExW(Native(key), index, buffer, &length, nullptr, nullptr, nullptr, nullptr);
  if (rc == ERROR_SUCCESS && name) *name = win::Ours(buffer, length);
  return rc;
}

LONG RegEnumValueW(HKEY key, DWORD index, std::u16string* name, DWORD* type,
                   std::vector<BYTE>* data) {
  // Ask for the longest name and data of the key, then read the entry in one call.
  ::DWORD maxName = 0, maxData = 0;
  LONG rc = ::RegQueryInfoKeyW(Native(key), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                               nullptr, &maxName, &maxData, nullptr, nullptr);
  if (rc != ERROR_SUCCESS) return rc;
  std::vector<wchar_t> nameBuffer(maxName + 1);
  std::vector<BYTE> dataBuffer(maxData ? maxData : 1);
  ::DWORD nameLength = maxName + 1, dataSize = maxData, t = 0;
  rc = ::RegEnumValueW(Native(key), index, nameBuffer.data(), &nameLength, nullptr, &t,
                       dataBuffer.data(), &dataSize);
  if (rc != ERROR_SUCCESS) return rc;
  if (name) *name = win::Ours(nameBuffer.data(), nameLength);
  if (type) *type = t;
  if (data) data->assign(dataBuffer.begin(), dataBuffer.begin() + dataSize);
  return rc;
}

LONG RegQueryInfoKeyW(HKEY key, std::u16string* keyClass, DWORD* subKeys, DWORD* values) {
  // Class strings have no fixed limit: grow the buffer while Windows asks for more.
  std::vector<wchar_t> classBuffer(MAX_PATH + 1);
  ::DWORD classLength = 0, s = 0, v = 0;
  LONG rc = ERROR_MORE_DATA;
  while (rc == ERROR_MORE_DATA) {
    classLength = static_cast<::DWORD>(classBuffer.size());
    rc = ::RegQueryInfoKeyW(Native(key), keyClass ? classBuffer.data() : nullptr,
                            keyClass ? &classLength : nullptr, nullptr, &s, nullptr, nullptr, &v,
                            nullptr, nullptr, nullptr, nullptr);
    if (rc == ERROR_MORE_DATA) classBuffer.resize(classBuffer.size() * 2 + classLength);
  }
  if (rc != ERROR_SUCCESS) return rc;
  if (keyClass) *keyClass = win::Ours(classBuffer.data(), classLength);
  if (subKeys) *subKeys = s;
  if (values) *values = v;
  return rc;
}

}  // namespace os
