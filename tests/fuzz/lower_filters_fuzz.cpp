// Fuzz target: the rewrite of a device's LowerFilters list without "ZEVor". The input is the
// property's bytes as a device could hold them (odd lengths, missing terminators, empty
// entries); afterwards the list must hold every other entry, upper-cased, in order, and no
// "ZEVor" in any case.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <unistd.h>

#include "platform/InstallMgr.h"
#include "platform/os_devices.h"
#include "platform/sim/sim_devices.h"
#include "platform/sim/sim_machine.h"
#include "platform/text.h"

namespace {

const os::DWORD kLowerFilters = 0x12;  // SPDRP_LOWERFILTERS

// The entries as Windows would list them: up to the first empty string or the data's end.
std::vector<std::u16string> Entries(const std::u16string& units) {
  std::vector<std::u16string> out;
  std::size_t at = 0;
  while (at < units.size() && units[at] != 0) {
    const std::size_t end = units.find(u'\0', at);
    out.push_back(units.substr(at, end == std::u16string::npos ? std::u16string::npos : end - at));
    if (end == std::u16string::npos) break;
    at = end + 1;
  }
  return out;
}

bool Ready() {
  static const bool ready = [] {
    const auto folder =
        std::filesystem::temp_directory_path() / ("zkt-fuzz-filters-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    std::ofstream(folder / "machine.ini") << "[Device:Audio]\nHardwareIds=USB\\VID_B7D2&PID_7201\n"
                                             "LowerFilters=ZEVor\n";
    std::string error;
    return sim::Machine::Current().Open(folder, &error);
  }();
  return ready;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (!Ready() || size > 4096) return 0;
  size &= ~static_cast<std::size_t>(1);  // whole UTF-16 units
  os::HDEVINFO set = os::SetupDiGetClassDevsW(nullptr, u"", DIGCF_ALLCLASSES);
  os::SP_DEVINFO_DATA device;
  device.cbSize = sizeof device;
  if (!os::SetupDiEnumDeviceInfo(set, 0, &device)) __builtin_trap();
  if (!os::SetupDiSetDeviceRegistryPropertyW(set, &device, kLowerFilters, data,
                                             static_cast<os::DWORD>(size))) {
    os::SetupDiDestroyDeviceInfoList(set);
    sim::ClearDeviceLog();
    return 0;
  }
  std::u16string before;
  for (std::size_t i = 0; i + 1 < size; i += 2)
    before.push_back(static_cast<char16_t>(data[i] | (data[i + 1] << 8)));

  INSTALL_MGR::CInstallMgr mgr;
  mgr.RemoveFilterFromProperty(set, &device, u"ZEVor", kLowerFilters);

  std::vector<std::u16string> expected;
  for (const auto& entry : Entries(before))
    if (!text::EqualsNoCase(entry, u"ZEVor")) expected.push_back(text::ToUpper(entry));
  os::DWORD type = 0, needed = 0;
  std::vector<os::BYTE> after(8192);
  std::u16string afterUnits;
  if (os::SetupDiGetDeviceRegistryPropertyW(set, &device, kLowerFilters, &type, after.data(),
                                            static_cast<os::DWORD>(after.size()), &needed)) {
    for (std::size_t i = 0; i + 1 < needed; i += 2)
      afterUnits.push_back(static_cast<char16_t>(after[i] | (after[i + 1] << 8)));
  }
  // A list without its only entry is deleted; a list without "ZEVor" may stay as it was.
  const auto got = Entries(afterUnits);
  bool hadFilter = false;
  for (const auto& entry : Entries(before)) hadFilter |= text::EqualsNoCase(entry, u"ZEVor");
  if (hadFilter && got != expected) __builtin_trap();
  for (const auto& entry : got)
    if (text::EqualsNoCase(entry, u"ZEVor")) __builtin_trap();
  os::SetupDiDestroyDeviceInfoList(set);
  // Each input leaves the machine as it found it, so the leak check sees nothing kept.
  sim::ClearDeviceLog();
  return 0;
}
