#include "platform/DeviceRestart.h"

#include "platform/os_system.h"

namespace {

// Sets one state change for the next DIF_PROPERTYCHANGE call: DEVICE_STATE_CHANGED,
// DEVICE_PARAMS_REFUSED or DEVICE_INSTALLER_REFUSED.
int ChangeState(os::HDEVINFO set, os::SP_DEVINFO_DATA* device, os::DWORD state, os::DWORD scope) {
  os::SP_PROPCHANGE_PARAMS params;
  params.ClassInstallHeader.cbSize = sizeof(os::SP_CLASSINSTALL_HEADER);
  params.ClassInstallHeader.InstallFunction = DIF_PROPERTYCHANGE;
  params.StateChange = state;
  params.Scope = scope;
  params.HwProfile = 0;
  if (!os::SetupDiSetClassInstallParamsW(set, device, &params.ClassInstallHeader, sizeof(params)))
    return DEVICE_PARAMS_REFUSED;
  if (!os::SetupDiCallClassInstaller(DIF_PROPERTYCHANGE, set, device))
    return DEVICE_INSTALLER_REFUSED;
  return DEVICE_STATE_CHANGED;
}

}  // namespace

bool RestartDevice(os::HDEVINFO set, os::SP_DEVINFO_DATA* device) {
  DisableDevice(set, device);  // a refused disable still gets the enable below
  os::Sleep(1000);
  int enabled = EnableDevice(set, device);
  // A device left disabled stays dead until someone enables it by hand: a refused enable is
  // asked for once more, a second later.
  if (enabled >= DEVICE_PARAMS_REFUSED && enabled <= DEVICE_CONFIG_INSTALLER_REFUSED) {
    os::Sleep(1000);
    enabled = EnableDevice(set, device);
  }
  return enabled == DEVICE_STATE_CHANGED;
}

int DisableDevice(os::HDEVINFO set, os::SP_DEVINFO_DATA* device) {
  return ChangeState(set, device, DICS_DISABLE, DICS_FLAG_CONFIGSPECIFIC);
}

int EnableDevice(os::HDEVINFO set, os::SP_DEVINFO_DATA* device) {
  if (const int failed = ChangeState(set, device, DICS_ENABLE, DICS_FLAG_GLOBAL)) return failed;
  if (const int failed = ChangeState(set, device, DICS_ENABLE, DICS_FLAG_CONFIGSPECIFIC))
    return failed + kConfigSpecificStep;
  os::SP_DEVINSTALL_PARAMS_W installParams;
  installParams.cbSize = sizeof(installParams);
  if (!os::SetupDiGetDeviceInstallParamsW(set, device, &installParams))
    return DEVICE_INSTALL_PARAMS_UNREADABLE;
  return (installParams.Flags & DI_NEEDREBOOT) ? DEVICE_NEEDS_REBOOT : DEVICE_STATE_CHANGED;
}
