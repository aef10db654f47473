// Conformance: reading a device's properties as the driver installation does: the size asked
// with no buffer, a buffer one byte short, the full read, a property the device lacks and one
// that does not exist. The devices differ between wine and the simulated machine, so only the
// shape of the answers is printed (sizes as relations, not numbers).
#include <vector>

#include "platform/os_devices.h"
#include "platform/os_files.h"
#include "tests/conformance/conformance.h"

namespace {

unsigned long U(os::DWORD v) { return static_cast<unsigned long>(v); }

// One read of `property` into `size` bytes: the result, the error and the reported size.
struct Read {
  os::BOOL ok;
  os::DWORD error, type, required;
};

Read ReadProperty(os::HDEVINFO set, os::SP_DEVINFO_DATA* device, os::DWORD property,
                  std::vector<os::BYTE>* buffer) {
  Read r{FALSE, 0, conf::kPoison, conf::kPoison};
  os::SetLastError(conf::kPoison);
  r.ok = os::SetupDiGetDeviceRegistryPropertyW(set, device, property, &r.type,
                                               buffer->empty() ? nullptr : buffer->data(),
                                               static_cast<os::DWORD>(buffer->size()), &r.required);
  r.error = r.ok ? 0 : os::GetLastError();
  return r;
}

// The first present device with a hardware ID (every real device has one).
bool FirstDevice(os::HDEVINFO set, os::SP_DEVINFO_DATA* device) {
  for (os::DWORD i = 0; i < 1000; ++i) {
    device->cbSize = sizeof(*device);
    if (!os::SetupDiEnumDeviceInfo(set, i, device)) return false;
    std::vector<os::BYTE> none;
    if (ReadProperty(set, device, SPDRP_HARDWAREID, &none).error == ERROR_INSUFFICIENT_BUFFER)
      return true;
  }
  return false;
}

}  // namespace

CONFORMANCE_SCENARIO(devices_property_sizes, 55) {
  const os::HDEVINFO set = os::SetupDiGetClassDevsW(nullptr, u"", DIGCF_PRESENT | DIGCF_ALLCLASSES);
  os::SP_DEVINFO_DATA device;
  if (set == INVALID_HANDLE_VALUE || !FirstDevice(set, &device)) {
    conf::Line("no present device with a hardware ID");
    if (set != INVALID_HANDLE_VALUE) os::SetupDiDestroyDeviceInfoList(set);
    return;
  }
  std::vector<os::BYTE> buffer;
  const Read asked = ReadProperty(set, &device, SPDRP_HARDWAREID, &buffer);
  conf::Line("no buffer: %d, last error %lu, size reported %s", asked.ok ? 1 : 0, U(asked.error),
             asked.required > 0 && asked.required % 2 == 0 ? "even and above 0" : "odd or 0");
  buffer.assign(asked.required - 1, 0xcc);
  const Read shortRead = ReadProperty(set, &device, SPDRP_HARDWAREID, &buffer);
  conf::Line("one byte short: %d, last error %lu, size reported %s", shortRead.ok ? 1 : 0,
             U(shortRead.error), shortRead.required == asked.required ? "the same" : "another");
  buffer.assign(asked.required, 0xcc);
  const Read full = ReadProperty(set, &device, SPDRP_HARDWAREID, &buffer);
  const bool doubleNull = buffer.size() >= 4 && buffer[buffer.size() - 1] == 0 &&
                          buffer[buffer.size() - 2] == 0 && buffer[buffer.size() - 3] == 0 &&
                          buffer[buffer.size() - 4] == 0;
  conf::Line("full buffer: %d, type %lu, size reported %s, ends in two nulls %s", full.ok ? 1 : 0,
             U(full.type), full.required == asked.required ? "the same" : "another",
             doubleNull ? "yes" : "no");
  buffer.assign(asked.required + 64, 0xcc);
  const Read large = ReadProperty(set, &device, SPDRP_HARDWAREID, &buffer);
  conf::Line("larger buffer: %d, size reported %s, bytes after it untouched %s", large.ok ? 1 : 0,
             large.required == asked.required ? "the same" : "another",
             buffer[asked.required] == 0xcc ? "yes" : "no");
  buffer.clear();
  const Read beyond = ReadProperty(set, &device, SPDRP_MAXIMUM_PROPERTY, &buffer);
  conf::Line("SPDRP_MAXIMUM_PROPERTY: %d, last error 0x%lx", beyond.ok ? 1 : 0, U(beyond.error));
  const Read huge = ReadProperty(set, &device, 0x1000, &buffer);
  conf::Line("property 0x1000: %d, last error 0x%lx", huge.ok ? 1 : 0, U(huge.error));
  os::SetupDiDestroyDeviceInfoList(set);
}

// A device record that belongs to no set, or to another set, is refused.
CONFORMANCE_SCENARIO(devices_foreign_record, 55) {
  const os::HDEVINFO all = os::SetupDiGetClassDevsW(nullptr, u"", DIGCF_PRESENT | DIGCF_ALLCLASSES);
  const os::HDEVINFO other =
      os::SetupDiGetClassDevsW(nullptr, u"", DIGCF_PRESENT | DIGCF_ALLCLASSES);
  os::SP_DEVINFO_DATA device;
  if (all == INVALID_HANDLE_VALUE || other == INVALID_HANDLE_VALUE || !FirstDevice(all, &device)) {
    conf::Line("no present device with a hardware ID");
  } else {
    std::vector<os::BYTE> buffer;
    const Read foreign = ReadProperty(other, &device, SPDRP_HARDWAREID, &buffer);
    conf::Line("a record of another set: %d, last error 0x%lx", foreign.ok ? 1 : 0,
               U(foreign.error));
    os::SP_DEVINFO_DATA blank;
    blank.cbSize = sizeof(blank);
    const Read empty = ReadProperty(all, &blank, SPDRP_HARDWAREID, &buffer);
    conf::Line("a blank record: %d, last error 0x%lx", empty.ok ? 1 : 0, U(empty.error));
  }
  if (all != INVALID_HANDLE_VALUE) os::SetupDiDestroyDeviceInfoList(all);
  if (other != INVALID_HANDLE_VALUE) os::SetupDiDestroyDeviceInfoList(other);
}

// The filters of SetupDiGetClassDevsW: the system setup class holds the root device, a class
// no device has gives an empty set, and an enumerator narrows the set to its devices.
CONFORMANCE_SCENARIO(devices_set_filters, 55) {
  const os::GUID systemClass = {
      0x4d36e97d, 0xe325, 0x11ce, {0xbf, 0xc1, 0x08, 0x00, 0x2b, 0xe1, 0x03, 0x18}};
  const os::GUID noDevices = {
      0x5a1c2b3d, 0x0f0e, 0x4d3c, {0x9b, 0x8a, 0x7f, 0x6e, 0x5d, 0x4c, 0x3b, 0x2a}};
  const struct {
    const char* what;
    const os::GUID* guid;
    const char16_t* enumerator;
    os::DWORD flags;
  } cases[] = {
      {"system class, present", &systemClass, u"", DIGCF_PRESENT},
      {"a class without devices", &noDevices, u"", DIGCF_PRESENT},
      {"enumerator ROOT, all classes", nullptr, u"ROOT", DIGCF_PRESENT | DIGCF_ALLCLASSES}};
  for (const auto& c : cases) {
    os::SetLastError(conf::kPoison);
    const os::HDEVINFO set = os::SetupDiGetClassDevsW(c.guid, c.enumerator, c.flags);
    if (set == INVALID_HANDLE_VALUE) {
      conf::Line("%s: invalid, last error %lu", c.what, U(os::GetLastError()));
      continue;
    }
    os::DWORD count = 0;
    os::SP_DEVINFO_DATA device;
    device.cbSize = sizeof(device);
    while (count < 10000 && os::SetupDiEnumDeviceInfo(set, count, &device)) ++count;
    conf::Line("%s: %s", c.what, count ? "devices" : "empty");
    os::SetupDiDestroyDeviceInfoList(set);
  }
}
