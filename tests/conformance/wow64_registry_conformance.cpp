// Conformance: the two registry views of 64-bit Windows. HKLM\SOFTWARE and below is one key in
// the 64-bit view and SOFTWARE\WOW6432Node in the 32-bit view; a 32-bit program's default view
// is the 32-bit one, a 64-bit program's the 64-bit one; KEY_WOW64_32KEY / KEY_WOW64_64KEY pick
// a view explicitly. HKCU\Software and HKLM\SYSTEM have one view.
#include <string>

#include "platform/os_registry.h"
#include "tests/conformance/conformance.h"

namespace {

constexpr char16_t kKey[] = u"SOFTWARE\\ZktConformanceViews";

struct View {
  const char* name;
  os::REGSAM flag;
};
const View kViews[] = {{"default", 0}, {"32-bit", KEY_WOW64_32KEY}, {"64-bit", KEY_WOW64_64KEY}};

void Write(os::HKEY root, const std::u16string& path, os::REGSAM view, const char16_t* data) {
  os::HKEY key = nullptr;
  const os::LONG rc = os::RegCreateKeyExW(root, path, u"", 0, KEY_ALL_ACCESS | view, &key, nullptr);
  if (rc != ERROR_SUCCESS) {
    conf::Line("create failed: %ld", static_cast<long>(rc));
    return;
  }
  const std::u16string value = data;
  os::RegSetValueExW(key, u"Written", REG_SZ, value.c_str(),
                     static_cast<os::DWORD>((value.size() + 1) * 2));
  os::RegCloseKey(key);
}

// What each view reads at `path`.
void PrintViews(const char* what, os::HKEY root, const std::u16string& path) {
  std::string line = what;
  line += ":";
  for (const View& view : kViews) {
    os::HKEY key = nullptr;
    os::LONG rc = os::RegOpenKeyExW(root, path, 0, KEY_READ | view.flag, &key);
    std::string seen;
    if (rc != ERROR_SUCCESS) {
      seen = "open " + std::to_string(rc);
    } else {
      char16_t buffer[64] = {};
      os::DWORD type = 0, size = sizeof buffer - 2;
      rc = os::RegQueryValueExW(key, u"Written", &type, buffer, &size);
      seen = rc == ERROR_SUCCESS ? conf::U8(buffer) : "value " + std::to_string(rc);
      os::RegCloseKey(key);
    }
    line += std::string(" ") + view.name + "=" + seen;
  }
  conf::Line("%s", line.c_str());
}

void DeleteBoth(os::HKEY root, const std::u16string& path) {
  os::RegDeleteKeyExW(root, path, KEY_WOW64_32KEY);
  os::RegDeleteKeyExW(root, path, KEY_WOW64_64KEY);
}

}  // namespace

CONFORMANCE_SCENARIO(registry_wow64_default_view, 17) {
  DeleteBoth(HKEY_LOCAL_MACHINE, kKey);
  Write(HKEY_LOCAL_MACHINE, kKey, 0, u"default");
  PrintViews("written in the default view", HKEY_LOCAL_MACHINE, kKey);
  PrintViews("WOW6432Node by name", HKEY_LOCAL_MACHINE,
             u"SOFTWARE\\WOW6432Node\\ZktConformanceViews");
  DeleteBoth(HKEY_LOCAL_MACHINE, kKey);
}

CONFORMANCE_SCENARIO(registry_wow64_explicit_views, 17) {
  Write(HKEY_LOCAL_MACHINE, kKey, KEY_WOW64_32KEY, u"thirty-two");
  PrintViews("written in the 32-bit view", HKEY_LOCAL_MACHINE, kKey);
  Write(HKEY_LOCAL_MACHINE, kKey, KEY_WOW64_64KEY, u"sixty-four");
  PrintViews("then in the 64-bit view", HKEY_LOCAL_MACHINE, kKey);
  // Both flags at once are refused.
  os::HKEY key = nullptr;
  conf::Line("both view flags: %ld",
             static_cast<long>(os::RegOpenKeyExW(
                 HKEY_LOCAL_MACHINE, kKey, 0, KEY_READ | KEY_WOW64_32KEY | KEY_WOW64_64KEY, &key)));
  if (key) os::RegCloseKey(key);
}

// After the scenarios that write the key in both views.
CONFORMANCE_SCENARIO(registry_wow64_delete_per_view, 18) {
  conf::Line("delete in the 32-bit view: %ld",
             static_cast<long>(os::RegDeleteKeyExW(HKEY_LOCAL_MACHINE, kKey, KEY_WOW64_32KEY)));
  PrintViews("after", HKEY_LOCAL_MACHINE, kKey);
  conf::Line("delete in the 32-bit view again: %ld",
             static_cast<long>(os::RegDeleteKeyExW(HKEY_LOCAL_MACHINE, kKey, KEY_WOW64_32KEY)));
  conf::Line("delete in the 64-bit view: %ld",
             static_cast<long>(os::RegDeleteKeyExW(HKEY_LOCAL_MACHINE, kKey, KEY_WOW64_64KEY)));
  PrintViews("after both", HKEY_LOCAL_MACHINE, kKey);
}

CONFORMANCE_SCENARIO(registry_wow64_enumeration, 17) {
  Write(HKEY_LOCAL_MACHINE, std::u16string(kKey) + u"\\Only32", KEY_WOW64_32KEY, u"a");
  Write(HKEY_LOCAL_MACHINE, std::u16string(kKey) + u"\\Only64", KEY_WOW64_64KEY, u"b");
  for (const View& view : kViews) {
    os::HKEY key = nullptr;
    const os::LONG rc = os::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kKey, 0, KEY_READ | view.flag, &key);
    std::string names;
    std::u16string name;
    for (os::DWORD i = 0; rc == ERROR_SUCCESS && os::RegEnumKeyExW(key, i, &name) == ERROR_SUCCESS;
         ++i)
      names += " " + conf::U8(name);
    if (key) os::RegCloseKey(key);
    conf::Line("%s view lists:%s (open %ld)", view.name, names.c_str(), static_cast<long>(rc));
  }
  for (const char16_t* sub : {u"\\Only32", u"\\Only64"})
    DeleteBoth(HKEY_LOCAL_MACHINE, std::u16string(kKey) + sub);
  DeleteBoth(HKEY_LOCAL_MACHINE, kKey);
}

CONFORMANCE_SCENARIO(registry_wow64_single_view_keys, 17) {
  const std::u16string user = u"Software\\ZktConformanceViews";
  Write(HKEY_CURRENT_USER, user, KEY_WOW64_32KEY, u"user");
  PrintViews("HKCU\\Software written in the 32-bit view", HKEY_CURRENT_USER, user);
  os::RegDeleteKeyExW(HKEY_CURRENT_USER, user, KEY_WOW64_64KEY);
  PrintViews("deleted in the 64-bit view", HKEY_CURRENT_USER, user);
  const std::u16string system = u"SYSTEM\\ZktConformanceViews";
  Write(HKEY_LOCAL_MACHINE, system, KEY_WOW64_32KEY, u"system");
  PrintViews("HKLM\\SYSTEM written in the 32-bit view", HKEY_LOCAL_MACHINE, system);
  DeleteBoth(HKEY_LOCAL_MACHINE, system);
}
