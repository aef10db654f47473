// Restarting a device through its class installer: disable, pause, enable.
#pragma once

#include "platform/os_devices.h"

// Disables, waits one second and enables the device; true when enabling fully succeeded
// (a device that asks for a reboot counts as not restarted).
bool RestartDevice(os::HDEVINFO set, os::SP_DEVINFO_DATA* device);
// 0 done; 1 the parameters were refused; 2 the class installer refused.
int DisableDevice(os::HDEVINFO set, os::SP_DEVINFO_DATA* device);
// 0 done; 1/2 global enable: parameters / class installer refused; 3/4 the same for the
// configuration-specific enable; 5 install parameters unreadable; 6 Windows needs a reboot.
int EnableDevice(os::HDEVINFO set, os::SP_DEVINFO_DATA* device);
