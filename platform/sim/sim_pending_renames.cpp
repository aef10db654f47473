// The session manager's pending file operations on the simulated machine.
#include "platform/sim/sim_pending_renames.h"

#include <filesystem>
#include <system_error>
#include <vector>

#include "platform/os_registry.h"
#include "platform/sim/sim_attributes.h"
#include "platform/sim/sim_machine.h"
#include "platform/sim/sim_registry.h"
#include "platform/sim/sim_paths.h"
#include "platform/sim/sim_services.h"

namespace fs = std::filesystem;

namespace sim {

namespace {

// The session manager's value is written by Windows itself (inside MoveFileExW, and at its own
// start), not through the program's registry calls: faults injected for those do not reach it.
Registry& Reg() { return Machine::Current().Reg(); }

constexpr char16_t kSessionManager[] = u"SYSTEM\\CurrentControlSet\\Control\\Session Manager";
constexpr char16_t kValue[] = u"PendingFileRenameOperations";
constexpr char16_t kNtPrefix[] = u"\\??\\";

// The strings of a REG_MULTI_SZ (without the final empty string that ends it).
std::vector<std::u16string> SplitStrings(std::u16string data, os::DWORD size);

// The strings of the value. A value that is there but cannot be read sets `error`: writing the list
// anew would lose the operations already recorded.
std::vector<std::u16string> ReadStrings(os::HKEY key, os::LONG* error = nullptr) {
  os::DWORD type = 0, size = 0;
  os::LONG rc = Reg().QueryValue(key, kValue, &type, nullptr, &size);
  if (rc == ERROR_SUCCESS && type == REG_MULTI_SZ) {
    std::u16string data(size / 2, u'\0');
    rc = Reg().QueryValue(key, kValue, &type, &data[0], &size);
    if (rc == ERROR_SUCCESS) return SplitStrings(data, size);
  }
  if (error && rc != ERROR_SUCCESS && rc != ERROR_FILE_NOT_FOUND) *error = rc;
  return {};
}

std::vector<std::u16string> SplitStrings(std::u16string data, os::DWORD size) {
  data.resize(size / 2);
  // A pair may hold an empty second string, so only the terminating empty string ends it.
  if (data.size() >= 2 && data[data.size() - 1] == u'\0' && data[data.size() - 2] == u'\0')
    data.pop_back();
  std::vector<std::u16string> strings;
  std::size_t start = 0;
  for (std::size_t i = 0; i < data.size(); ++i) {
    if (data[i] != u'\0') continue;
    strings.push_back(data.substr(start, i - start));
    start = i + 1;
  }
  return strings;
}

os::HKEY OpenSessionManager(os::REGSAM access) {
  os::HKEY key = nullptr;
  os::DWORD disposition = 0;
  if (Reg().CreateKey(HKEY_LOCAL_MACHINE, kSessionManager, u"", REG_OPTION_NON_VOLATILE,
                      access | KEY_WOW64_64KEY, &key, &disposition) != ERROR_SUCCESS)
    return nullptr;
  return key;
}

// The host path of a stored "\??\C:\..." name, or empty when it names nothing on drive C:.
fs::path HostOf(const std::u16string& stored, bool* exists) {
  *exists = false;
  if (stored.compare(0, 4, kNtPrefix) != 0) return {};
  ResolvedPath r;
  if (ResolvePath(stored.substr(4), &r) != ERROR_SUCCESS || r.isRoot || !r.parentExists) return {};
  *exists = r.exists;
  if (r.exists) return r.host;
  return r.host.parent_path() / r.leaf.c_str();
}

bool Perform(const std::u16string& source, const std::u16string& target) {
  bool sourceExists = false, targetExists = false;
  const fs::path from = HostOf(source, &sourceExists);
  if (!sourceExists) return false;
  std::error_code ec;
  if (target.empty()) {
    fs::remove(from, ec);  // a file, or a folder that is empty by now
    if (ec) return false;
    ForgetAttributes(from);
    return true;
  }
  const bool replace = !target.empty() && target[0] == u'!';
  const fs::path to = HostOf(replace ? target.substr(1) : target, &targetExists);
  if (to.empty()) return false;
  if (targetExists) {
    if (!replace || fs::is_directory(to, ec)) return false;
    fs::remove(to, ec);
    ForgetAttributes(to);
  }
  fs::rename(from, to, ec);
  if (ec) return false;
  MoveAttributes(from, to);
  return true;
}

}  // namespace

os::DWORD AddPendingFileOperation(const std::u16string& source, const std::u16string& target,
                                  bool replaceExisting) {
  os::HKEY key = OpenSessionManager(KEY_QUERY_VALUE | KEY_SET_VALUE);
  if (!key) return ERROR_ACCESS_DENIED;
  os::LONG error = ERROR_SUCCESS;
  std::vector<std::u16string> strings = ReadStrings(key, &error);
  if (error != ERROR_SUCCESS) {
    Reg().CloseKey(key);
    return static_cast<os::DWORD>(error);
  }
  strings.push_back(kNtPrefix + source);
  strings.push_back(target.empty() ? u"" : (replaceExisting ? u"!" : u"") + (kNtPrefix + target));
  std::u16string data;
  for (const auto& s : strings) data += s + u'\0';
  data += u'\0';
  const os::LONG rc = Reg().SetValue(key, kValue, REG_MULTI_SZ, data.data(),
                                     static_cast<os::DWORD>(data.size() * 2));
  Reg().CloseKey(key);
  return static_cast<os::DWORD>(rc);
}

int RestartWindows() {
  os::HKEY key = OpenSessionManager(KEY_QUERY_VALUE | KEY_SET_VALUE);
  if (!key) return 0;
  const std::vector<std::u16string> strings = ReadStrings(key);
  // The stored names are full paths as the session manager sees them: no WOW64 redirection.
  const bool wasDisabled = ThreadRedirectionDisabled();
  SetThreadRedirectionDisabled(true);
  int done = 0;
  for (std::size_t i = 0; i + 1 < strings.size(); i += 2)
    if (Perform(strings[i], strings[i + 1])) ++done;
  SetThreadRedirectionDisabled(wasDisabled);
  Reg().DeleteValue(key, kValue);
  Reg().CloseKey(key);
  LoadServicesAtWindowsStart();
  return done;
}

}  // namespace sim
