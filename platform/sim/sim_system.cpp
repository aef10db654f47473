// Simulated machine: system facts, time, debugger channel (os_system.h).
#include "platform/os_system.h"

#include <cstdio>

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

namespace {

// Days since 1970-01-01 of a civil date and back (proleptic Gregorian calendar).
long DaysFromCivil(long y, unsigned m, unsigned d) {
  y -= m <= 2;
  const long era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<long>(doe) - 719468;
}

void CivilFromDays(long z, long* y, unsigned* m, unsigned* d) {
  z += 719468;
  const long era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  *d = doy - (153 * mp + 2) / 5 + 1;
  *m = mp < 10 ? mp + 3 : mp - 9;
  *y = static_cast<long>(yoe) + era * 400 + (*m <= 2);
}

}  // namespace

// The clock starts at machine.ini [Windows] LocalTime and runs with the virtual time.
void GetLocalTime(SystemTime* time) {
  auto& m = sim::Machine::Current();
  const std::string start = m.Ini().Get("Windows", "LocalTime", "2024-03-01 09:00:00");
  int year = 2024, month = 3, day = 1, hour = 9, minute = 0, second = 0;
  std::sscanf(start.c_str(), "%d-%d-%d %d:%d:%d", &year, &month, &day, &hour, &minute, &second);
  const std::uint64_t now = m.Now();
  std::uint64_t ms = static_cast<std::uint64_t>((hour * 60 + minute) * 60 + second) * 1000 + now;
  const long days = DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) +
                    static_cast<long>(ms / 86400000);
  ms %= 86400000;
  long y = 0;
  unsigned mo = 0, d = 0;
  CivilFromDays(days, &y, &mo, &d);
  time->year = static_cast<WORD>(y);
  time->month = static_cast<WORD>(mo);
  time->day = static_cast<WORD>(d);
  time->dayOfWeek = static_cast<WORD>(((days % 7) + 11) % 7);  // 1970-01-01 was a Thursday
  time->hour = static_cast<WORD>(ms / 3600000);
  time->minute = static_cast<WORD>(ms / 60000 % 60);
  time->second = static_cast<WORD>(ms / 1000 % 60);
  time->milliseconds = static_cast<WORD>(ms % 1000);
}

// As Windows: TMP, then TEMP, then USERPROFILE, then the Windows folder; a trailing backslash.
DWORD GetTempPathW(std::u16string* path) {
  auto& m = sim::Machine::Current();
  std::u16string value;
  for (const char16_t* name : {u"TMP", u"TEMP", u"USERPROFILE"})
    if (m.Environment(name, &value) && !value.empty()) break;
  if (value.empty()) value = u"C:\\Windows";
  if (value.back() != u'\\') value += u'\\';
  *path = value;
  return static_cast<DWORD>(value.size());
}

std::uint64_t GetTickCount64() { return sim::Machine::Current().Now(); }

// The one process of the simulated machine that runs code: the program under test.
DWORD GetCurrentProcessId() { return 0x0F30; }

std::u16string FormatSystemMessageW(DWORD error) {
  // Windows' English texts of the errors the programs meet on the simulated machine.
  static const std::pair<DWORD, const char16_t*> kTexts[] = {
      {2, u"The system cannot find the file specified."},
      {3, u"The system cannot find the path specified."},
      {5, u"Access is denied."},
      {8, u"Not enough memory resources are available to process this command."},
      {14, u"Not enough memory resources are available to complete this operation."},
      {31, u"A device attached to the system is not functioning."},
      {32, u"The process cannot access the file because it is being used by another process."},
      {33,
       u"The process cannot access the file because another process has locked a portion of "
       u"the file."},
      {87, u"The parameter is incorrect."},
      {112, u"There is not enough space on the disk."},
      {145, u"The directory is not empty."},
      {183, u"Cannot create a file when that file already exists."},
      {1051,
       u"A stop control has been sent to a service that other running services are "
       u"dependent on."},
      {1052, u"The requested control is not valid for this service."},
      {1053, u"The service did not respond to the start or control request in a timely fashion."},
      {1058,
       u"The service cannot be started, either because it is disabled or because it has no "
       u"enabled devices associated with it."},
      {1060, u"The specified service does not exist as an installed service."},
      {1061, u"The service cannot accept control messages at this time."},
      {1062, u"The service has not been started."},
      {1072, u"The specified service has been marked for deletion."},
      {1450, u"Insufficient system resources exist to complete the requested service."},
  };
  for (const auto& [code, text] : kTexts)
    if (code == error) return std::u16string(text) + u"\r\n";
  return u"";
}

void Sleep(DWORD milliseconds) { sim::Machine::Current().Advance(milliseconds); }

BOOL Beep(DWORD, DWORD duration) {
  sim::Machine::Current().Advance(duration);  // Beep is synchronous on Windows
  return TRUE;
}

void OutputDebugStringW(const std::u16string& text) { sim::Machine::Current().Debug(text); }

}  // namespace os
