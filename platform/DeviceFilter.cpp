#include "platform/DeviceFilter.h"

#include <new>

#include "platform/os_files.h"
#include "platform/text.h"

PropertyBlock ReadDeviceProperty(os::HDEVINFO set, os::SP_DEVINFO_DATA* device, os::DWORD property,
                                 os::DWORD* regType) {
  os::DWORD required = 0;
  if (os::SetupDiGetDeviceRegistryPropertyW(set, device, property, nullptr, nullptr, 0, &required))
    return nullptr;
  if (os::GetLastError() != ERROR_INSUFFICIENT_BUFFER || required == 0) return nullptr;

  const std::size_t units = (static_cast<std::size_t>(required) + 1) / 2 + 2;
  PropertyBlock block(new (std::nothrow) char16_t[units]());
  if (!block) return nullptr;
  os::DWORD type = REG_NONE;
  if (!os::SetupDiGetDeviceRegistryPropertyW(set, device, property, &type,
                                             reinterpret_cast<os::BYTE*>(block.get()), required,
                                             nullptr))
    return nullptr;
  *regType = type;
  return block;
}

bool IsFilterInProperty(os::HDEVINFO set, os::SP_DEVINFO_DATA* device,
                        const std::u16string& filterName, os::DWORD property) {
  os::DWORD type = REG_NONE;
  const PropertyBlock block = ReadDeviceProperty(set, device, property, &type);
  if (!block || type != REG_MULTI_SZ) return false;
  for (const char16_t* entry = block.get(); *entry;) {
    const std::u16string name(entry);
    if (text::EqualsNoCase(name, filterName)) return true;
    entry += name.size() + 1;
  }
  return false;
}
