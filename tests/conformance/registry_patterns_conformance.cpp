// Conformance: registry patterns of the setup and the uninstaller: a key tree removed by
// enumerating index 0 while deleting, the default value, REG_EXPAND_SZ read back unexpanded,
// names holding a forward slash, and a handle that outlives its key.
#include <string>
#include <vector>

#include "platform/os_registry.h"
#include "tests/conformance/conformance.h"

namespace {

constexpr char16_t kRoot[] = u"Software\\ZktConformancePatterns";

unsigned long U(os::DWORD v) { return static_cast<unsigned long>(v); }

os::HKEY Create(const std::u16string& path) {
  os::HKEY key = nullptr;
  os::RegCreateKeyExW(HKEY_CURRENT_USER, path, u"", 0, KEY_ALL_ACCESS, &key, nullptr);
  return key;
}

void SetText(os::HKEY key, const std::u16string& name, os::DWORD type, const std::u16string& s) {
  os::RegSetValueExW(key, name, type, s.c_str(), static_cast<os::DWORD>((s.size() + 1) * 2));
}

// "rc, type, size, text" of a string value.
void PrintText(const char* what, os::HKEY key, const std::u16string& name) {
  os::DWORD type = 0, size = 0;
  const os::LONG sized = os::RegQueryValueExW(key, name, &type, nullptr, &size);
  std::u16string value(size / 2, u'\0');
  os::DWORD read = size;
  const os::LONG rc =
      sized == ERROR_SUCCESS ? os::RegQueryValueExW(key, name, &type, value.data(), &read) : sized;
  while (!value.empty() && value.back() == u'\0') value.pop_back();
  conf::Line("%s: rc=%ld type=%lu size=%lu '%s'", what, static_cast<long>(rc), U(type), U(size),
             conf::U8(rc == ERROR_SUCCESS ? value : u"").c_str());
}

}  // namespace

// The uninstaller empties a key by enumerating index 0 and deleting what it names until the
// enumeration reports ERROR_NO_MORE_ITEMS.
CONFORMANCE_SCENARIO(registry_delete_by_index_zero, 19) {
  const std::u16string root = kRoot;
  for (const char16_t* name : {u"Beta", u"alpha", u"Gamma\\Inner", u"delta"})
    if (os::HKEY key = Create(root + u"\\Tree\\" + name)) os::RegCloseKey(key);
  os::HKEY tree = nullptr;
  os::RegOpenKeyExW(HKEY_CURRENT_USER, root + u"\\Tree", 0, KEY_ALL_ACCESS, &tree);
  for (int round = 0; round < 6 && tree; ++round) {
    std::u16string name;
    const os::LONG rc = os::RegEnumKeyExW(tree, 0, &name);
    if (rc != ERROR_SUCCESS) {
      conf::Line("round %d: enumeration rc=%ld", round, static_cast<long>(rc));
      break;
    }
    os::LONG deleted = os::RegDeleteKeyExW(tree, name, 0);
    if (deleted == ERROR_ACCESS_DENIED) {  // it has subkeys: remove them first
      conf::Line("round %d: %s has subkeys, delete rc=%ld", round, conf::U8(name).c_str(),
                 static_cast<long>(deleted));
      os::RegDeleteKeyExW(tree, name + u"\\Inner", 0);
      deleted = os::RegDeleteKeyExW(tree, name, 0);
    }
    conf::Line("round %d: index 0 is %s, delete rc=%ld", round, conf::U8(name).c_str(),
               static_cast<long>(deleted));
  }
  os::DWORD subKeys = 99;
  if (tree) os::RegQueryInfoKeyW(tree, nullptr, &subKeys, nullptr);
  conf::Line("subkeys left: %lu", U(subKeys));
  if (tree) os::RegCloseKey(tree);
  conf::Line("delete the emptied key: %ld",
             static_cast<long>(os::RegDeleteKeyExW(HKEY_CURRENT_USER, root + u"\\Tree", 0)));
}

CONFORMANCE_SCENARIO(registry_default_value, 19) {
  os::HKEY key = Create(std::u16string(kRoot) + u"\\Default");
  if (!key) return conf::Line("create failed");
  os::DWORD size = 0;
  conf::Line("query the unset default value: rc=%ld",
             static_cast<long>(os::RegQueryValueExW(key, u"", nullptr, nullptr, &size)));
  SetText(key, u"", REG_SZ, u"the default");
  PrintText("the default value", key, u"");
  std::u16string name = u"(unchanged)";
  os::DWORD type = 0;
  std::vector<os::BYTE> data;
  const os::LONG rc = os::RegEnumValueW(key, 0, &name, &type, &data);
  conf::Line("enumerated: rc=%ld name '%s' type %lu", static_cast<long>(rc), conf::U8(name).c_str(),
             U(type));
  conf::Line("delete it: rc=%ld, again: rc=%ld", static_cast<long>(os::RegDeleteValueW(key, u"")),
             static_cast<long>(os::RegDeleteValueW(key, u"")));
  os::RegCloseKey(key);
  os::RegDeleteKeyExW(HKEY_CURRENT_USER, std::u16string(kRoot) + u"\\Default", 0);
}

// A service's ImagePath holds %SystemRoot%: the registry keeps and returns it as written.
CONFORMANCE_SCENARIO(registry_expand_strings, 19) {
  os::HKEY key = Create(std::u16string(kRoot) + u"\\Expand");
  if (!key) return conf::Line("create failed");
  SetText(key, u"ImagePath", REG_EXPAND_SZ, u"%SystemRoot%\\System32\\drivers\\zkt.sys");
  SetText(key, u"Plain", REG_SZ, u"%SystemRoot%\\plain");
  PrintText("REG_EXPAND_SZ", key, u"ImagePath");
  PrintText("REG_SZ with a variable", key, u"Plain");
  // A string written without its terminating null is returned as stored.
  const std::u16string bare = u"bare";
  os::RegSetValueExW(key, u"Bare", REG_SZ, bare.data(), static_cast<os::DWORD>(bare.size() * 2));
  PrintText("REG_SZ without a terminator", key, u"Bare");
  os::RegCloseKey(key);
  os::RegDeleteKeyExW(HKEY_CURRENT_USER, std::u16string(kRoot) + u"\\Expand", 0);
}

// A forward slash is an ordinary character of a key's name, no separator.
CONFORMANCE_SCENARIO(registry_slash_in_names, 19) {
  const std::u16string root = kRoot;
  os::HKEY key = Create(root + u"\\with/slash");
  conf::Line("create 'with/slash': %s", key ? "handle" : "failed");
  if (key) os::RegCloseKey(key);
  os::HKEY parent = nullptr;
  os::RegOpenKeyExW(HKEY_CURRENT_USER, root, 0, KEY_ALL_ACCESS, &parent);
  for (os::DWORD i = 0; parent; ++i) {
    std::u16string name;
    const os::LONG rc = os::RegEnumKeyExW(parent, i, &name);
    if (rc != ERROR_SUCCESS) {
      conf::Line("subkey %lu: rc=%ld", U(i), static_cast<long>(rc));
      break;
    }
    conf::Line("subkey %lu: %s", U(i), conf::U8(name).c_str());
  }
  if (parent) os::RegCloseKey(parent);
  os::HKEY nested = nullptr;
  conf::Line("open 'with' alone: rc=%ld",
             static_cast<long>(
                 os::RegOpenKeyExW(HKEY_CURRENT_USER, root + u"\\with", 0, KEY_READ, &nested)));
  if (nested) os::RegCloseKey(nested);
  conf::Line("delete 'with/slash': rc=%ld",
             static_cast<long>(os::RegDeleteKeyExW(HKEY_CURRENT_USER, root + u"\\with/slash", 0)));
  // The last of these scenarios by name: the patterns key goes with it.
  conf::Line("remove the patterns key: rc=%ld",
             static_cast<long>(os::RegDeleteKeyExW(HKEY_CURRENT_USER, kRoot, 0)));
}

// A key deleted through one handle is gone for the others: they can neither write nor create
// below it.
CONFORMANCE_SCENARIO(registry_handle_outlives_key, 19) {
  const std::u16string path = std::u16string(kRoot) + u"\\Doomed";
  os::HKEY held = Create(path);
  if (!held) return conf::Line("create failed");
  conf::Line("delete it while a handle is open: rc=%ld",
             static_cast<long>(os::RegDeleteKeyExW(HKEY_CURRENT_USER, path, 0)));
  os::HKEY child = nullptr;
  conf::Line("create a child through the held handle: rc=%ld",
             static_cast<long>(
                 os::RegCreateKeyExW(held, u"Child", u"", 0, KEY_ALL_ACCESS, &child, nullptr)));
  if (child) os::RegCloseKey(child);
  os::DWORD size = 0;
  conf::Line("query through it: rc=%ld",
             static_cast<long>(os::RegQueryValueExW(held, u"x", nullptr, nullptr, &size)));
  std::u16string name;
  conf::Line("enumerate through it: rc=%ld", static_cast<long>(os::RegEnumKeyExW(held, 0, &name)));
  conf::Line("close it: rc=%ld", static_cast<long>(os::RegCloseKey(held)));
  os::HKEY again = Create(path);
  conf::Line("created anew: %s", again ? "handle" : "failed");
  if (again) os::RegCloseKey(again);
  os::RegDeleteKeyExW(HKEY_CURRENT_USER, path, 0);
}
