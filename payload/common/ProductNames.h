// Names shared by the setup's payload programs: the service, the registry keys the setup
// writes and the message that asks the companion applications to exit.
#pragma once

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

// The service's log, under the all-users application data folder.
constexpr char16_t kLogFolderName[] = u"ZKT 72xx Software";
constexpr char16_t kLogFileName[] = u"AudioDeviceService.log";
constexpr char16_t kOldLogFileName[] = u"AudioDeviceService.old.log";

// The default audio settings that the setup writes under kProductKey (REG_DWORD).
constexpr const char16_t* kDefaultSettingNames[] = {
    u"EncEnable", u"VoiceMagicEnable", u"VoiceMagicLevel",
    u"Virtual7ch1Scalar", u"EncScalar", u"EncGpio"};

}  // namespace payload
