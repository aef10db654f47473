// Names shared by the setup and its payload programs: the service, the driver, the registry
// keys the setup writes, the files it installs and the message that asks the companion
// applications to exit. Each is written here once; the setup and the payloads both use them.
#pragma once

#include <cstddef>

namespace payload {

constexpr char16_t kServiceName[] = u"AudioDeviceService";
constexpr char16_t kServiceDisplayName[] = u"ZKT 72xx Audio Device Service";
constexpr char16_t kServiceDescription[] =
    u"Keeps the ZKT 72xx USB audio device's companion applications in step with the device.";
constexpr char16_t kAppExitMessage[] = u"WM_ZKT72xxAPP_EXIT";
// Control code the setup sends before it replaces the service.
constexpr unsigned kControlAppExit = 128;
// Named event that reaches applications in other sessions, where a broadcast from the
// service's session does not arrive.
constexpr char16_t kAppExitEventName[] = u"Global\\ZKT72xxAppExit";

// Window classes of the main, effect and sound-effect applications (one instance each).
constexpr const char16_t* kAppWindowClasses[] = {u"ZKT72xxMainApp", u"ZKT72xxEffectApp",
                                                 u"ZKT72xxSoundEffectApp"};

constexpr char16_t kDriverName[] = u"ZEVor";
constexpr char16_t kDriverServiceKey[] = u"SYSTEM\\CurrentControlSet\\Services\\ZEVor";
constexpr char16_t kProductKey[] = u"SOFTWARE\\ZKT 72xx Software";
constexpr char16_t kLevelTableKey[] = u"SOFTWARE\\ZKT 72xx Software\\EncValueMap";
constexpr char16_t kUsbGroupKey[] = u"SOFTWARE\\ZKT USB DeviceId Group";
constexpr char16_t kHidGroupKey[] = u"SOFTWARE\\ZKT HID DeviceId Group";
constexpr char16_t kRunKey[] = u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr char16_t kUninstallKey[] =
    u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\ZKT72xxAudioExt";
constexpr char16_t kUpdatePackageName[] = u"Windows6.1-KB3033929-x64.msu";
constexpr char16_t kConfigFileName[] = u"AudioConfig.cfg";
// Files and folders the setup installs beside the main application.
constexpr char16_t kSoundFileName[] = u"bee.wav";
constexpr char16_t kSupportDllName[] = u"DLLZK_UsbAudio72xx_x32.dll";
constexpr char16_t kManualFolderName[] = u"Manual";

// The setup's value writers and its device-ID groups take a key's path below
// HKEY_LOCAL_MACHINE\SOFTWARE: the tail of the full key above.
constexpr char16_t kSoftwarePrefix[] = u"SOFTWARE\\";
constexpr std::size_t kSoftwarePrefixLength = sizeof kSoftwarePrefix / sizeof(char16_t) - 1;
constexpr bool IsBelowSoftware(const char16_t* key) {
  for (std::size_t i = 0; i < kSoftwarePrefixLength; ++i)
    if (key[i] != kSoftwarePrefix[i]) return false;
  return true;
}
constexpr const char16_t* BelowSoftware(const char16_t* key) { return key + kSoftwarePrefixLength; }
static_assert(IsBelowSoftware(kProductKey) && IsBelowSoftware(kLevelTableKey) &&
                  IsBelowSoftware(kUsbGroupKey) && IsBelowSoftware(kHidGroupKey),
              "the setup writes these keys below HKLM\\SOFTWARE");
constexpr const char16_t* kProductSubKey = BelowSoftware(kProductKey);
constexpr const char16_t* kLevelTableSubKey = BelowSoftware(kLevelTableKey);
constexpr const char16_t* kUsbGroupName = BelowSoftware(kUsbGroupKey);
constexpr const char16_t* kHidGroupName = BelowSoftware(kHidGroupKey);

// The service's log, under the all-users application data folder.
constexpr char16_t kLogFolderName[] = u"ZKT 72xx Software";
constexpr char16_t kLogFileName[] = u"AudioDeviceService.log";
constexpr char16_t kOldLogFileName[] = u"AudioDeviceService.old.log";

// The default audio settings that the setup writes under kProductKey (REG_DWORD).
constexpr char16_t kEncEnableValue[] = u"EncEnable";
constexpr char16_t kVoiceMagicEnableValue[] = u"VoiceMagicEnable";
constexpr char16_t kVoiceMagicLevelValue[] = u"VoiceMagicLevel";
constexpr char16_t kVirtual7ch1ScalarValue[] = u"Virtual7ch1Scalar";
constexpr char16_t kEncScalarValue[] = u"EncScalar";
constexpr char16_t kEncGpioValue[] = u"EncGpio";
constexpr const char16_t* kDefaultSettingNames[] = {kEncEnableValue,       kVoiceMagicEnableValue,
                                                    kVoiceMagicLevelValue, kVirtual7ch1ScalarValue,
                                                    kEncScalarValue,       kEncGpioValue};

}  // namespace payload
