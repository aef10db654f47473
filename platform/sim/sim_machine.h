// The simulated Windows machine: one per process, kept in a machine folder on the host.
//
//   machine.ini   what the machine is (documented in platform/sim/MACHINE.md)
//   registry.reg  HKLM and HKCU in the registry editor's text format, loaded and saved
//   C/            drive C:
//   debug.log     every run's debugger output, appended
//
// Time is virtual: Sleep and waits advance `Clock` instead of waiting.
#pragma once

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/os_types.h"

namespace sim {

class Registry;

// machine.ini as sections of (key, value) pairs, names compared without regard to case.
class MachineIni {
 public:
  bool Load(const std::filesystem::path& file, std::string* error);
  std::string Get(const std::string& section, const std::string& key,
                  const std::string& fallback = "") const;
  long GetInt(const std::string& section, const std::string& key, long fallback) const;
  bool Has(const std::string& section, const std::string& key) const;
  // Sections whose name starts with `prefix` ("Service:", "Device:", ...), in file order.
  std::vector<std::string> SectionsWithPrefix(const std::string& prefix) const;
  // The (key, value) pairs of a section in file order.
  std::vector<std::pair<std::string, std::string>> Entries(const std::string& section) const;
  void Set(const std::string& section, const std::string& key, const std::string& value);

 private:
  struct Section {
    std::string name;
    std::vector<std::pair<std::string, std::string>> entries;
  };
  const Section* Find(const std::string& name) const;
  std::vector<Section> sections_;
};

enum class Arch { X86, X64, Arm64 };

struct FaultRule {
  std::string call;  // seam function name, e.g. "CopyFileW"
  int skip = 0;      // calls that pass before the fault fires
  int count = 1;     // how many calls fail (-1: all following)
  os::DWORD error = ERROR_ACCESS_DENIED;
  std::string match;  // optional: only calls whose subject (path, key, name) contains this
};

class Machine {
 public:
  // The machine of this process. Tests and tools call Open first; without it the first use
  // opens a fresh default machine in a temporary folder.
  static Machine& Current();

  // Opens the machine folder, creating machine.ini defaults and C/ when missing.
  // Returns false with a one-line reason when the description cannot be used.
  bool Open(const std::filesystem::path& folder, std::string* error);
  // Writes registry.reg back. Called at the end of a run.
  bool Save(std::string* error);
  // Forgets everything (used between tests).
  void Reset();

  const std::filesystem::path& Folder() const { return folder_; }
  std::filesystem::path DriveRoot() const { return folder_ / "C"; }
  const MachineIni& Ini() const { return ini_; }
  MachineIni& MutableIni() { return ini_; }

  // [Windows]
  os::DWORD MajorVersion() const { return major_; }
  os::DWORD MinorVersion() const { return minor_; }
  os::DWORD BuildNumber() const { return build_; }
  os::WORD ServicePack() const { return servicePack_; }
  Arch Architecture() const { return arch_; }
  bool Is64BitWindows() const { return arch_ != Arch::X86; }
  // The running program: 32-bit (the product) or 64-bit (a test program). A 32-bit program
  // on 64-bit Windows runs under WOW64.
  bool ProcessIs32Bit() const { return processIs32Bit_; }
  void SetProcessIs32Bit(bool is32) { processIs32Bit_ = is32; }
  bool UnderWow64() const { return processIs32Bit_ && Is64BitWindows(); }
  // [Screen]
  int ScreenWidth() const { return screenWidth_; }
  int ScreenHeight() const { return screenHeight_; }
  int ScreenDpi() const { return screenDpi_; }
  // [Environment], with Windows' defaults for the usual variables.
  bool Environment(const std::u16string& name, std::u16string* value) const;
  std::u16string UserName() const;
  // The executable path GetModuleFileNameW reports.
  std::u16string ModulePath() const { return modulePath_; }
  void SetModulePath(const std::u16string& path) { modulePath_ = path; }

  Registry& Reg();

  // Virtual clock in milliseconds since the machine was opened.
  std::uint64_t Now() const { return clock_.load(); }
  void Advance(std::uint64_t ms) { clock_ += ms; }

  // Changes whenever the machine is reset or (re)opened, so that models of other Windows
  // parts kept beside the machine know to reload.
  std::uint64_t Generation() const { return generation_.load(); }

  // Debugger channel: appended to debug.log and kept in memory for tests.
  void Debug(const std::u16string& text);
  std::u16string DebugOutput() const;
  void ClearDebugOutput();

  // Fault injection: a seam function asks TakeFault with its name (and subject) before acting.
  void InjectFault(const FaultRule& rule);
  void ClearFaults();
  bool TakeFault(const char* call, const std::u16string& subject, os::DWORD* error);
  // Sees every seam call that asks for a fault, in order, and whether one fired; called on the
  // calling thread, after the machine's lock is released.
  using CallObserver =
      std::function<void(const char* call, const std::u16string& subject, bool failed)>;
  void SetCallObserver(CallObserver observer);

 private:
  Machine();
  ~Machine();
  bool ApplyIni(std::string* error);
  bool MatchFault(const char* call, const std::u16string& subject, os::DWORD* error);

  std::filesystem::path folder_;
  MachineIni ini_;
  os::DWORD major_ = 10, minor_ = 0, build_ = 19045;
  os::WORD servicePack_ = 0;
  Arch arch_ = Arch::X64;
  bool processIs32Bit_ = true;
  int screenWidth_ = 1920, screenHeight_ = 1080;
  int screenDpi_ = 96;
  std::u16string modulePath_;
  std::unique_ptr<Registry> registry_;
  std::atomic<std::uint64_t> clock_{0};
  std::atomic<std::uint64_t> generation_{0};
  mutable std::mutex mutex_;
  std::u16string debug_;
  std::vector<FaultRule> faults_;
  CallObserver observer_;
  bool opened_ = false;
};

// Shortcut for the seam implementations: fails the call when a fault is injected, setting the
// error for the caller to return or store as last error.
bool Fault(const char* call, const std::u16string& subject, os::DWORD* error);

}  // namespace sim
