// Restarting a device through its class installer: disable, pause, enable.
#pragma once

#include "platform/os_devices.h"

// Disables, waits one second and enables the device (a refused enable once more, a second
// later); true when enabling fully succeeded (a device that asks for a reboot counts as not
// restarted).
bool RestartDevice(os::HDEVINFO set, os::SP_DEVINFO_DATA* device);
// Results of DisableDevice and EnableDevice. A refusal of the configuration-specific enable is
// the refusal of the global one plus kConfigSpecificStep.
enum DeviceStateResult : int {
  DEVICE_STATE_CHANGED = 0,
  DEVICE_PARAMS_REFUSED = 1,
  DEVICE_INSTALLER_REFUSED = 2,
  DEVICE_CONFIG_PARAMS_REFUSED = 3,
  DEVICE_CONFIG_INSTALLER_REFUSED = 4,
  DEVICE_INSTALL_PARAMS_UNREADABLE = 5,
  DEVICE_NEEDS_REBOOT = 6,
};
constexpr int kConfigSpecificStep = DEVICE_CONFIG_PARAMS_REFUSED - DEVICE_PARAMS_REFUSED;

// DEVICE_STATE_CHANGED, DEVICE_PARAMS_REFUSED or DEVICE_INSTALLER_REFUSED.
int DisableDevice(os::HDEVINFO set, os::SP_DEVINFO_DATA* device);
// Enables globally, then for the configuration; any of the results above.
int EnableDevice(os::HDEVINFO set, os::SP_DEVINFO_DATA* device);
