// Conformance: value names compared without regard to case, beyond Latin-1, as key names are.
#include <string>

#include "platform/os_registry.h"
#include "tests/conformance/conformance.h"

CONFORMANCE_SCENARIO(registry_value_names_case, 81) {
  const std::u16string path = u"Software\\ZktConformanceValueNames";
  os::HKEY key = nullptr;
  os::RegCreateKeyExW(HKEY_CURRENT_USER, path, u"", 0, KEY_ALL_ACCESS, &key, nullptr);
  if (!key) return conf::Line("create failed");
  const struct {
    const char* script;
    const char16_t* written;
    const char16_t* asked;
  } names[] = {{"Latin-1", u"Ärger", u"äRGER"},
               {"Greek", u"Ωmega", u"ωMEGA"},
               {"Cyrillic", u"Привет", u"пРИВЕТ"},
               {"beyond the BMP", u"\U00010428x", u"\U00010400X"}};
  for (const auto& n : names) {
    const os::DWORD value = 7;
    os::RegSetValueExW(key, n.written, REG_DWORD, &value, sizeof(value));
    os::DWORD type = 0, read = 0, size = sizeof(read);
    const os::LONG rc = os::RegQueryValueExW(key, n.asked, &type, &read, &size);
    conf::Line("%s: written, asked in other case: rc=%ld value %lu", n.script,
               static_cast<long>(rc), static_cast<unsigned long>(rc == ERROR_SUCCESS ? read : 0));
    conf::Line("%s: delete in other case: rc=%ld", n.script,
               static_cast<long>(os::RegDeleteValueW(key, n.asked)));
    os::RegDeleteValueW(key, n.written);
  }
  os::DWORD values = 99;
  os::RegQueryInfoKeyW(key, nullptr, nullptr, &values);
  conf::Line("values left: %lu", static_cast<unsigned long>(values));
  os::RegCloseKey(key);
  os::RegDeleteKeyExW(HKEY_CURRENT_USER, path, 0);
}
