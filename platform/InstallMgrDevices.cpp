// Detaching the audio filter from the supported devices and restarting them.
#include <algorithm>
#include <string>
#include <vector>

#include "platform/DeviceRestart.h"
#include "platform/InstallMgr.h"
#include "platform/OwnedHandles.h"
#include "platform/os_devices.h"
#include "platform/text.h"

namespace INSTALL_MGR {

namespace {

// A device is served when its most specific hardware ID (the first of its list) has the
// expected length and matches the device-ID list.
bool IsServedDevice(os::HDEVINFO set, os::SP_DEVINFO_DATA* device, std::uint32_t idLength,
                    const DeviceIdMatcher& ids) {
  os::DWORD type = REG_NONE;
  const PropertyBlock hardwareIds = ReadDeviceProperty(set, device, SPDRP_HARDWAREID, &type);
  if (!hardwareIds) return false;
  const std::u16string firstId(hardwareIds.get());
  if (firstId.size() != idLength) return false;
  return ids.MatchDeviceId(firstId);
}

// Runs `act` on every served device of a fresh set; 1 when the set cannot be created.
template <typename Action>
int ForEachServedDevice(const os::GUID& classGuid, os::DWORD flags, std::uint32_t idLength,
                        const DeviceIdMatcher& ids, Action act) {
  const os::OwnedDeviceSet set(os::SetupDiGetClassDevsW(&classGuid, u"", flags));
  if (!set) return 1;
  for (os::DWORD index = 0;; ++index) {
    os::SP_DEVINFO_DATA device;
    device.cbSize = sizeof(device);
    if (!os::SetupDiEnumDeviceInfo(set.get(), index, &device)) break;
    if (IsServedDevice(set.get(), &device, idLength, ids)) act(set.get(), &device);
  }
  return 0;
}

}  // namespace

void CInstallMgr::RemoveFilterAndRestart(const os::GUID& classGuid, std::uint32_t idLength,
                                         const DeviceIdMatcher& ids, std::u16string filterName,
                                         std::uint32_t property) {
  if (RemoveFilterFromDevices(classGuid, idLength, ids, filterName, property) != 0) return;
  RestartMatchingDevices(classGuid, idLength, ids);
}

int CInstallMgr::RemoveFilterFromDevices(const os::GUID& classGuid, std::uint32_t idLength,
                                         const DeviceIdMatcher& ids, std::u16string filterName,
                                         std::uint32_t property) {
  // Every class, present or not: an unplugged device keeps its filter list too.
  return ForEachServedDevice(classGuid, DIGCF_ALLCLASSES, idLength, ids,
                             [&](os::HDEVINFO set, os::SP_DEVINFO_DATA* device) {
                               if (IsFilterInProperty(set, device, filterName, property))
                                 RemoveFilterFromProperty(set, device, filterName,
                                                          property);  // next device either way
                             });
}

int CInstallMgr::RestartMatchingDevices(const os::GUID& classGuid, std::uint32_t idLength,
                                        const DeviceIdMatcher& ids) {
  return ForEachServedDevice(classGuid, DIGCF_PRESENT | DIGCF_ALLCLASSES, idLength, ids,
                             [](os::HDEVINFO set, os::SP_DEVINFO_DATA* device) {
                               RestartDevice(set, device);  // a failed restart is not retried
                             });
}

PropertyBlock CInstallMgr::GetMultiSzProperty(os::HDEVINFO set, os::SP_DEVINFO_DATA* device,
                                              std::uint32_t property) {
  os::DWORD type = REG_NONE;
  PropertyBlock block = ReadDeviceProperty(set, device, property, &type);
  if (!block || type != REG_MULTI_SZ) return nullptr;
  return block;
}

std::uint32_t CInstallMgr::GetMultiSzLength(const char16_t* multiSz) {
  std::uint32_t length = 0;
  for (const char16_t* entry = multiSz; *entry;) {
    const std::size_t entryLength = std::char_traits<char16_t>::length(entry);
    length += static_cast<std::uint32_t>(entryLength) + 1;
    entry += entryLength + 1;
  }
  return length > 0 ? length + 1 : 0;
}

bool CInstallMgr::RemoveFilterFromProperty(os::HDEVINFO set, os::SP_DEVINFO_DATA* device,
                                           const std::u16string& filterName,
                                           std::uint32_t property) {
  PropertyBlock block = GetMultiSzProperty(set, device, property);
  if (!block) return true;  // nothing to change

  std::vector<std::u16string> entries;
  for (const char16_t* entry = block.get(); *entry; entry += entries.back().size() + 1)
    entries.emplace_back(entry);
  if (entries.empty()) return false;

  // Rewritten in place: dropping entries and upper-casing never makes the list longer.
  const std::u16string upperFilter = text::ToUpper(filterName);
  char16_t* out = block.get();
  for (const std::u16string& entry : entries) {
    const std::u16string upper = text::ToUpper(entry);
    if (upper == upperFilter) continue;
    out = std::copy(upper.begin(), upper.end(), out);
    *out++ = u'\0';
  }
  *out = u'\0';

  const os::DWORD size = GetMultiSzLength(block.get()) * 2;
  if (size == 0) {
    // The filter was the only entry: deleting the property is what Windows does for an
    // empty write, and an already missing property is just as good.
    os::SetupDiSetDeviceRegistryPropertyW(set, device, property, nullptr, 0);
    return true;
  }
  return os::SetupDiSetDeviceRegistryPropertyW(
             set, device, property, reinterpret_cast<const os::BYTE*>(block.get()), size) != FALSE;
}

}  // namespace INSTALL_MGR
