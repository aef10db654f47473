// The registry of the simulated machine: HKLM and HKCU as a tree of keys, saved as
// registry.reg in the registry editor's version 5 text format.
//
// The operations below are what os_registry.h does on the sim (sim_registry_api.cpp adds the
// fault injection): Windows' error codes, access checks, 32/64-bit views of HKLM\SOFTWARE and
// a table of open handles. One lock guards tree and table, so any thread may call them.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/os_types.h"
#include "platform/sim/sim_handle_table.h"

// Codes the registry gives that the shared list does not carry (same values as Windows).
#ifndef ERROR_BAD_PATHNAME
#define ERROR_BAD_PATHNAME 161L
#endif
#ifndef ERROR_NOACCESS
#define ERROR_NOACCESS 998L
#endif
#ifndef ERROR_CHILD_MUST_BE_VOLATILE
#define ERROR_CHILD_MUST_BE_VOLATILE 1021L
#endif

namespace sim {

class Machine;

struct RegValue {
  std::u16string name;  // "" is the default value
  os::DWORD type = REG_NONE;
  std::vector<os::BYTE> data;
};

struct RegKey {
  std::u16string name;  // case as created
  std::u16string keyClass;
  bool isVolatile = false;
  bool deleted = false;  // set when the key leaves the tree; handles to it then fail
  // A key whose security grants the administrator only `rights` (registry.reg ";rights=");
  // other keys grant every right.
  bool restricted = false;
  os::REGSAM rights = 0;
  std::vector<RegValue> values;  // creation order, as Windows enumerates them
  // Keyed by the upper-cased name: the ordinal upper-case order Windows enumerates in.
  std::map<std::u16string, std::shared_ptr<RegKey>> subkeys;

  RegValue* FindValue(const std::u16string& valueName);
  RegKey* FindSubkey(const std::u16string& keyName) const;
  RegKey& AddSubkey(const std::u16string& keyName);  // existing one or a new one
};

class Registry {
 public:
  Registry();
  ~Registry();
  // Empties both roots and forgets every open handle.
  void Clear();
  // The keys a fresh Windows installation has (Run, Uninstall, Services ...).
  void InstallDefaults(const Machine& machine);
  // registry.reg: Load replaces the whole tree only when the file is sound; otherwise the
  // tree stays as it was and `error` names the line.
  bool Load(const std::filesystem::path& file, std::string* error);
  bool Save(const std::filesystem::path& file, std::string* error) const;
  // Same keys (names with case, classes, volatility) and values (order, name, type, bytes).
  bool Equals(const Registry& other) const;

  // ---- the os_registry.h operations ----
  os::LONG CreateKey(os::HKEY base, const std::u16string& subKey, const std::u16string& keyClass,
                     os::DWORD options, os::REGSAM access, os::HKEY* result,
                     os::DWORD* disposition);
  os::LONG OpenKey(os::HKEY base, const std::u16string& subKey, os::REGSAM access,
                   os::HKEY* result);
  os::LONG CloseKey(os::HKEY key);
  os::LONG FlushKey(os::HKEY key);
  os::LONG SetValue(os::HKEY key, const std::u16string& name, os::DWORD type, const void* data,
                    os::DWORD size);
  os::LONG QueryValue(os::HKEY key, const std::u16string& name, os::DWORD* type, void* data,
                      os::DWORD* size);
  os::LONG DeleteValue(os::HKEY key, const std::u16string& name);
  os::LONG DeleteKey(os::HKEY base, const std::u16string& subKey, os::REGSAM view);
  os::LONG EnumKey(os::HKEY key, os::DWORD index, std::u16string* name);
  os::LONG EnumValue(os::HKEY key, os::DWORD index, std::u16string* name, os::DWORD* type,
                     std::vector<os::BYTE>* data);
  os::LONG QueryInfo(os::HKEY key, std::u16string* keyClass, os::DWORD* subKeys, os::DWORD* values);

  // The full path a call names, with the registry view applied
  // ("HKEY_LOCAL_MACHINE\SOFTWARE\WOW6432Node\..."): the subject of injected faults.
  std::u16string PathOf(os::HKEY base, const std::u16string& subKey, os::REGSAM access) const;

 private:
  enum class Root { LocalMachine, CurrentUser };
  struct Handle {
    std::shared_ptr<RegKey> key;
    os::REGSAM access = 0;
    Root root = Root::LocalMachine;
    std::vector<std::u16string> path;  // components below the root, as stored
    bool view32 = false;               // the view the key was opened in
  };
  struct Target {
    Root root = Root::LocalMachine;
    std::vector<std::u16string> path;
    bool view32 = false;
  };
  struct Views {
    bool windows64 = false;
    bool process32 = false;
  };

  static Views CurrentViews();
  static const char16_t* RootName(Root root);
  std::shared_ptr<RegKey>& RootKey(Root root);
  const std::shared_ptr<RegKey>& RootKey(Root root) const;
  os::LONG Resolve(os::HKEY base, const std::u16string& subKey, os::REGSAM access,
                   const Views& views, Target* target) const;
  // The key behind a handle, checked for the access right `needed` (0: none).
  os::LONG KeyFor(os::HKEY key, os::REGSAM needed, RegKey** out);
  RegKey* Walk(const Target& target) const;
  os::HKEY NewHandle(const Target& target, const std::shared_ptr<RegKey>& key, os::REGSAM access);
  static std::u16string JoinPath(Root root, const std::vector<std::u16string>& path);

  // registry.reg text (sim_registry_file.cpp).
  std::u16string ToRegText(std::string* error) const;
  bool FromRegText(const std::u16string& text, const std::string& fileName, std::string* error);

  mutable std::mutex mutex_;
  std::shared_ptr<RegKey> localMachine_;
  std::shared_ptr<RegKey> currentUser_;
  HandleTable<os::HKEY, Handle> handles_{0x100, 4};
};

}  // namespace sim
