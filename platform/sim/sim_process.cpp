// Simulated machine: program starts and waits (os_process.h).
#include "platform/sim/sim_process.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <memory>
#include <mutex>
#include <vector>

#include "payload/common/ProductNames.h"
#include "platform/os_files.h"
#include "platform/os_process.h"
#include "platform/os_system.h"
#include "platform/sim/sim_handle_table.h"
#include "platform/sim/sim_machine.h"
#include "platform/sim/sim_paths.h"
#include "platform/sim/sim_services.h"
#include "platform/text.h"

namespace sim {

namespace {

constexpr std::uint64_t kNeverEnds = ~std::uint64_t{0};

struct Process {
  std::uint64_t endTime = 0;  // virtual time at which it ends; kNeverEnds
  os::DWORD exitCode = 0;
  dev_t imageDevice = 0;  // identity of its image file while it runs (0: unknown)
  ino_t imageInode = 0;
};

// A process handle or its first thread's: both wait for the program's end. The record is gone
// with the last of them (and the program's end, for the image it holds).
struct ProcessHandle {
  std::shared_ptr<const Process> process;
  bool thread = false;
};

struct Start {
  std::u16string image;  // the program file as Windows found it
  std::u16string args;   // the command line after the program name
};

bool IsFile(const std::u16string& path) {
  const os::DWORD attributes = os::GetFileAttributesW(path);
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// The program a command line names before any search: the application name, or the quoted
// first part; empty for an unquoted line.
std::u16string NamedProgram(const std::u16string& appName, const std::u16string& line) {
  if (!appName.empty()) return appName;
  if (line.empty() || line[0] != u'"') return u"";
  const auto close = line.find(u'"', 1);
  return line.substr(1, close == std::u16string::npos ? std::u16string::npos : close - 1);
}

// A program name as Windows completes it: ".exe" added when there is no extension, and a
// name without a folder looked for in the system folders.
bool FindImage(std::u16string name, std::u16string* image) {
  const auto slash = name.find_last_of(u"\\/");
  if (name.find(u'.', slash == std::u16string::npos ? 0 : slash) == std::u16string::npos)
    name += u".exe";
  if (slash != std::u16string::npos) {
    if (!IsFile(name)) return false;
    *image = name;
    return true;
  }
  std::u16string system;
  os::GetSystemDirectoryW(&system);
  for (const std::u16string& folder : {system, std::u16string(u"C:\\Windows")})
    if (IsFile(folder + u"\\" + name)) {
      *image = folder + u"\\" + name;
      return true;
    }
  return false;
}

// Splits a command line as CreateProcessW does: a quoted program name ends at its quote; an
// unquoted one is tried at every space in turn ("C:\Program" before "C:\Program Files\...").
bool ParseCommandLine(const std::u16string& appName, const std::u16string& line, Start* start) {
  if (!appName.empty()) {
    if (!IsFile(appName)) return false;
    start->image = appName;
    const std::size_t end = line.size() && line[0] == u'"' ? line.find(u'"', 1) : line.find(u' ');
    start->args = end == std::u16string::npos ? u"" : line.substr(end + 1);
    return true;
  }
  if (!line.empty() && line[0] == u'"') {
    const auto close = line.find(u'"', 1);
    if (close == std::u16string::npos) return FindImage(line.substr(1), &start->image);
    start->args = line.substr(close + 1);
    if (!start->args.empty() && start->args[0] == u' ') start->args.erase(0, 1);
    return FindImage(line.substr(1, close - 1), &start->image);
  }
  for (std::size_t space = line.find(u' ');; space = line.find(u' ', space + 1)) {
    const std::u16string candidate = line.substr(0, space);
    if (FindImage(candidate, &start->image)) {
      start->args = space == std::u16string::npos ? u"" : line.substr(space + 1);
      return true;
    }
    if (space == std::u16string::npos) return false;
  }
}

std::string FileNameOf(const std::u16string& path) {
  const auto slash = path.find_last_of(u"\\/");
  return text::ToUtf8(slash == std::u16string::npos ? path : path.substr(slash + 1));
}

class ProcessTable {
 public:
  static ProcessTable& Get() {
    static ProcessTable* table = new ProcessTable();  // used until the process ends
    return *table;
  }

  os::BOOL Create(const std::u16string& appName, const std::u16string& line,
                  const std::u16string& directory, const os::STARTUPINFOW* startup,
                  os::PROCESS_INFORMATION* info) {
    std::lock_guard<std::mutex> lock(mutex_);
    Sync();
    Machine& m = Machine::Current();
    const std::string shown = text::ToUtf8(line.empty() ? appName : line);
    if (!startup || startup->cb != sizeof(os::STARTUPINFOW) || !info)
      return Refuse(shown, ERROR_INVALID_PARAMETER);
    os::DWORD error = 0;
    if (Fault("CreateProcessW", line, &error)) return Refuse(shown, error);
    Start start;
    if (line.empty() && appName.empty()) return Refuse(shown, ERROR_INVALID_PARAMETER);
    if (!ParseCommandLine(appName, line, &start)) {
      // A folder in the program's place is found but cannot be run.
      const std::u16string named = NamedProgram(appName, line);
      const os::DWORD attributes =
          named.empty() ? INVALID_FILE_ATTRIBUTES : os::GetFileAttributesW(named);
      const bool folder =
          attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
      return Refuse(shown, folder ? ERROR_ACCESS_DENIED : ERROR_FILE_NOT_FOUND);
    }
    // The new process's current folder must be an existing folder.
    if (!directory.empty()) {
      const os::DWORD attributes = os::GetFileAttributesW(directory);
      if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY))
        return Refuse(shown, ERROR_DIRECTORY);
    }

    const MachineIni& ini = m.Ini();
    const std::string section = SectionOf(ini, start.image);
    if (const long startError = ini.GetInt(section, "StartError", 0))
      return Refuse(shown, static_cast<os::DWORD>(startError));

    Process p;
    const std::string runTime = ini.Get(section, "RunTime", "0");
    p.endTime = text::EqualsNoCase(text::FromUtf8(runTime), u"never")
                    ? kNeverEnds
                    : m.Now() + static_cast<std::uint64_t>(ini.GetInt(section, "RunTime", 0));
    p.exitCode = static_cast<os::DWORD>(ini.GetInt(section, "ExitCode", 0));
    ResolvedPath resolved;
    struct stat st {};
    if (ResolvePath(start.image, &resolved, kResolveDefault) == ERROR_SUCCESS &&
        ::stat(resolved.host.c_str(), &st) == 0) {
      p.imageDevice = st.st_dev;
      p.imageInode = st.st_ino;
    }
    Record(shown);

    // The service program registers itself when run with "/Service"; other programs do so
    // only when machine.ini says so.
    std::u16string service;
    if (ini.Has(section, "RegistersService"))
      service = text::FromUtf8(ini.Get(section, "RegistersService"));
    else if (text::EqualsNoCase(start.args, u"/Service")) service = payload::kServiceName;
    if (!service.empty()) RegisterService(service, start.image);

    const std::uintptr_t id = nextId_++;
    const auto process = std::make_shared<const Process>(p);
    running_.push_back(process);
    info->hProcess = handles_.Add({process, false});
    info->hThread = handles_.Add({process, true});
    info->dwProcessId = static_cast<os::DWORD>(id * 4 + 1000);
    info->dwThreadId = static_cast<os::DWORD>(id * 4 + 1002);
    return TRUE;
  }

  os::DWORD Wait(os::HANDLE handle, os::DWORD timeout) {
    std::lock_guard<std::mutex> lock(mutex_);
    Sync();
    const Process* p = Find(handle);
    if (!p) {
      os::SetLastError(ERROR_INVALID_HANDLE);
      return WAIT_FAILED;
    }
    Machine& m = Machine::Current();
    if (p->endTime <= m.Now()) return WAIT_OBJECT_0;
    if (timeout == INFINITE && p->endTime == kNeverEnds) {
      // Windows would block for ever; the simulated machine refuses instead of hanging.
      os::SetLastError(ERROR_TIMEOUT);
      return WAIT_FAILED;
    }
    if (timeout != INFINITE && p->endTime - m.Now() > timeout) {
      m.Advance(timeout);
      return WAIT_TIMEOUT;
    }
    m.Advance(p->endTime - m.Now());
    return WAIT_OBJECT_0;
  }

  os::BOOL ExitCode(os::HANDLE handle, os::DWORD* code) {
    std::lock_guard<std::mutex> lock(mutex_);
    Sync();
    const ProcessHandle* h = handles_.Find(handle);
    if (!h || h->thread) {
      os::SetLastError(ERROR_INVALID_HANDLE);
      return FALSE;
    }
    const Process& p = *h->process;
    *code = p.endTime <= Machine::Current().Now() ? p.exitCode : STILL_ACTIVE;
    return TRUE;
  }

  bool Close(os::HANDLE handle) {
    std::lock_guard<std::mutex> lock(mutex_);
    Sync();
    return handles_.Remove(handle);
  }

  void HoldImage(const std::filesystem::path& host) {
    struct stat st {};
    if (::stat(host.c_str(), &st) != 0) return;
    std::lock_guard<std::mutex> lock(mutex_);
    Sync();
    auto process = std::make_shared<Process>();
    process->endTime = kNeverEnds;
    process->imageDevice = st.st_dev;
    process->imageInode = st.st_ino;
    held_ = process;
    running_.push_back(process);
  }

  void EndHeldImage() {
    std::lock_guard<std::mutex> lock(mutex_);
    Sync();
    running_.erase(std::remove(running_.begin(), running_.end(), held_), running_.end());
    held_.reset();
  }

  std::vector<std::string> Log() {
    std::lock_guard<std::mutex> lock(mutex_);
    Sync();
    return log_;
  }

  bool IsRunningImage(const std::filesystem::path& host) {
    struct stat st {};
    if (::stat(host.c_str(), &st) != 0) return false;
    std::lock_guard<std::mutex> lock(mutex_);
    Sync();
    const std::uint64_t now = Machine::Current().Now();
    // Programs that ended hold nothing any more.
    running_.erase(std::remove_if(running_.begin(), running_.end(),
                                  [now](const auto& p) { return p->endTime <= now; }),
                   running_.end());
    for (const auto& p : running_)
      if (p->imageInode != 0 && p->imageDevice == st.st_dev && p->imageInode == st.st_ino)
        return true;
    return false;
  }

 private:
  void Sync() {
    const Machine& m = Machine::Current();
    if (loaded_ && generation_ == m.Generation()) return;
    loaded_ = true;
    generation_ = m.Generation();
    handles_.Clear();
    running_.clear();
    log_.clear();
  }

  // [Program:<full path>] before [Program:<file name>], names compared without regard to case.
  static std::string SectionOf(const MachineIni& ini, const std::u16string& image) {
    std::string byName;
    for (const std::string& section : ini.SectionsWithPrefix("Program:")) {
      const std::u16string key = text::FromUtf8(section.substr(8));
      if (text::EqualsNoCase(key, image)) return section;
      if (byName.empty() && text::EqualsNoCase(key, text::FromUtf8(FileNameOf(image))))
        byName = section;
    }
    return byName.empty() ? "Program:" + FileNameOf(image) : byName;
  }

  os::BOOL Refuse(const std::string& shown, os::DWORD error) {
    Record(shown + " -> error " + std::to_string(error));
    os::SetLastError(error);
    return FALSE;
  }

  void Record(const std::string& line) {
    log_.push_back(line);
    Machine& m = Machine::Current();
    std::ofstream(m.Folder() / "processes.log", std::ios::binary | std::ios::app)
        << "[" << m.Now() << " ms] " << line << "\n";
  }

  const Process* Find(os::HANDLE handle) const {
    const ProcessHandle* h = handles_.Find(handle);
    return h ? h->process.get() : nullptr;
  }

  std::mutex mutex_;
  bool loaded_ = false;
  std::uint64_t generation_ = 0;
  // Each start takes two values in a row: the process handle, then the thread handle.
  HandleTable<os::HANDLE, ProcessHandle> handles_{0x5E0008, 4};
  // Started programs that may still run: each holds its image file, with or without a handle.
  std::vector<std::shared_ptr<const Process>> running_;
  std::shared_ptr<const Process> held_;  // the program that runs in this process
  std::uintptr_t nextId_ = 1;            // numbers the process and thread ids
  std::vector<std::string> log_;
};

}  // namespace

std::vector<std::string> ProcessLog() { return ProcessTable::Get().Log(); }

bool CloseProcessHandle(os::HANDLE handle) { return ProcessTable::Get().Close(handle); }

bool IsRunningImage(const std::filesystem::path& host) {
  return ProcessTable::Get().IsRunningImage(host);
}

void HoldRunningImage(const std::filesystem::path& host) { ProcessTable::Get().HoldImage(host); }

void EndRunningImage() { ProcessTable::Get().EndHeldImage(); }

}  // namespace sim

namespace os {

BOOL CreateProcessW(const std::u16string& applicationName, std::u16string commandLine, BOOL, DWORD,
                    const std::u16string& currentDirectory, const STARTUPINFOW* startupInfo,
                    PROCESS_INFORMATION* processInformation) {
  return sim::ProcessTable::Get().Create(applicationName, commandLine, currentDirectory,
                                         startupInfo, processInformation);
}

// Only started programs have processes on the simulated machine, and their ids are not opened:
// every id is unknown, as 0 (a service that does not run) is to Windows.
HANDLE OpenProcess(DWORD, DWORD) {
  SetLastError(ERROR_INVALID_PARAMETER);
  return nullptr;
}

DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds) {
  return sim::ProcessTable::Get().Wait(handle, milliseconds);
}

BOOL GetExitCodeProcess(HANDLE process, DWORD* exitCode) {
  return sim::ProcessTable::Get().ExitCode(process, exitCode);
}

}  // namespace os
