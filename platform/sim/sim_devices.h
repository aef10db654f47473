// The devices of the simulated machine and their SetupAPI view.
//
// machine.ini [Device:<label>] sections describe the devices (hardware IDs, filter lists,
// presence, how the class installer answers). Property writes and enable/disable states are
// kept in the machine folder (devices.ini, one section per device, each written property as
// "<Name>=<registry type>:<hex bytes>" or "<Name>=deleted"), so the next run sees them.
// Every property write and state change is recorded in memory and appended to devices.log.
#pragma once

#include <string>
#include <vector>

#include "platform/os_types.h"

namespace sim {

// What happened to devices since the machine was opened, in order:
// "<label> <Property> written", "<label> <Property> deleted", and for every class-installer
// state change "<label> <disable|enable> <global|config-specific>", with " refused <error>"
// appended when the class installer refused it.
std::vector<std::string> DeviceLog();
// Forgets that record (in memory and devices.log): a long run of many small device changes,
// as a fuzzer makes, would otherwise keep it growing.
void ClearDeviceLog();

// Whether the device is disabled now (false for an unknown label).
bool DeviceDisabled(const std::string& label);

}  // namespace sim
