// The setup's configuration record, filled from AudioConfig.cfg beside the setup program,
// and the integer switches read from the same file.
#pragma once

#include <cstdint>
#include <string>

struct _APPLICATION_FOLDER_PATH {
  std::u16string Reserved1;  // not read by the setup
  std::u16string SourceAppFileName;
  std::u16string Reserved2;  // not read by the setup
  std::u16string Reserved3;  // not read by the setup
  std::u16string LanguageFolderName;
  std::u16string SkinFolderName;
  std::u16string ProgramFilesPath;
  std::u16string InstallAppTitle;
  std::u16string InstallIconFileName;
  std::u16string InstallFolderName;
  std::u16string ShortcutFolderName;
  std::u16string ShortcutFolderNameUp;
  std::u16string AppShortcutName;
  std::u16string UninstallAppTitle;
  std::u16string UninstallIconFileName;
  std::u16string UninstallShortcutName;
  std::u16string Publisher;
  std::u16string UninstallDisplayName;
  std::u16string SourceFolderFullPath;
  std::u16string InstallFolderPath;
  std::u16string APPFileName;
  std::u16string UninstallFileName;
  std::u16string UserManualShortcutName;
  std::u16string Reserved4;  // not read by the setup
  std::u16string Reserved5;  // not read by the setup
  std::u16string NativeSystemFolderPath;
  std::u16string DeviceActiveIconFileName;
  std::u16string DeviceUnactiveIconFileName;
  std::u16string TrayIconRestorOn;
  std::u16string EffectAPPFileName;
  std::u16string EffectAppShortcutName;
  std::u16string PluginFolderName;
  std::u16string SoundEffectAPPFileName;
  std::u16string DebugLevelApplication;
  std::u16string DebugLevelService;
};

// Fills `config` from `fileName` in the folder of `programPath` (the running setup program)
// and derives the Program Files, install and native system folder paths; missing keys leave
// their fields as they were. Returns what keeps the install from going on ("" when nothing
// does): a configuration file that exists but cannot be read, or an unknown Program Files
// folder (the install would go to the root of the drive).
std::u16string LoadSetupConfig(const std::u16string& fileName, const std::u16string& programPath,
                               _APPLICATION_FOLDER_PATH& config);

// The integer switches of the wizard (a switch is on only when it equals 1).
struct _SETUP_SWITCHES {
  std::int32_t PluginEnabled = 0;
  std::int32_t DesktopShortcutEnable = 0;
  std::int32_t InstallWindowsKB = 0;
  std::int32_t ShowRebootScreen = 0;
  std::int32_t MultiDisplaySetting = 0;
};

// Reads the switches from `configFile` with their defaults for missing or empty keys.
_SETUP_SWITCHES ReadSetupSwitches(const std::u16string& configFile);

// The language-file sub-folder for a screen of width x height pixels (strict comparisons of
// the 32-bit area): "1920x1080\", "1366x768\", "960x540\" or empty.
std::u16string ResolutionFolderFor(int width, int height);
