// Conformance: values at the edges the setup's writers meet (empty data, a large value), a key
// opened without rights, a deep path created in one call, and key names that are not trimmed
// as file names are.
#include <string>
#include <vector>

#include "platform/os_registry.h"
#include "tests/conformance/conformance.h"

namespace {

constexpr char16_t kRoot[] = u"Software\\ZktConformanceEdges";

long L(os::LONG v) { return static_cast<long>(v); }
unsigned long U(os::DWORD v) { return static_cast<unsigned long>(v); }

os::HKEY Create(const std::u16string& path, os::DWORD* disposition = nullptr) {
  os::HKEY key = nullptr;
  os::RegCreateKeyExW(HKEY_CURRENT_USER, path, u"", 0, KEY_ALL_ACCESS, &key, disposition);
  return key;
}

}  // namespace

CONFORMANCE_SCENARIO(registry_empty_values, 18) {
  os::HKEY key = Create(std::u16string(kRoot) + u"\\Empty");
  if (!key) return conf::Line("create failed");
  const char16_t nul[] = {0};
  const struct {
    const char* what;
    os::DWORD type;
    const void* data;
    os::DWORD size;
  } values[] = {{"REG_SZ of no bytes", REG_SZ, nul, 0},
                {"REG_SZ of one null", REG_SZ, nul, 2},
                {"REG_BINARY of no bytes", REG_BINARY, nul, 0},
                {"REG_MULTI_SZ of one null", REG_MULTI_SZ, nul, 2},
                {"REG_DWORD of no bytes", REG_DWORD, nul, 0}};
  for (const auto& v : values) {
    const os::LONG set = os::RegSetValueExW(key, u"v", v.type, v.data, v.size);
    os::DWORD type = 0, size = 64;
    char16_t buffer[32] = {u'x', u'x'};
    const os::LONG rc = os::RegQueryValueExW(key, u"v", &type, buffer, &size);
    conf::Line("%s: set %ld, query %ld type %lu size %lu", v.what, L(set), L(rc), U(type), U(size));
    os::RegDeleteValueW(key, u"v");
  }
  os::RegCloseKey(key);
  os::RegDeleteKeyExW(HKEY_CURRENT_USER, std::u16string(kRoot) + u"\\Empty", 0);
}

CONFORMANCE_SCENARIO(registry_large_value, 18) {
  os::HKEY key = Create(std::u16string(kRoot) + u"\\Large");
  if (!key) return conf::Line("create failed");
  for (std::size_t size : {65536u, 1048576u}) {
    std::vector<os::BYTE> data(size);
    for (std::size_t i = 0; i < size; ++i) data[i] = static_cast<os::BYTE>(i * 7 + i / 256);
    const os::LONG set =
        os::RegSetValueExW(key, u"blob", REG_BINARY, data.data(), static_cast<os::DWORD>(size));
    std::vector<os::BYTE> back(size + 16);
    os::DWORD type = 0, read = static_cast<os::DWORD>(back.size());
    const os::LONG rc = os::RegQueryValueExW(key, u"blob", &type, back.data(), &read);
    back.resize(read);
    conf::Line("%zu bytes: set %ld, query %ld, size %lu, same bytes %s", size, L(set), L(rc),
               U(read), back == data ? "yes" : "no");
  }
  os::RegCloseKey(key);
  os::RegDeleteKeyExW(HKEY_CURRENT_USER, std::u16string(kRoot) + u"\\Large", 0);
}

CONFORMANCE_SCENARIO(registry_key_without_rights, 18) {
  const std::u16string path = std::u16string(kRoot) + u"\\NoRights";
  if (os::HKEY key = Create(path)) os::RegCloseKey(key);
  os::HKEY none = nullptr;
  conf::Line("open with no access rights: %ld",
             L(os::RegOpenKeyExW(HKEY_CURRENT_USER, path, 0, 0, &none)));
  if (!none) return;
  const os::DWORD value = 1;
  os::DWORD size = 4;
  std::u16string name;
  conf::Line("  set %ld, query %ld, enumerate %ld",
             L(os::RegSetValueExW(none, u"v", REG_DWORD, &value, 4)),
             L(os::RegQueryValueExW(none, u"v", nullptr, nullptr, &size)),
             L(os::RegEnumKeyExW(none, 0, &name)));
  os::HKEY child = nullptr;
  conf::Line("  create a child: %ld",
             L(os::RegCreateKeyExW(none, u"Child", u"", 0, KEY_READ, &child, nullptr)));
  if (child) os::RegCloseKey(child);
  os::RegCloseKey(none);
  os::RegDeleteKeyExW(HKEY_CURRENT_USER, path, 0);
}

CONFORMANCE_SCENARIO(registry_deep_create, 18) {
  const std::u16string top = std::u16string(kRoot) + u"\\Deep";
  os::DWORD disposition = 0;
  os::HKEY key = Create(top + u"\\a\\b\\c\\d", &disposition);
  conf::Line("create four levels in one call: %s, disposition %lu", key ? "handle" : "failed",
             U(disposition));
  if (key) os::RegCloseKey(key);
  os::HKEY middle = nullptr;
  conf::Line("open the level between: %ld",
             L(os::RegOpenKeyExW(HKEY_CURRENT_USER, top + u"\\a\\b", 0, KEY_READ, &middle)));
  if (middle) os::RegCloseKey(middle);
  conf::Line("delete the top: %ld", L(os::RegDeleteKeyExW(HKEY_CURRENT_USER, top, 0)));
  for (const char16_t* level : {u"\\a\\b\\c\\d", u"\\a\\b\\c", u"\\a\\b", u"\\a", u""})
    conf::Line("delete %s: %ld", level[0] ? conf::U8(level).c_str() : "the top",
               L(os::RegDeleteKeyExW(HKEY_CURRENT_USER, top + level, 0)));
}

// Unlike file names, key names keep trailing blanks and dots.
CONFORMANCE_SCENARIO(registry_names_not_trimmed, 18) {
  const std::u16string base = std::u16string(kRoot) + u"\\Trim\\";
  for (const char16_t* name : {u"Key", u"Key ", u"Key.", u" Key"}) {
    os::DWORD disposition = 0;
    os::HKEY key = Create(base + name, &disposition);
    conf::Line("'%s': disposition %lu", conf::U8(name).c_str(), U(disposition));
    if (key) os::RegCloseKey(key);
  }
  for (const char16_t* name : {u"Key", u"Key ", u"Key.", u" Key"})
    os::RegDeleteKeyExW(HKEY_CURRENT_USER, base + name, 0);
  os::RegDeleteKeyExW(HKEY_CURRENT_USER, std::u16string(kRoot) + u"\\Trim", 0);
  conf::Line("remove the edges key: %ld", L(os::RegDeleteKeyExW(HKEY_CURRENT_USER, kRoot, 0)));
}
