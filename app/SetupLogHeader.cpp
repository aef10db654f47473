#include "app/SetupLogHeader.h"

#include "platform/SetupLog.h"
#include "platform/VersionInfoMgr.h"
#include "platform/os_system.h"
#include "platform/text.h"

namespace {

std::u16string WindowsText() {
  std::u16string version = u"version unknown";
  os::OsVersionInfo info;
  if (os::ProcAvailable(u"ntdll.dll", "RtlGetVersion") && os::RtlGetVersion(&info) == 0)
    version = text::Format(64, u"%u.%u.%u Service Pack %u", info.majorVersion, info.minorVersion,
                           info.buildNumber, static_cast<unsigned>(info.servicePackMajor));
  const os::WORD arch = os::GetNativeProcessorArchitecture();
  const bool is64 = arch == PROCESSOR_ARCHITECTURE_AMD64 || arch == PROCESSOR_ARCHITECTURE_ARM64 ||
                    arch == PROCESSOR_ARCHITECTURE_IA64;
  int wow64 = 0;
  QueryWow64Process(&wow64);
  return version + (is64 ? u", 64-bit" : u", 32-bit") +
         (wow64 ? u" (this 32-bit program runs under WOW64)" : u"");
}

}  // namespace

void WriteLogHeader(const std::vector<std::u16string>& args) {
  if (!setup_log::IsOpen()) return;
  const std::u16string program = os::GetModuleFileNameW();
  std::u16string version;
  if (GetFileVersionText(program, &version) != 0 || version.empty()) version = u"unknown";
  std::u16string arguments;
  for (const std::u16string& arg : args) {
    if (!arguments.empty()) arguments += u' ';
    arguments += arg.find(u' ') == std::u16string::npos ? arg : u"\"" + arg + u"\"";
  }
  const std::size_t slash = program.rfind(u'\\');
  setup_log::Append(
      u"\n===== ZKT audio setup started =====\n"
      u"Program: " +
      program + u", version " + version +
      u"\n"
      u"Windows: " +
      WindowsText() +
      u"\n"
      u"Arguments: " +
      (arguments.empty() ? u"(none)" : arguments) +
      u"\n"
      u"Setup folder: " +
      program.substr(0, slash == std::u16string::npos ? 0 : slash + 1) + u"\n");
}
