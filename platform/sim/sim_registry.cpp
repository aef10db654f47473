// Simulated machine: the registry tree, its handles and the Windows rules of each operation.
#include "platform/sim/sim_registry.h"

#include <algorithm>
#include <cstring>

#include "platform/sim/sim_machine.h"
#include "platform/text.h"

namespace sim {

namespace {

constexpr std::uintptr_t kPredefinedFirst = 0x80000000u;
constexpr std::uintptr_t kPredefinedLast = 0x80000006u;  // HKCR .. HKEY_DYN_DATA
constexpr std::size_t kMaxKeyNameLength = 255;
constexpr std::size_t kMaxValueNameLength = 16383;
const char16_t kWow6432Node[] = u"WOW6432Node";

constexpr os::REGSAM kGenericRead = 0x80000000u;
constexpr os::REGSAM kGenericWrite = 0x40000000u;
constexpr os::REGSAM kGenericExecute = 0x20000000u;
constexpr os::REGSAM kGenericAll = 0x10000000u;
constexpr os::REGSAM kMaximumAllowed = MAXIMUM_ALLOWED;

// Generic and maximum rights become the specific key rights they stand for; the view flags
// choose a view and are no rights of the handle.
os::REGSAM NormalizeAccess(os::REGSAM sam) {
  os::REGSAM out = sam & ~(KEY_WOW64_32KEY | KEY_WOW64_64KEY | kGenericRead | kGenericWrite |
                           kGenericExecute | kGenericAll | kMaximumAllowed);
  if (sam & (kGenericRead | kGenericExecute)) out |= KEY_READ;
  if (sam & kGenericWrite) out |= KEY_WRITE;
  if (sam & (kGenericAll | kMaximumAllowed)) out |= KEY_ALL_ACCESS;
  return out;
}

// The rights a handle to `key` gets: those asked for, and with MAXIMUM_ALLOWED everything the
// key grants. A restricted key refuses a request for a right it does not grant.
os::LONG GrantAccess(const RegKey& key, os::REGSAM requested, os::REGSAM* granted) {
  const os::REGSAM asked = NormalizeAccess(requested & ~kMaximumAllowed);
  if (!key.restricted) {
    *granted = NormalizeAccess(requested);
    return ERROR_SUCCESS;
  }
  if ((asked & key.rights) != asked) return ERROR_ACCESS_DENIED;
  *granted = (requested & kMaximumAllowed) ? (asked | key.rights) : asked;
  return ERROR_SUCCESS;
}

std::uintptr_t HandleValue(os::HKEY key) { return reinterpret_cast<std::uintptr_t>(key); }

// Windows looks only at the low 32 bits of a predefined key.
bool IsPredefined(os::HKEY key) {
  const std::uintptr_t v = HandleValue(key) & 0xFFFFFFFFu;
  return v >= kPredefinedFirst && v <= kPredefinedLast;
}

// Key path components; repeated and trailing backslashes are skipped as Windows does.
std::vector<std::u16string> SplitPath(const std::u16string& path) {
  std::vector<std::u16string> parts;
  std::size_t start = 0;
  while (start <= path.size()) {
    std::size_t end = path.find(u'\\', start);
    if (end == std::u16string::npos) end = path.size();
    if (end > start) parts.push_back(path.substr(start, end - start));
    start = end + 1;
  }
  return parts;
}

bool IsSoftware(const std::u16string& name) { return text::EqualsNoCase(name, u"SOFTWARE"); }
bool IsWow6432Node(const std::u16string& name) { return text::EqualsNoCase(name, kWow6432Node); }

void SetString(RegKey& key, const std::u16string& name, const std::u16string& value) {
  RegValue v{name, REG_SZ, {}};
  const auto* bytes = reinterpret_cast<const os::BYTE*>(value.c_str());
  v.data.assign(bytes, bytes + (value.size() + 1) * sizeof(char16_t));
  if (RegValue* old = key.FindValue(name)) *old = v;
  else key.values.push_back(v);
}

void SetDword(RegKey& key, const std::u16string& name, os::DWORD value) {
  RegValue v{name, REG_DWORD, std::vector<os::BYTE>(4)};
  for (int i = 0; i < 4; ++i) v.data[i] = static_cast<os::BYTE>(value >> (8 * i));
  if (RegValue* old = key.FindValue(name)) *old = v;
  else key.values.push_back(v);
}

RegKey& AddPath(RegKey& root, const std::u16string& path) {
  RegKey* key = &root;
  for (const auto& part : SplitPath(path)) key = &key->AddSubkey(part);
  return *key;
}

void MarkDeleted(RegKey& key) {
  key.deleted = true;
  for (auto& [upper, sub] : key.subkeys) MarkDeleted(*sub);
}

bool SameTree(const RegKey& a, const RegKey& b) {
  if (a.name != b.name || a.keyClass != b.keyClass || a.isVolatile != b.isVolatile ||
      a.restricted != b.restricted || a.rights != b.rights || a.values.size() != b.values.size() ||
      a.subkeys.size() != b.subkeys.size())
    return false;
  for (std::size_t i = 0; i < a.values.size(); ++i)
    if (a.values[i].name != b.values[i].name || a.values[i].type != b.values[i].type ||
        a.values[i].data != b.values[i].data)
      return false;
  for (auto ia = a.subkeys.begin(), ib = b.subkeys.begin(); ia != a.subkeys.end(); ++ia, ++ib)
    if (ia->first != ib->first || !SameTree(*ia->second, *ib->second)) return false;
  return true;
}

}  // namespace

// ---- RegKey ----

RegValue* RegKey::FindValue(const std::u16string& valueName) {
  for (auto& v : values)
    if (text::EqualsNoCase(v.name, valueName)) return &v;
  return nullptr;
}

RegKey* RegKey::FindSubkey(const std::u16string& keyName) const {
  const auto it = subkeys.find(text::ToUpper(keyName));
  return it == subkeys.end() ? nullptr : it->second.get();
}

RegKey& RegKey::AddSubkey(const std::u16string& keyName) {
  auto& slot = subkeys[text::ToUpper(keyName)];
  if (!slot) {
    slot = std::make_shared<RegKey>();
    slot->name = keyName;
  }
  return *slot;
}

// ---- Registry: tree ----

Registry::Registry()
    : localMachine_(std::make_shared<RegKey>()), currentUser_(std::make_shared<RegKey>()) {
  localMachine_->name = RootName(Root::LocalMachine);
  currentUser_->name = RootName(Root::CurrentUser);
}

Registry::~Registry() = default;

void Registry::Clear() {
  std::lock_guard<std::mutex> lock(mutex_);
  MarkDeleted(*localMachine_);
  MarkDeleted(*currentUser_);
  localMachine_ = std::make_shared<RegKey>();
  localMachine_->name = RootName(Root::LocalMachine);
  currentUser_ = std::make_shared<RegKey>();
  currentUser_->name = RootName(Root::CurrentUser);
  handles_.Clear();
}

void Registry::InstallDefaults(const Machine& machine) {
  std::lock_guard<std::mutex> lock(mutex_);
  RegKey& hklm = *localMachine_;
  RegKey& hkcu = *currentUser_;
  AddPath(hklm, u"SYSTEM\\CurrentControlSet\\Services");
  AddPath(hklm, u"SYSTEM\\CurrentControlSet\\Control\\Class");
  AddPath(hklm, u"SYSTEM\\CurrentControlSet\\Control\\Session Manager");
  AddPath(hkcu, u"Software\\Microsoft\\Windows\\CurrentVersion\\Run");
  AddPath(hkcu, u"Environment");

  // The software keys exist in both views on 64-bit Windows.
  std::vector<std::u16string> softwareRoots = {u"SOFTWARE"};
  if (machine.Is64BitWindows()) softwareRoots.push_back(u"SOFTWARE\\WOW6432Node");
  const os::DWORD major = machine.MajorVersion(), minor = machine.MinorVersion();
  // Windows 8.1 and later keep "6.3" here for old programs; the real number is in the DWORDs.
  const std::u16string currentVersion =
      major >= 10 ? u"6.3" : text::FromUtf8(std::to_string(major) + "." + std::to_string(minor));
  const std::u16string build = text::FromUtf8(std::to_string(machine.BuildNumber()));
  for (const auto& software : softwareRoots) {
    AddPath(hklm, software + u"\\Microsoft\\Windows\\CurrentVersion\\Run");
    AddPath(hklm, software + u"\\Microsoft\\Windows\\CurrentVersion\\Uninstall");
    RegKey& nt = AddPath(hklm, software + u"\\Microsoft\\Windows NT\\CurrentVersion");
    SetString(nt, u"CurrentVersion", currentVersion);
    SetString(nt, u"CurrentBuild", build);
    SetString(nt, u"CurrentBuildNumber", build);
    if (major >= 10) {
      SetDword(nt, u"CurrentMajorVersionNumber", major);
      SetDword(nt, u"CurrentMinorVersionNumber", minor);
    }
    if (machine.ServicePack() > 0)
      SetString(nt, u"CSDVersion",
                u"Service Pack " + text::FromUtf8(std::to_string(machine.ServicePack())));
  }

  // The program files folders as each view's programs are to use them: a 32-bit program reads
  // "Program Files (x86)" as its ProgramFilesDir; the W6432 values name the native folders.
  const std::u16string native = u"C:\\Program Files", nativeCommon = native + u"\\Common Files";
  const std::u16string x86 = u"C:\\Program Files (x86)", x86Common = x86 + u"\\Common Files";
  for (const auto& software : softwareRoots) {
    RegKey& folders = AddPath(hklm, software + u"\\Microsoft\\Windows\\CurrentVersion");
    const bool thirtyTwo = software != u"SOFTWARE";
    SetString(folders, u"ProgramFilesDir", thirtyTwo ? x86 : native);
    SetString(folders, u"CommonFilesDir", thirtyTwo ? x86Common : nativeCommon);
    if (!machine.Is64BitWindows()) continue;
    SetString(folders, u"ProgramFilesDir (x86)", x86);
    SetString(folders, u"CommonFilesDir (x86)", x86Common);
    SetString(folders, u"ProgramW6432Dir", native);
    SetString(folders, u"CommonW6432Dir", nativeCommon);
  }
}

bool Registry::Equals(const Registry& other) const {
  if (this == &other) return true;
  std::scoped_lock lock(mutex_, other.mutex_);
  return SameTree(*localMachine_, *other.localMachine_) &&
         SameTree(*currentUser_, *other.currentUser_);
}

const char16_t* Registry::RootName(Root root) {
  return root == Root::LocalMachine ? u"HKEY_LOCAL_MACHINE" : u"HKEY_CURRENT_USER";
}

std::shared_ptr<RegKey>& Registry::RootKey(Root root) {
  return root == Root::LocalMachine ? localMachine_ : currentUser_;
}

const std::shared_ptr<RegKey>& Registry::RootKey(Root root) const {
  return root == Root::LocalMachine ? localMachine_ : currentUser_;
}

std::u16string Registry::JoinPath(Root root, const std::vector<std::u16string>& path) {
  std::u16string out = RootName(root);
  for (const auto& part : path) out += u"\\" + part;
  return out;
}

// ---- Registry: handles and paths ----

namespace {

// The keys below HKLM\SOFTWARE that Windows 7 and later share between the two views ("Registry
// Keys Affected by WOW64", Microsoft Learn), with everything below them.
constexpr const char16_t* kSharedKeys[] = {
    u"Classes\\HCP",
    u"Microsoft\\COM3",
    u"Microsoft\\Cryptography\\Calais\\Current",
    u"Microsoft\\Cryptography\\Calais\\Readers",
    u"Microsoft\\Cryptography\\Services",
    u"Microsoft\\CTF\\SystemShared",
    u"Microsoft\\CTF\\TIP",
    u"Microsoft\\DFS",
    u"Microsoft\\Driver Signing",
    u"Microsoft\\EnterpriseCertificates",
    u"Microsoft\\EventSystem",
    u"Microsoft\\MSMQ",
    u"Microsoft\\Non-Driver Signing",
    u"Microsoft\\Notepad\\DefaultFonts",
    u"Microsoft\\OLE",
    u"Microsoft\\RAS",
    u"Microsoft\\RPC",
    u"Microsoft\\Shared Tools\\MSInfo",
    u"Microsoft\\SystemCertificates",
    u"Microsoft\\TermServLicensing",
    u"Microsoft\\TransactionServer",
    u"Microsoft\\Windows\\CurrentVersion\\App Paths",
    u"Microsoft\\Windows\\CurrentVersion\\Control Panel\\Cursors\\Schemes",
    u"Microsoft\\Windows\\CurrentVersion\\Explorer\\AutoplayHandlers",
    u"Microsoft\\Windows\\CurrentVersion\\Explorer\\DriveIcons",
    u"Microsoft\\Windows\\CurrentVersion\\Explorer\\KindMap",
    u"Microsoft\\Windows\\CurrentVersion\\Group Policy",
    u"Microsoft\\Windows\\CurrentVersion\\Policies",
    u"Microsoft\\Windows\\CurrentVersion\\PreviewHandlers",
    u"Microsoft\\Windows\\CurrentVersion\\Setup",
    u"Microsoft\\Windows\\CurrentVersion\\Telephony\\Locations",
    u"Microsoft\\Windows NT\\CurrentVersion\\Console",
    u"Microsoft\\Windows NT\\CurrentVersion\\FontDpi",
    u"Microsoft\\Windows NT\\CurrentVersion\\FontLink",
    u"Microsoft\\Windows NT\\CurrentVersion\\FontMapper",
    u"Microsoft\\Windows NT\\CurrentVersion\\Fonts",
    u"Microsoft\\Windows NT\\CurrentVersion\\FontSubstitutes",
    u"Microsoft\\Windows NT\\CurrentVersion\\Gre_Initialize",
    u"Microsoft\\Windows NT\\CurrentVersion\\Image File Execution Options",
    u"Microsoft\\Windows NT\\CurrentVersion\\LanguagePack",
    u"Microsoft\\Windows NT\\CurrentVersion\\NetworkCards",
    u"Microsoft\\Windows NT\\CurrentVersion\\Perflib",
    u"Microsoft\\Windows NT\\CurrentVersion\\Ports",
    u"Microsoft\\Windows NT\\CurrentVersion\\Print",
    u"Microsoft\\Windows NT\\CurrentVersion\\ProfileList",
    u"Microsoft\\Windows NT\\CurrentVersion\\Time Zones",
    u"Policies",
    u"RegisteredApplications",
};

// `path` starts with SOFTWARE; true when the rest lies in (or is) a shared key.
bool IsSharedKey(const std::vector<std::u16string>& path) {
  for (const char16_t* shared : kSharedKeys) {
    const std::vector<std::u16string> parts = SplitPath(shared);
    if (path.size() < parts.size() + 1) continue;
    bool same = true;
    for (std::size_t i = 0; same && i < parts.size(); ++i)
      same = text::EqualsNoCase(path[i + 1], parts[i]);
    if (same) return true;
  }
  return false;
}

}  // namespace

Registry::Views Registry::CurrentViews() {
  const Machine& m = Machine::Current();
  return {m.Is64BitWindows(), m.UnderWow64()};
}

os::LONG Registry::Resolve(os::HKEY base, const std::u16string& subKey, os::REGSAM access,
                           const Views& views, Target* target) const {
  bool baseView32 = false;
  if (IsPredefined(base)) {
    const std::uintptr_t v = HandleValue(base) & 0xFFFFFFFFu;
    if (v == (HandleValue(HKEY_LOCAL_MACHINE) & 0xFFFFFFFFu)) target->root = Root::LocalMachine;
    else if (v == (HandleValue(HKEY_CURRENT_USER) & 0xFFFFFFFFu)) target->root = Root::CurrentUser;
    else return ERROR_INVALID_HANDLE;  // HKCR, HKU ... are not part of this machine
    target->path.clear();
    baseView32 = views.process32;
  } else {
    const Handle* open = handles_.Find(base);
    if (!open) return ERROR_INVALID_HANDLE;
    if (open->key->deleted) return ERROR_KEY_DELETED;
    target->root = open->root;
    target->path = open->path;
    baseView32 = open->view32;
  }
  if (!subKey.empty() && subKey[0] == u'\\') return ERROR_BAD_PATHNAME;
  for (auto& part : SplitPath(subKey)) {
    if (part.size() > kMaxKeyNameLength) return ERROR_INVALID_PARAMETER;
    target->path.push_back(std::move(part));
  }
  // A call's own view flag wins; without one the key is opened in the view of its parent.
  bool view32 = baseView32;
  if (access & KEY_WOW64_32KEY) view32 = true;
  else if (access & KEY_WOW64_64KEY) view32 = false;
  target->view32 = views.windows64 && view32;
  auto& path = target->path;
  if (target->view32 && target->root == Root::LocalMachine && !path.empty() &&
      IsSoftware(path[0]) && !(path.size() > 1 && IsWow6432Node(path[1])) && !IsSharedKey(path))
    path.insert(path.begin() + 1, kWow6432Node);
  return ERROR_SUCCESS;
}

RegKey* Registry::Walk(const Target& target) const {
  RegKey* key = RootKey(target.root).get();
  for (const auto& part : target.path) {
    key = key->FindSubkey(part);
    if (!key) return nullptr;
  }
  return key;
}

os::HKEY Registry::NewHandle(const Target& target, const std::shared_ptr<RegKey>& key,
                             os::REGSAM access) {
  return handles_.Add(
      Handle{key, NormalizeAccess(access), target.root, target.path, target.view32});
}

os::LONG Registry::KeyFor(os::HKEY key, os::REGSAM needed, RegKey** out) {
  if (IsPredefined(key)) {
    Target target;
    const os::LONG rc = Resolve(key, u"", 0, Views{}, &target);
    if (rc != ERROR_SUCCESS) return rc;
    *out = RootKey(target.root).get();  // the predefined keys carry every right
    return ERROR_SUCCESS;
  }
  const Handle* open = handles_.Find(key);
  if (!open) return ERROR_INVALID_HANDLE;
  if (open->key->deleted) return ERROR_KEY_DELETED;
  if ((open->access & needed) != needed) return ERROR_ACCESS_DENIED;
  *out = open->key.get();
  return ERROR_SUCCESS;
}

std::u16string Registry::PathOf(os::HKEY base, const std::u16string& subKey,
                                os::REGSAM access) const {
  const Views views = CurrentViews();
  std::lock_guard<std::mutex> lock(mutex_);
  Target target;
  if (Resolve(base, subKey, access, views, &target) != ERROR_SUCCESS) return subKey;
  return JoinPath(target.root, target.path);
}

// ---- Registry: operations ----

os::LONG Registry::CreateKey(os::HKEY base, const std::u16string& subKey,
                             const std::u16string& keyClass, os::DWORD options, os::REGSAM access,
                             os::HKEY* result, os::DWORD* disposition) {
  if (!result) return ERROR_INVALID_PARAMETER;
  *result = nullptr;  // Windows clears the handle of a failed call
  const Views views = CurrentViews();
  std::lock_guard<std::mutex> lock(mutex_);
  Target target;
  if (const os::LONG rc = Resolve(base, subKey, access, views, &target)) return rc;
  const bool makeVolatile = (options & REG_OPTION_VOLATILE) != 0;
  // Walk down, then check every key that would be new before changing anything.
  std::shared_ptr<RegKey> key = RootKey(target.root);
  std::size_t depth = 0;
  for (; depth < target.path.size(); ++depth) {
    const auto it = key->subkeys.find(text::ToUpper(target.path[depth]));
    if (it == key->subkeys.end()) break;
    key = it->second;
  }
  os::DWORD outcome = REG_OPENED_EXISTING_KEY;
  if (depth < target.path.size()) {
    // Below HKEY_LOCAL_MACHINE only the hives exist; nobody may add one.
    if (target.root == Root::LocalMachine && depth == 0) return ERROR_ACCESS_DENIED;
    if (key->isVolatile && !makeVolatile) return ERROR_CHILD_MUST_BE_VOLATILE;
    for (; depth < target.path.size(); ++depth) {
      auto child = std::make_shared<RegKey>();
      child->name = target.path[depth];
      child->isVolatile = makeVolatile;
      key->subkeys[text::ToUpper(child->name)] = child;
      key = child;
    }
    key->keyClass = keyClass;  // only a key that this call creates takes the class
    outcome = REG_CREATED_NEW_KEY;
  }
  os::REGSAM granted = 0;
  if (const os::LONG rc = GrantAccess(*key, access, &granted)) return rc;
  *result = NewHandle(target, key, granted);
  if (disposition) *disposition = outcome;
  return ERROR_SUCCESS;
}

os::LONG Registry::OpenKey(os::HKEY base, const std::u16string& subKey, os::REGSAM access,
                           os::HKEY* result) {
  if (!result) return ERROR_INVALID_PARAMETER;
  *result = nullptr;  // Windows clears the handle of a failed call
  const Views views = CurrentViews();
  std::lock_guard<std::mutex> lock(mutex_);
  Target target;
  if (const os::LONG rc = Resolve(base, subKey, access, views, &target)) return rc;
  // An empty name under a predefined key gives back that predefined key itself.
  if (IsPredefined(base) && target.path.empty()) {
    *result = base;
    return ERROR_SUCCESS;
  }
  std::shared_ptr<RegKey> key = RootKey(target.root);
  for (const auto& part : target.path) {
    const auto it = key->subkeys.find(text::ToUpper(part));
    if (it == key->subkeys.end()) return ERROR_FILE_NOT_FOUND;
    key = it->second;
  }
  os::REGSAM granted = 0;
  if (const os::LONG rc = GrantAccess(*key, access, &granted)) return rc;
  *result = NewHandle(target, key, granted);
  return ERROR_SUCCESS;
}

os::LONG Registry::CloseKey(os::HKEY key) {
  if (IsPredefined(key)) return ERROR_SUCCESS;
  std::lock_guard<std::mutex> lock(mutex_);
  return handles_.Remove(key) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}

// The machine writes registry.reg at the end of a run; flushing only checks the handle.
os::LONG Registry::FlushKey(os::HKEY key) {
  std::lock_guard<std::mutex> lock(mutex_);
  RegKey* k = nullptr;
  return KeyFor(key, 0, &k);
}

os::LONG Registry::SetValue(os::HKEY key, const std::u16string& name, os::DWORD type,
                            const void* data, os::DWORD size) {
  std::lock_guard<std::mutex> lock(mutex_);
  RegKey* k = nullptr;
  if (const os::LONG rc = KeyFor(key, KEY_SET_VALUE, &k)) return rc;
  if (!data && size > 0) return ERROR_NOACCESS;
  if (name.size() > kMaxValueNameLength) return ERROR_INVALID_PARAMETER;
  const auto* bytes = static_cast<const os::BYTE*>(data);
  std::vector<os::BYTE> stored(bytes, bytes + size);
  if (RegValue* v = k->FindValue(name)) {
    v->type = type;  // the name keeps the case it was created with
    v->data = std::move(stored);
  } else {
    k->values.push_back(RegValue{name, type, std::move(stored)});
  }
  return ERROR_SUCCESS;
}

os::LONG Registry::QueryValue(os::HKEY key, const std::u16string& name, os::DWORD* type, void* data,
                              os::DWORD* size) {
  std::lock_guard<std::mutex> lock(mutex_);
  RegKey* k = nullptr;
  if (const os::LONG rc = KeyFor(key, KEY_QUERY_VALUE, &k)) return rc;
  if (data && !size) return ERROR_INVALID_PARAMETER;
  const RegValue* v = k->FindValue(name);
  if (!v) return ERROR_FILE_NOT_FOUND;
  if (type) *type = v->type;
  const auto needed = static_cast<os::DWORD>(v->data.size());
  if (data) {
    if (*size < needed) {
      *size = needed;
      return ERROR_MORE_DATA;
    }
    if (needed) std::memcpy(data, v->data.data(), needed);
    // Windows appends a zero character to a string without one when the buffer has room;
    // the size reported stays that of the stored data.
    auto* out = static_cast<os::BYTE*>(data);
    const bool isString = v->type == REG_SZ || v->type == REG_EXPAND_SZ || v->type == REG_MULTI_SZ;
    if (isString && needed >= 2 && needed + 2 <= *size && (out[needed - 2] || out[needed - 1]))
      out[needed] = out[needed + 1] = 0;
  }
  if (size) *size = needed;
  return ERROR_SUCCESS;
}

os::LONG Registry::DeleteValue(os::HKEY key, const std::u16string& name) {
  std::lock_guard<std::mutex> lock(mutex_);
  RegKey* k = nullptr;
  if (const os::LONG rc = KeyFor(key, KEY_SET_VALUE, &k)) return rc;
  const auto it = std::find_if(k->values.begin(), k->values.end(),
                               [&](const RegValue& v) { return text::EqualsNoCase(v.name, name); });
  if (it == k->values.end()) return ERROR_FILE_NOT_FOUND;
  k->values.erase(it);
  return ERROR_SUCCESS;
}

os::LONG Registry::DeleteKey(os::HKEY base, const std::u16string& subKey, os::REGSAM view) {
  const Views views = CurrentViews();
  std::lock_guard<std::mutex> lock(mutex_);
  Target target;
  if (const os::LONG rc = Resolve(base, subKey, view, views, &target)) return rc;
  // The roots and the hives directly below HKEY_LOCAL_MACHINE cannot be deleted.
  if (target.path.empty() || (target.root == Root::LocalMachine && target.path.size() == 1))
    return ERROR_ACCESS_DENIED;
  Target parentTarget = target;
  parentTarget.path.pop_back();
  RegKey* parent = Walk(parentTarget);
  if (!parent) return ERROR_FILE_NOT_FOUND;
  const auto it = parent->subkeys.find(text::ToUpper(target.path.back()));
  if (it == parent->subkeys.end()) return ERROR_FILE_NOT_FOUND;
  // Windows deletes only leaves: a key with subkeys refuses, as does one whose security does not
  // grant DELETE.
  if (!it->second->subkeys.empty()) return ERROR_ACCESS_DENIED;
  if (it->second->restricted && !(it->second->rights & DELETE)) return ERROR_ACCESS_DENIED;
  it->second->deleted = true;
  parent->subkeys.erase(it);
  return ERROR_SUCCESS;
}

os::LONG Registry::EnumKey(os::HKEY key, os::DWORD index, std::u16string* name) {
  std::lock_guard<std::mutex> lock(mutex_);
  RegKey* k = nullptr;
  if (const os::LONG rc = KeyFor(key, KEY_ENUMERATE_SUB_KEYS, &k)) return rc;
  if (index >= k->subkeys.size()) return ERROR_NO_MORE_ITEMS;
  auto it = k->subkeys.begin();
  std::advance(it, index);
  if (name) *name = it->second->name;
  return ERROR_SUCCESS;
}

os::LONG Registry::EnumValue(os::HKEY key, os::DWORD index, std::u16string* name, os::DWORD* type,
                             std::vector<os::BYTE>* data) {
  std::lock_guard<std::mutex> lock(mutex_);
  RegKey* k = nullptr;
  if (const os::LONG rc = KeyFor(key, KEY_QUERY_VALUE, &k)) return rc;
  if (index >= k->values.size()) return ERROR_NO_MORE_ITEMS;
  const RegValue& v = k->values[index];
  if (name) *name = v.name;
  if (type) *type = v.type;
  if (data) *data = v.data;
  return ERROR_SUCCESS;
}

os::LONG Registry::QueryInfo(os::HKEY key, std::u16string* keyClass, os::DWORD* subKeys,
                             os::DWORD* values) {
  std::lock_guard<std::mutex> lock(mutex_);
  RegKey* k = nullptr;
  if (const os::LONG rc = KeyFor(key, KEY_QUERY_VALUE, &k)) return rc;
  if (keyClass) *keyClass = k->keyClass;
  if (subKeys) *subKeys = static_cast<os::DWORD>(k->subkeys.size());
  if (values) *values = static_cast<os::DWORD>(k->values.size());
  return ERROR_SUCCESS;
}

}  // namespace sim
