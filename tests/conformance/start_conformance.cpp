// Conformance: what the program is and where it runs, checked before every other scenario.
#include "platform/os_system.h"
#include "tests/conformance/conformance.h"

CONFORMANCE_SCENARIO(conformance_start, 0) {
  // Both runs are a 64-bit program on 64-bit Windows: wine64 runs the x86_64 build and the sim
  // machine is set up the same way.
  conf::Line("native processor architecture %u",
             static_cast<unsigned>(os::GetNativeProcessorArchitecture()));
  os::BOOL wow64 = 7;
  const os::BOOL ok = os::IsWow64Process(&wow64);
  conf::Line("IsWow64Process ok %d, under WOW64 %d", ok, wow64);
  conf::Line("program %s", conf::U8(os::GetModuleFileNameW()).c_str());
  conf::Line("scratch %s", conf::U8(conf::Scratch()).c_str());
  for (const char16_t* name : {u"zkt_version_fixture.exe", u"zkt_noversion_fixture.exe"})
    conf::Line("fixture %s: %s", conf::U8(name).c_str(),
               conf::Fixture(name).empty() ? "missing" : "present");
}
