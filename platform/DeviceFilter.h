// Reading a device's registry property and looking for a filter in a filter list.
#pragma once

#include <memory>
#include <string>

#include "platform/os_devices.h"

// A property as read from a device: the bytes Windows returned, in a block of UTF-16 units
// followed by two zero units, so that a walk over a multi-string whose final terminator is
// missing still ends inside the block.
using PropertyBlock = std::unique_ptr<char16_t[]>;

// Probes the size, then reads the property; null when it is absent, unreadable or empty.
// `regType` receives the registry type of the data.
PropertyBlock ReadDeviceProperty(os::HDEVINFO set, os::SP_DEVINFO_DATA* device, os::DWORD property,
                                 os::DWORD* regType);

// True when the REG_MULTI_SZ property lists `filterName` (compared without regard to case).
bool IsFilterInProperty(os::HDEVINFO set, os::SP_DEVINFO_DATA* device,
                        const std::u16string& filterName, os::DWORD property);
