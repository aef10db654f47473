// Simulated machine: Windows paths on drive C: to host paths (sim_paths.h).
#include "platform/sim/sim_paths.h"

#include "platform/sim/sim_machine.h"
#include "platform/text.h"

namespace fs = std::filesystem;

namespace sim {

namespace {

thread_local bool t_redirectionDisabled = false;

bool IsSeparator(char16_t c) { return c == u'\\' || c == u'/'; }

bool IsInvalidNameChar(char16_t c, bool allowWildcards) {
  if (c < 0x20) return true;
  switch (c) {
    case u'<':
    case u'>':
    case u':':
    case u'"':
    case u'|': return true;
    case u'*':
    case u'?': return !allowWildcards;
    default: return false;
  }
}

bool HasWildcard(const std::u16string& name) {
  return name.find_first_of(u"*?") != std::u16string::npos;
}

std::vector<std::u16string> Split(const std::u16string& path) {
  std::vector<std::u16string> parts;
  std::u16string current;
  for (char16_t c : path) {
    if (IsSeparator(c)) {
      if (!current.empty()) parts.push_back(current);
      current.clear();
    } else {
      current += c;
    }
  }
  if (!current.empty()) parts.push_back(current);
  return parts;
}

// Windows trims names as it builds the full path: a name ending in a single dot loses it, and
// the last name of a path without a final separator loses every trailing dot and space.
std::u16string TrimName(std::u16string name, bool last) {
  if (last) {
    while (!name.empty() && (name.back() == u'.' || name.back() == u' ')) name.pop_back();
  } else if (name.size() >= 2 && name.back() == u'.' && name[name.size() - 2] != u'.') {
    name.pop_back();
  }
  return name;
}

// The host entry of `folder` named `name` without regard to case; an exact match first.
bool FindEntry(const fs::path& folder, const std::u16string& name, fs::path* found) {
  std::error_code ec;
  const fs::path exact = folder / text::ToUtf8(name);
  if (fs::exists(fs::symlink_status(exact, ec))) {
    *found = exact;
    return true;
  }
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    if (text::EqualsNoCase(text::FromUtf8(it->path().filename().string()), name)) {
      *found = it->path();
      return true;
    }
  }
  return false;
}

// The current folder of a simulated program: the folder it was started from, its own.
std::vector<std::u16string> CurrentFolderParts() {
  std::u16string module = Machine::Current().ModulePath();
  const auto slash = module.find_last_of(u"\\/");
  module = slash == std::u16string::npos ? u"" : module.substr(0, slash);
  if (module.size() >= 2 && module[1] == u':') module.erase(0, 2);
  return Split(module);
}

// The folders below System32 that WOW64 leaves alone, so that 32-bit and 64-bit programs
// share them ("File System Redirector", Microsoft Learn): catroot, catroot2, DriverStore,
// drivers\etc, LogFiles and spool. `parts` starts with "Windows", "System32".
bool ExemptFromRedirection(const std::vector<std::u16string>& parts) {
  if (parts.size() < 3) return false;
  for (const char16_t* name : {u"catroot", u"catroot2", u"DriverStore", u"LogFiles", u"spool"})
    if (text::EqualsNoCase(parts[2], name)) return true;
  return parts.size() >= 4 && text::EqualsNoCase(parts[2], u"drivers") &&
         text::EqualsNoCase(parts[3], u"etc");
}

}  // namespace

os::DWORD ResolvePath(const std::u16string& input, ResolvedPath* out, unsigned flags) {
  *out = ResolvedPath();
  std::u16string path = input;
  bool verbatim = false;  // "\\?\C:\..." lifts the length limit
  if (path.size() >= 4 && path.compare(0, 4, u"\\\\?\\") == 0) {
    path.erase(0, 4);
    verbatim = true;
  }
  if (path.empty()) return ERROR_PATH_NOT_FOUND;

  std::vector<std::u16string> base;
  std::u16string rest;
  if (path.size() >= 2 && path[1] == u':') {
    if (text::ToUpper(path[0]) != u'C') return ERROR_PATH_NOT_FOUND;  // only drive C: exists
    rest = path.substr(2);
    if (rest.empty() || !IsSeparator(rest[0])) base = CurrentFolderParts();
  } else if (IsSeparator(path[0])) {
    if (path.size() >= 2 && IsSeparator(path[1])) return ERROR_PATH_NOT_FOUND;  // network path
    rest = path;
  } else {
    base = CurrentFolderParts();
    rest = path;
  }
  out->trailingSeparator = !rest.empty() && IsSeparator(rest.back());

  const bool wildcards = (flags & kAllowWildcards) != 0;
  std::vector<std::u16string> parts = base;
  const std::vector<std::u16string> given = Split(rest);
  for (std::size_t i = 0; i < given.size(); ++i) {
    const bool last = i + 1 == given.size();
    if (given[i] == u".") continue;
    if (given[i] == u"..") {
      if (!parts.empty()) parts.pop_back();
      continue;
    }
    for (char16_t c : given[i])
      if (IsInvalidNameChar(c, wildcards && last)) return ERROR_INVALID_NAME;
    const std::u16string name = TrimName(given[i], last && !out->trailingSeparator);
    if (!name.empty()) parts.push_back(name);
  }

  // WOW64: a 32-bit program's System32 is the 32-bit system folder, and the alias Sysnative
  // (which no listing shows) is the real System32.
  auto& machine = Machine::Current();
  if (machine.UnderWow64() && !t_redirectionDisabled && parts.size() >= 2 &&
      text::EqualsNoCase(parts[0], u"Windows")) {
    if (text::EqualsNoCase(parts[1], u"System32") && !ExemptFromRedirection(parts))
      parts[1] = u"SysWOW64";
    else if (text::EqualsNoCase(parts[1], u"Sysnative")) parts[1] = u"System32";
  }

  out->full = u"C:\\";
  for (std::size_t i = 0; i < parts.size(); ++i) out->full += (i ? u"\\" : u"") + parts[i];
  out->verbatim = verbatim;
  if (!verbatim && out->full.size() > kMaxPathChars) return ERROR_PATH_NOT_FOUND;

  out->isRoot = parts.empty();
  out->parentExists = true;
  fs::path host = machine.DriveRoot();
  std::error_code ec;
  for (std::size_t i = 0; i < parts.size(); ++i) {
    const bool last = i + 1 == parts.size();
    fs::path found;
    const bool lookUp = out->parentExists && !(last && wildcards && HasWildcard(parts[i]));
    if (lookUp && FindEntry(host, parts[i], &found)) {
      host = found;
      if (last) out->exists = true;
      else if (!fs::is_directory(host, ec)) out->parentExists = false;  // a file on the way
    } else {
      host /= text::ToUtf8(parts[i]);
      if (!last) out->parentExists = false;
    }
  }
  if (out->isRoot) out->exists = true;
  out->leaf = parts.empty() ? u"" : parts.back();
  out->host = host;
  return ERROR_SUCCESS;
}

std::string DriveRelativeKey(const fs::path& host) {
  return host.lexically_relative(Machine::Current().DriveRoot()).generic_string();
}

bool ThreadRedirectionDisabled() { return t_redirectionDisabled; }
void SetThreadRedirectionDisabled(bool disabled) { t_redirectionDisabled = disabled; }

void CreateStandardFolders() {
  auto& machine = Machine::Current();
  const std::string user = text::ToUtf8(machine.UserName());
  std::vector<std::string> folders = {
      "Windows/System32/drivers",
      "Program Files",
      "ProgramData/Microsoft/Windows/Start Menu/Programs",
      "Users/Public/Desktop",
      "Users/" + user + "/Desktop",
      "Users/" + user + "/AppData/Roaming",
      "Users/" + user + "/AppData/Local/Temp",
  };
  if (machine.Is64BitWindows()) {
    folders.push_back("Windows/SysWOW64/drivers");
    folders.push_back("Program Files (x86)");
  }
  std::error_code ec;
  for (const auto& folder : folders) fs::create_directories(machine.DriveRoot() / folder, ec);
}

}  // namespace sim
