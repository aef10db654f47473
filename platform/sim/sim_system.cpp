// Simulated machine: system facts, time, debugger channel (os_system.h).
#include "platform/os_system.h"
#include "platform/sim/sim_machine.h"
#include "platform/text.h"

namespace os {

bool ProcAvailable(const std::u16string& moduleName, const char* procName) {
  DWORD error = 0;
  if (sim::Fault("GetProcAddress", text::FromLatin1(procName), &error)) return false;
  const std::u16string module = text::ToUpper(moduleName);
  const std::string proc = procName;
  auto& m = sim::Machine::Current();
  if (proc == "Wow64DisableWow64FsRedirection" || proc == "Wow64RevertWow64FsRedirection" ||
      proc == "IsWow64Process")
    return m.Is64BitWindows() || m.MajorVersion() > 5;  // exported by every x64 and Vista+ kernel32
  (void)module;
  return true;
}

NTSTATUS RtlGetVersion(OsVersionInfo* info) {
  DWORD error = 0;
  if (sim::Fault("RtlGetVersion", u"", &error)) return static_cast<NTSTATUS>(0xC0000001u);
  auto& m = sim::Machine::Current();
  info->majorVersion = m.MajorVersion();
  info->minorVersion = m.MinorVersion();
  info->buildNumber = m.BuildNumber();
  info->servicePackMajor = m.ServicePack();
  info->servicePackMinor = 0;
  return 0;
}

WORD GetNativeProcessorArchitecture() {
  switch (sim::Machine::Current().Architecture()) {
    case sim::Arch::X86: return PROCESSOR_ARCHITECTURE_INTEL;
    case sim::Arch::X64: return PROCESSOR_ARCHITECTURE_AMD64;
    case sim::Arch::Arm64: return PROCESSOR_ARCHITECTURE_ARM64;
  }
  return PROCESSOR_ARCHITECTURE_INTEL;
}

WORD GetProcessorArchitecture() {
  return sim::Machine::Current().UnderWow64() ? PROCESSOR_ARCHITECTURE_INTEL
                                              : GetNativeProcessorArchitecture();
}

BOOL IsWow64Process(BOOL* isWow64) {
  if (!ProcAvailable(u"kernel32", "IsWow64Process")) return FALSE;
  *isWow64 = sim::Machine::Current().UnderWow64() ? TRUE : FALSE;
  return TRUE;
}

std::u16string GetModuleFileNameW() { return sim::Machine::Current().ModulePath(); }

int GetScreenWidth() { return sim::Machine::Current().ScreenWidth(); }
int GetScreenHeight() { return sim::Machine::Current().ScreenHeight(); }
int GetScreenDpi() { return sim::Machine::Current().ScreenDpi(); }

bool GetEnvironmentVariableW(const std::u16string& name, std::u16string* value) {
  return sim::Machine::Current().Environment(name, value);
}

void Sleep(DWORD milliseconds) { sim::Machine::Current().Advance(milliseconds); }

BOOL Beep(DWORD, DWORD duration) {
  sim::Machine::Current().Advance(duration);  // Beep is synchronous on Windows
  return TRUE;
}

void OutputDebugStringW(const std::u16string& text) { sim::Machine::Current().Debug(text); }

}  // namespace os
