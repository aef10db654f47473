// Simulated machine: shell program start (os_shell_execute.h) and shutdown (os_shutdown.h).
#include <mutex>
#include <set>

#include "platform/os_files.h"
#include "platform/os_process.h"
#include "platform/os_shell_execute.h"
#include "platform/os_shutdown.h"
#include "platform/sim/sim_machine.h"
#include "platform/sim/sim_session.h"
#include "platform/text.h"

namespace sim {

namespace {

struct State {
  std::mutex mutex;
  SessionRecord record;
  std::set<std::uintptr_t> tokens;
  std::uintptr_t nextToken = 0x5000;
  std::function<void(const std::string&)> listener;
};

State& S() {
  static State state;
  return state;
}

void Notify(const std::string& line) {
  std::function<void(const std::string&)> listener;
  {
    std::lock_guard<std::mutex> lock(S().mutex);
    listener = S().listener;
  }
  if (listener) listener(line);
}

// The privileges an administrator's token holds (LUID low parts as Windows numbers them).
struct Privilege {
  const char16_t* name;
  os::DWORD luid;
};
constexpr Privilege kPrivileges[] = {
    {u"SeShutdownPrivilege", 19}, {u"SeDebugPrivilege", 20},   {u"SeBackupPrivilege", 17},
    {u"SeRestorePrivilege", 18},  {u"SeSecurityPrivilege", 8}, {u"SeLoadDriverPrivilege", 10},
};

}  // namespace

SessionRecord Session() {
  std::lock_guard<std::mutex> lock(S().mutex);
  return S().record;
}

void ClearSession() {
  std::lock_guard<std::mutex> lock(S().mutex);
  S().record = SessionRecord();
  S().tokens.clear();
  S().listener = nullptr;
}

void SetSessionListener(std::function<void(const std::string&)> listener) {
  std::lock_guard<std::mutex> lock(S().mutex);
  S().listener = std::move(listener);
}

}  // namespace sim

namespace os {

HANDLE OpenProcessToken(DWORD access) {
  DWORD error = 0;
  if (sim::Fault("OpenProcessToken", u"", &error) || access == 0) {
    SetLastError(access == 0 ? static_cast<DWORD>(ERROR_ACCESS_DENIED) : error);
    return nullptr;
  }
  std::lock_guard<std::mutex> lock(sim::S().mutex);
  const std::uintptr_t token = sim::S().nextToken += 4;
  sim::S().tokens.insert(token);
  return reinterpret_cast<HANDLE>(token);
}

BOOL LookupPrivilegeValueW(const std::u16string& name, Luid* luid) {
  for (const auto& privilege : sim::kPrivileges) {
    if (text::EqualsNoCase(name, privilege.name)) {
      luid->lowPart = privilege.luid;
      luid->highPart = 0;
      return TRUE;
    }
  }
  SetLastError(1313);  // ERROR_NO_SUCH_PRIVILEGE
  return FALSE;
}

BOOL AdjustTokenPrivilege(HANDLE token, const Luid& luid, DWORD attributes) {
  DWORD error = 0;
  if (sim::Fault("AdjustTokenPrivileges", u"", &error)) {
    SetLastError(error);
    return FALSE;
  }
  std::u16string name;
  for (const auto& privilege : sim::kPrivileges)
    if (privilege.luid == luid.lowPart && luid.highPart == 0) name = privilege.name;
  std::lock_guard<std::mutex> lock(sim::S().mutex);
  if (!sim::S().tokens.count(reinterpret_cast<std::uintptr_t>(token))) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (name.empty()) {
    SetLastError(1300);  // ERROR_NOT_ALL_ASSIGNED, reported with success as Windows does
    return TRUE;
  }
  auto& enabled = sim::S().record.enabledPrivileges;
  if (attributes & SE_PRIVILEGE_ENABLED) {
    bool present = false;
    for (const auto& p : enabled) present = present || p == name;
    if (!present) enabled.push_back(name);
  } else {
    for (auto it = enabled.begin(); it != enabled.end(); ++it)
      if (*it == name) {
        enabled.erase(it);
        break;
      }
  }
  SetLastError(ERROR_SUCCESS);
  return TRUE;
}

BOOL CloseTokenHandle(HANDLE token) {
  std::lock_guard<std::mutex> lock(sim::S().mutex);
  if (!sim::S().tokens.erase(reinterpret_cast<std::uintptr_t>(token))) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  return TRUE;
}

BOOL ExitWindowsEx(UINT flags, DWORD reason) {
  (void)reason;
  DWORD error = 0;
  if (sim::Fault("ExitWindowsEx", u"", &error)) {
    SetLastError(error);
    return FALSE;
  }
  {
    std::lock_guard<std::mutex> lock(sim::S().mutex);
    bool held = false;
    for (const auto& p : sim::S().record.enabledPrivileges)
      held = held || p == u"SeShutdownPrivilege";
    if (!held && (flags & (EWX_SHUTDOWN | EWX_REBOOT))) {
      SetLastError(ERROR_PRIVILEGE_NOT_HELD);
      return FALSE;
    }
    sim::S().record.shutdownRequests.push_back(flags);
  }
  sim::Notify((flags & EWX_REBOOT) ? "Windows restart requested" : "Windows shutdown requested");
  return TRUE;
}

namespace {

// Whether a clean Windows opens files of this kind: programs and the document types it
// registers itself (Windows Update packages, installer databases, text, ...). Anything else
// has no program to open it.
bool HasBuiltInAssociation(const std::u16string& file) {
  const auto slash = file.find_last_of(u"\\/");
  const auto dot = file.rfind(u'.');
  if (dot == std::u16string::npos || (slash != std::u16string::npos && dot < slash)) return false;
  const std::u16string extension = file.substr(dot + 1);
  for (const char16_t* known : {u"exe", u"com", u"bat", u"cmd", u"msi", u"msu", u"txt", u"inf",
                                u"ini", u"reg", u"lnk", u"url", u"htm", u"html"})
    if (text::EqualsNoCase(extension, known)) return true;
  return false;
}

}  // namespace

BOOL ShellExecuteExW(ShellExecuteInfo* info) {
  info->hProcess = nullptr;
  DWORD error = 0;
  if (sim::Fault("ShellExecuteExW", info->file, &error)) {
    SetLastError(error);
    return FALSE;
  }
  if (info->cbSize != 60) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  const DWORD attributes = GetFileAttributesW(info->file);
  if (info->file.empty() || attributes == INVALID_FILE_ATTRIBUTES ||
      (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    sim::Notify("program not started (file not found): " + text::ToUtf8(info->file));
    return FALSE;
  }
  if (!HasBuiltInAssociation(info->file)) {
    SetLastError(ERROR_NO_ASSOCIATION);
    sim::Notify("program not started (no association): " + text::ToUtf8(info->file));
    return FALSE;
  }
  {
    std::lock_guard<std::mutex> lock(sim::S().mutex);
    sim::S().record.started.push_back({info->file, info->parameters, info->directory, info->nShow});
  }
  sim::Notify("program started: " + text::ToUtf8(info->file) + " " +
              text::ToUtf8(info->parameters) + (info->nShow == SW_HIDE ? " (hidden)" : ""));
  if (info->fMask & SEE_MASK_NOCLOSEPROCESS) {
    // The caller wants to wait: the program (or the handler of the document's type) runs as a
    // simulated process, described in machine.ini under [Program:<file name>].
    STARTUPINFOW startup;
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process;
    std::u16string line = u"\"" + info->file + u"\"";
    if (!info->parameters.empty()) line += u" " + info->parameters;
    if (CreateProcessW(info->file, line, FALSE, 0, u"", &startup, &process)) {
      CloseHandle(process.hThread);
      info->hProcess = process.hProcess;
    }
  }
  return TRUE;
}

}  // namespace os
