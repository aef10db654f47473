// Conformance: the registry as the setup's own keys meet it: the uninstall entry and the Run
// key in each view of a 64-bit machine, keys opened relative to a handle of one view, values
// per view, volatile keys, name lengths, and the keys no program may make or delete.
#include <string>

#include "platform/os_registry.h"
#include "tests/conformance/conformance.h"

namespace {

constexpr char16_t kUninstall[] =
    u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\ZktConformanceEntry";
constexpr char16_t kRun[] = u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr char16_t kScratch[] = u"SOFTWARE\\ZktConformanceSetupKeys";

struct View {
  const char* name;
  os::REGSAM flag;
};
const View kViews[] = {{"default", 0}, {"32-bit", KEY_WOW64_32KEY}, {"64-bit", KEY_WOW64_64KEY}};

long L(os::LONG v) { return static_cast<long>(v); }

os::LONG SetText(os::HKEY key, const std::u16string& name, const std::u16string& text) {
  return os::RegSetValueExW(key, name, REG_SZ, text.c_str(),
                            static_cast<os::DWORD>((text.size() + 1) * 2));
}

// What `name` reads in each view of HKLM\`path`: its text, or the error of the open or query.
void PrintValueInViews(const char* what, const std::u16string& path, const std::u16string& name) {
  std::string line = what;
  line += ":";
  for (const View& view : kViews) {
    os::HKEY key = nullptr;
    os::LONG rc = os::RegOpenKeyExW(HKEY_LOCAL_MACHINE, path, 0, KEY_READ | view.flag, &key);
    std::string seen;
    if (rc != ERROR_SUCCESS) {
      seen = "open " + std::to_string(rc);
    } else {
      char16_t buffer[128] = {};
      os::DWORD type = 0, size = sizeof buffer - 2;
      rc = os::RegQueryValueExW(key, name, &type, buffer, &size);
      seen = rc == ERROR_SUCCESS ? conf::U8(buffer) : "value " + std::to_string(rc);
      os::RegCloseKey(key);
    }
    line += std::string(" ") + view.name + "=" + seen;
  }
  conf::Line("%s", line.c_str());
}

os::LONG Create(os::HKEY root, const std::u16string& path, os::REGSAM access, os::HKEY* key,
                os::DWORD options = 0) {
  *key = nullptr;
  return os::RegCreateKeyExW(root, path, u"", options, access, key, nullptr);
}

}  // namespace

// The setup writes its uninstall entry in its default view: a 32-bit program's lands in
// WOW6432Node, where Programs and Features reads 32-bit programs' entries.
CONFORMANCE_SCENARIO(registry_uninstall_entry_views, 19) {
  os::HKEY key = nullptr;
  conf::Line("create in the default view: %ld",
             L(Create(HKEY_LOCAL_MACHINE, kUninstall, KEY_ALL_ACCESS, &key)));
  if (!key) return;
  SetText(key, u"DisplayName", u"Zkt conformance");
  os::RegCloseKey(key);
  PrintValueInViews("DisplayName", kUninstall, u"DisplayName");
  conf::Line("delete in the 32-bit view: %ld",
             L(os::RegDeleteKeyExW(HKEY_LOCAL_MACHINE, kUninstall, KEY_WOW64_32KEY)));
  conf::Line("delete in the 64-bit view: %ld",
             L(os::RegDeleteKeyExW(HKEY_LOCAL_MACHINE, kUninstall, KEY_WOW64_64KEY)));
  PrintValueInViews("after both deletes", kUninstall, u"DisplayName");
}

CONFORMANCE_SCENARIO(registry_run_value_views, 19) {
  os::HKEY key = nullptr;
  // Created, not opened: a fresh wine prefix has no Run key in the 32-bit view.
  conf::Line("create Run in the 32-bit view: %ld",
             L(Create(HKEY_LOCAL_MACHINE, kRun, KEY_ALL_ACCESS | KEY_WOW64_32KEY, &key)));
  if (!key) return;
  conf::Line("set: %ld", L(SetText(key, u"ZktConformance", u"\"C:\\x y\\a.exe\" /start")));
  PrintValueInViews("ZktConformance", kRun, u"ZktConformance");
  conf::Line("delete the value: %ld", L(os::RegDeleteValueW(key, u"ZktConformance")));
  conf::Line("delete it again: %ld", L(os::RegDeleteValueW(key, u"ZktConformance")));
  os::RegCloseKey(key);
  PrintValueInViews("after the delete", kRun, u"ZktConformance");
}

// A key opened or created relative to a handle stays in the handle's view.
CONFORMANCE_SCENARIO(registry_relative_keeps_view, 19) {
  for (const View& view : {kViews[1], kViews[2]}) {
    os::HKEY parent = nullptr;
    const os::LONG rc = Create(HKEY_LOCAL_MACHINE, kScratch, KEY_ALL_ACCESS | view.flag, &parent);
    if (rc != ERROR_SUCCESS) {
      conf::Line("%s: create the parent %ld", view.name, L(rc));
      continue;
    }
    os::HKEY child = nullptr;
    conf::Line("%s: create a child relative to it: %ld", view.name,
               L(Create(parent, u"Child", KEY_ALL_ACCESS, &child)));
    if (child) {
      SetText(child, u"Made", view.name[0] == '3' ? u"in 32" : u"in 64");
      os::RegCloseKey(child);
    }
    os::RegCloseKey(parent);
  }
  PrintValueInViews("child", std::u16string(kScratch) + u"\\Child", u"Made");
}

// Values of the two views are apart: deleting one leaves the other, and each view counts its own.
CONFORMANCE_SCENARIO(registry_values_per_view, 19) {
  const std::u16string child = std::u16string(kScratch) + u"\\Child";
  for (const View& view : {kViews[1], kViews[2]}) {
    os::HKEY key = nullptr;
    if (os::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kScratch, 0, KEY_ALL_ACCESS | view.flag, &key) !=
        ERROR_SUCCESS)
      continue;
    os::DWORD subKeys = 99, values = 99;
    SetText(key, u"Extra", u"x");
    const os::LONG rc = os::RegQueryInfoKeyW(key, nullptr, &subKeys, &values);
    conf::Line("%s view: info %ld, subkeys %lu, values %lu", view.name, L(rc),
               static_cast<unsigned long>(subKeys), static_cast<unsigned long>(values));
    os::RegCloseKey(key);
  }
  os::HKEY key = nullptr;
  if (os::RegOpenKeyExW(HKEY_LOCAL_MACHINE, child, 0, KEY_ALL_ACCESS | KEY_WOW64_32KEY, &key) ==
      ERROR_SUCCESS) {
    conf::Line("delete Made in the 32-bit view: %ld", L(os::RegDeleteValueW(key, u"Made")));
    os::RegCloseKey(key);
  }
  PrintValueInViews("Made after", child, u"Made");
  for (const View& view : {kViews[1], kViews[2]}) {
    os::RegDeleteKeyExW(HKEY_LOCAL_MACHINE, child, view.flag);
    conf::Line("%s view: scratch removed %ld", view.name,
               L(os::RegDeleteKeyExW(HKEY_LOCAL_MACHINE, kScratch, view.flag)));
  }
}

// HKLM\SOFTWARE of the 64-bit view holds WOW6432Node; the 32-bit view's SOFTWARE is that key.
CONFORMANCE_SCENARIO(registry_software_listing, 19) {
  for (const View& view : kViews) {
    os::HKEY key = nullptr;
    os::LONG rc = os::RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"SOFTWARE", 0, KEY_READ | view.flag, &key);
    bool node = false, microsoft = false;
    std::u16string name;
    for (os::DWORD i = 0; rc == ERROR_SUCCESS && os::RegEnumKeyExW(key, i, &name) == ERROR_SUCCESS;
         ++i) {
      if (conf::U8(name) == "WOW6432Node" || conf::U8(name) == "Wow6432Node") node = true;
      if (conf::U8(name) == "Microsoft") microsoft = true;
    }
    if (key) os::RegCloseKey(key);
    conf::Line("%s view of SOFTWARE: open %ld, lists WOW6432Node %s, Microsoft %s", view.name,
               L(rc), node ? "yes" : "no", microsoft ? "yes" : "no");
  }
}

CONFORMANCE_SCENARIO(registry_volatile_keys, 19) {
  const std::u16string path = u"Software\\ZktConformanceVolatile";
  os::HKEY key = nullptr;
  conf::Line("create volatile: %ld",
             L(Create(HKEY_CURRENT_USER, path, KEY_ALL_ACCESS, &key, REG_OPTION_VOLATILE)));
  if (!key) return;
  os::HKEY child = nullptr;
  conf::Line("non-volatile child: %ld", L(Create(key, u"Stable", KEY_ALL_ACCESS, &child)));
  if (child) os::RegCloseKey(child);
  conf::Line("volatile child: %ld",
             L(Create(key, u"Passing", KEY_ALL_ACCESS, &child, REG_OPTION_VOLATILE)));
  if (child) os::RegCloseKey(child);
  os::RegCloseKey(key);
  conf::Line("delete the child: %ld",
             L(os::RegDeleteKeyExW(HKEY_CURRENT_USER, path + u"\\Passing", 0)));
  conf::Line("delete the key: %ld", L(os::RegDeleteKeyExW(HKEY_CURRENT_USER, path, 0)));
}

CONFORMANCE_SCENARIO(registry_name_lengths, 19) {
  for (std::size_t length : {255u, 256u}) {
    const std::u16string path = u"Software\\" + std::u16string(length, u'k');
    os::HKEY key = nullptr;
    const os::LONG rc = Create(HKEY_CURRENT_USER, path, KEY_ALL_ACCESS, &key);
    conf::Line("key name of %u characters: %ld", static_cast<unsigned>(length), L(rc));
    if (key) os::RegCloseKey(key);
    if (rc == ERROR_SUCCESS) os::RegDeleteKeyExW(HKEY_CURRENT_USER, path, 0);
  }
}

CONFORMANCE_SCENARIO(registry_protected_keys, 19) {
  os::HKEY key = nullptr;
  conf::Line("create directly below HKLM: %ld",
             L(Create(HKEY_LOCAL_MACHINE, u"ZktConformanceTop", KEY_ALL_ACCESS, &key)));
  if (key) {
    os::RegCloseKey(key);
    os::RegDeleteKeyExW(HKEY_LOCAL_MACHINE, u"ZktConformanceTop", 0);
  }
  conf::Line("delete HKLM\\SOFTWARE: %ld",
             L(os::RegDeleteKeyExW(HKEY_LOCAL_MACHINE, u"SOFTWARE", KEY_WOW64_64KEY)));
  conf::Line("delete the Uninstall key (it has subkeys): %ld",
             L(os::RegDeleteKeyExW(HKEY_LOCAL_MACHINE,
                                   u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall",
                                   KEY_WOW64_64KEY)));
  conf::Line("null data with a size: %ld", [] {
    os::HKEY scratch = nullptr;
    if (Create(HKEY_CURRENT_USER, u"Software\\ZktConformanceNull", KEY_ALL_ACCESS, &scratch))
      return -1L;
    const long rc = L(os::RegSetValueExW(scratch, u"v", REG_BINARY, nullptr, 4));
    os::RegCloseKey(scratch);
    os::RegDeleteKeyExW(HKEY_CURRENT_USER, u"Software\\ZktConformanceNull", 0);
    return rc;
  }());
}

// Windows 7 and later share a few keys below HKLM\SOFTWARE between the views ("Registry Keys
// Affected by WOW64", Microsoft Learn), App Paths and Policies among them: what one view writes
// there the other reads.
CONFORMANCE_SCENARIO(registry_shared_keys, 19) {
  for (const char16_t* path :
       {u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\zkt-conformance.exe",
        u"SOFTWARE\\Policies\\ZktConformance",
        u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\ZktConformance"}) {
    os::HKEY key = nullptr;
    const os::LONG rc = Create(HKEY_LOCAL_MACHINE, path, KEY_ALL_ACCESS | KEY_WOW64_64KEY, &key);
    if (key) {
      SetText(key, u"Written", u"64-bit view");
      os::RegCloseKey(key);
    }
    const std::string shown = conf::U8(path).substr(9);
    conf::Line("%s: create in the 64-bit view %ld", shown.c_str(), L(rc));
    PrintValueInViews("  reads", path, u"Written");
    os::RegDeleteKeyExW(HKEY_LOCAL_MACHINE, path, KEY_WOW64_64KEY);
    os::RegDeleteKeyExW(HKEY_LOCAL_MACHINE, path, KEY_WOW64_32KEY);
  }
}
