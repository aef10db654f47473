// Conformance: what SetupAPI offers everywhere. The devices themselves differ (wine has a few
// virtual ones, the simulated machine those of its description), so only the shape of the
// enumeration is compared; device behaviour is tested on the simulated machine alone.
#include "platform/os_devices.h"
#include "platform/os_files.h"
#include "tests/conformance/conformance.h"

namespace {

using conf::kPoison;

// The audio device interface category the install sequence passes.
const os::GUID kAudioCategory = {
    0x6994AD04, 0x93EF, 0x11D0, {0xA3, 0xCC, 0x00, 0xA0, 0xC9, 0x22, 0x31, 0x96}};

void EnumerateAll(const char* what, os::DWORD flags) {
  os::SetLastError(kPoison);
  const os::HDEVINFO set = os::SetupDiGetClassDevsW(&kAudioCategory, u"", flags);
  conf::Line("%s: set %s", what, set == INVALID_HANDLE_VALUE ? "invalid" : "opened");
  if (set == INVALID_HANDLE_VALUE) return;
  os::DWORD index = 0;
  os::SP_DEVINFO_DATA device;
  for (;; ++index) {
    device.cbSize = sizeof(device);
    if (!os::SetupDiEnumDeviceInfo(set, index, &device)) break;
    if (index > 10000) break;  // a set that never ends would be a fault of its own
  }
  conf::Line("%s: enumeration ended with last error %lu", what,
             static_cast<unsigned long>(os::GetLastError()));
  // Past the end stays past the end.
  device.cbSize = sizeof(device);
  os::SetLastError(kPoison);
  const os::BOOL again = os::SetupDiEnumDeviceInfo(set, index + 5, &device);
  conf::Line("%s: past the end %d, last error %lu", what, again ? 1 : 0,
             static_cast<unsigned long>(os::GetLastError()));
  // A record of the wrong size is refused.
  device.cbSize = 4;
  os::SetLastError(kPoison);
  const os::BOOL shortRecord = os::SetupDiEnumDeviceInfo(set, 0, &device);
  conf::Line("%s: short record %d, last error %lu", what, shortRecord ? 1 : 0,
             static_cast<unsigned long>(os::GetLastError()));
  conf::Line("%s: destroy %d", what, os::SetupDiDestroyDeviceInfoList(set) ? 1 : 0);
}

}  // namespace

CONFORMANCE_SCENARIO(devices_enumeration, 55) {
  EnumerateAll("all classes", DIGCF_ALLCLASSES);
  EnumerateAll("present, all classes", DIGCF_PRESENT | DIGCF_ALLCLASSES);
}

// Calls on a set that is no set: each refuses with ERROR_INVALID_HANDLE.
CONFORMANCE_SCENARIO(devices_invalid_set, 55) {
  os::SP_DEVINFO_DATA device;
  device.cbSize = sizeof(device);
  os::SetLastError(kPoison);
  const os::BOOL enumerated = os::SetupDiEnumDeviceInfo(INVALID_HANDLE_VALUE, 0, &device);
  conf::Line("SetupDiEnumDeviceInfo: %d, last error %lu", enumerated ? 1 : 0,
             static_cast<unsigned long>(os::GetLastError()));
  os::DWORD required = kPoison;
  os::SetLastError(kPoison);
  const os::BOOL read = os::SetupDiGetDeviceRegistryPropertyW(
      INVALID_HANDLE_VALUE, &device, SPDRP_HARDWAREID, nullptr, nullptr, 0, &required);
  conf::Line("SetupDiGetDeviceRegistryPropertyW: %d, last error %lu", read ? 1 : 0,
             static_cast<unsigned long>(os::GetLastError()));
  os::SetLastError(kPoison);
  const os::BOOL destroyed = os::SetupDiDestroyDeviceInfoList(INVALID_HANDLE_VALUE);
  conf::Line("SetupDiDestroyDeviceInfoList: %d, last error %lu", destroyed ? 1 : 0,
             static_cast<unsigned long>(os::GetLastError()));
}

// No class and no DIGCF_ALLCLASSES is refused; the audio class with an enumerator opens a set.
CONFORMANCE_SCENARIO(devices_class_arguments, 55) {
  os::SetLastError(kPoison);
  const os::HDEVINFO none = os::SetupDiGetClassDevsW(nullptr, u"", DIGCF_PRESENT);
  conf::Line("no class, present: %s, last error %lu",
             none == INVALID_HANDLE_VALUE ? "invalid" : "opened",
             static_cast<unsigned long>(none == INVALID_HANDLE_VALUE ? os::GetLastError() : 0));
  if (none != INVALID_HANDLE_VALUE) os::SetupDiDestroyDeviceInfoList(none);
  EnumerateAll("audio class, present", DIGCF_PRESENT);
}
