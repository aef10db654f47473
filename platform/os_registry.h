// The registry calls of the setup, one per Windows function, same contracts:
// results are Win32 error codes (LONG), the last-error value is not touched.
#pragma once

#include <string>
#include <vector>

#include "platform/os_types.h"

namespace os {

LONG RegCreateKeyExW(HKEY root, const std::u16string& subKey, const std::u16string& keyClass,
                     DWORD options, REGSAM access, HKEY* result, DWORD* disposition);
LONG RegOpenKeyExW(HKEY root, const std::u16string& subKey, DWORD options, REGSAM access,
                   HKEY* result);
LONG RegCloseKey(HKEY key);
LONG RegFlushKey(HKEY key);

// `data` holds `size` bytes exactly as Windows stores them (strings in UTF-16LE with the
// terminating zero when the caller includes it). An empty name is the default value.
LONG RegSetValueExW(HKEY key, const std::u16string& name, DWORD type, const void* data, DWORD size);
// Windows semantics: `data` may be null to ask for the size; a too-small buffer gives
// ERROR_MORE_DATA with *size set to the size needed.
LONG RegQueryValueExW(HKEY key, const std::u16string& name, DWORD* type, void* data, DWORD* size);
LONG RegDeleteValueW(HKEY key, const std::u16string& name);
// Deletes a key without subkeys; `view` is 0, KEY_WOW64_32KEY or KEY_WOW64_64KEY.
LONG RegDeleteKeyExW(HKEY root, const std::u16string& subKey, REGSAM view);

// Enumeration: `name` receives the index-th subkey / value name (ERROR_NO_MORE_ITEMS past the end).
LONG RegEnumKeyExW(HKEY key, DWORD index, std::u16string* name);
LONG RegEnumValueW(HKEY key, DWORD index, std::u16string* name, DWORD* type,
                   std::vector<BYTE>* data);
// Class string and counts of a key; any output may be null.
LONG RegQueryInfoKeyW(HKEY key, std::u16string* keyClass, DWORD* subKeys, DWORD* values);

}  // namespace os
