#include "config/SetupConfig.h"

#include "config/ProfileValue.h"
#include "platform/SystemFolder.h"
#include "platform/Wow64Redirection.h"
#include "platform/os_files.h"
#include "platform/os_system.h"
#include "platform/text.h"
#include "platform/trace.h"

namespace {

constexpr std::size_t kShellPathAppendLimit = 260;

std::u16string ProgramFilesFolder() {
  std::u16string path;
  if (!os::SHGetSpecialFolderPathW(&path, CSIDL_PROGRAM_FILES, FALSE) || path.empty()) return u"";
  // The backslash is appended within a 260-character buffer; a longer path stays as it is.
  if ((path.empty() || path.back() != u'\\') && path.size() + 1 < kShellPathAppendLimit)
    path += u'\\';
  return path;
}

bool RunsUnderWow64() {
  if (!os::ProcAvailable(u"kernel32", "IsWow64Process")) return false;
  os::BOOL wow64 = FALSE;
  return os::IsWow64Process(&wow64) && wow64;
}

std::u16string NativeSystemFolder() {
  const Wow64RedirectionOff redirection(RunsUnderWow64());
  return SystemFolderPath();
}

std::int32_t ReadSwitch(const std::u16string& file, const char16_t* key, std::int32_t fallback) {
  std::u16string value;
  if (ReadProfileValue(file, u"Install", key, value) != 0) return fallback;
  return DecimalValue(value);
}

}  // namespace

std::u16string LoadSetupConfig(const std::u16string& fileName, const std::u16string& programPath,
                               _APPLICATION_FOLDER_PATH& config) {
  const std::size_t slash = programPath.rfind(u'\\');
  config.SourceAppFileName =
      slash == std::u16string::npos ? programPath : programPath.substr(slash + 1);
  config.SourceFolderFullPath =
      slash == std::u16string::npos ? std::u16string() : programPath.substr(0, slash + 1);
  trace::Printf(u"##### SourceAppFileName = %s\n", config.SourceAppFileName.c_str());
  trace::Printf(u"##### SourceFolderFullPath = %s\n", config.SourceFolderFullPath.c_str());

  const std::u16string file = config.SourceFolderFullPath + fileName;
  struct Read {
    const char16_t* section;
    const char16_t* key;
    std::u16string _APPLICATION_FOLDER_PATH::*field;
  };
  using C = _APPLICATION_FOLDER_PATH;
  static const Read kReads[] = {
      {u"Language", u"LanguageFolderName", &C::LanguageFolderName},
      {u"Skin", u"SkinFolderName", &C::SkinFolderName},
      {u"Install", u"InstallAppTitle", &C::InstallAppTitle},
      {u"Install", u"InstallIconFileName", &C::InstallIconFileName},
      {u"Install", u"InstallFolderName", &C::InstallFolderName},
      {u"Install", u"ShortcutFolderName", &C::ShortcutFolderName},
      {u"Install", u"ShortcutFolderNameUp", &C::ShortcutFolderNameUp},
      {u"Install", u"AppShortcutName", &C::AppShortcutName},
      {u"Uninstall", u"UninstallAppTitle", &C::UninstallAppTitle},
      {u"Uninstall", u"UninstallIconFileName", &C::UninstallIconFileName},
      {u"Uninstall", u"UninstallShortcutName", &C::UninstallShortcutName},
      {u"Uninstall", u"Publisher", &C::Publisher},
      {u"Uninstall", u"UninstallDisplayName", &C::UninstallDisplayName},
      {u"Application", u"DeviceActiveIconFileName", &C::DeviceActiveIconFileName},
      {u"Application", u"DeviceUnactiveIconFileName", &C::DeviceUnactiveIconFileName},
      {u"Application", u"TrayIconRestorOn", &C::TrayIconRestorOn},
      {u"Install", u"APPFileName", &C::APPFileName},
      {u"Install", u"UserManualShortcutName", &C::UserManualShortcutName},
      {u"Uninstall", u"UninstallFileName", &C::UninstallFileName},
      {u"DebugLevel", u"Application", &C::DebugLevelApplication},
      {u"DebugLevel", u"Service", &C::DebugLevelService},
      {u"Install", u"EffectAPPFileName", &C::EffectAPPFileName},
      {u"Install", u"EffectAppShortcutName", &C::EffectAppShortcutName},
      {u"Plugin", u"PluginFolderName", &C::PluginFolderName},
      {u"Install", u"SoundEffectAPPFileName", &C::SoundEffectAPPFileName},
  };
  std::u16string problem;
  for (const Read& read : kReads) {  // a missing key keeps the field as it was
    if (ReadProfileValue(file, read.section, read.key, config.*read.field) == 2 && problem.empty())
      problem = text::Format(512, u"%s cannot be read (error %u).", file.c_str(),
                             static_cast<unsigned>(os::GetLastError()));
  }
  if (config.DebugLevelApplication.empty()) config.DebugLevelApplication = u"0";
  if (config.DebugLevelService.empty()) config.DebugLevelService = u"0";

  config.ProgramFilesPath = ProgramFilesFolder();
  if (config.ProgramFilesPath.empty() && problem.empty())
    // SHGetSpecialFolderPathW gives no reason: the folder's path is not found.
    problem = text::Format(128, u"The Program Files folder is unknown (error %u).",
                           static_cast<unsigned>(ERROR_PATH_NOT_FOUND));
  config.InstallFolderPath = config.ProgramFilesPath + config.InstallFolderName + u"\\";
  config.NativeSystemFolderPath = NativeSystemFolder();
  if (!problem.empty()) trace::Printf(u"***** %s *****\n", problem.c_str());
  return problem;
}

_SETUP_SWITCHES ReadSetupSwitches(const std::u16string& configFile) {
  _SETUP_SWITCHES switches;
  std::u16string plugin;
  ReadProfileValue(configFile, u"Plugin", u"PluginFolderName", plugin);
  switches.PluginEnabled = plugin.empty() ? 0 : 1;
  switches.DesktopShortcutEnable = ReadSwitch(configFile, u"DesktopShortcutEnable", 0);
  switches.InstallWindowsKB = ReadSwitch(configFile, u"InstallWindowsKB", 1);
  switches.ShowRebootScreen = ReadSwitch(configFile, u"ShowRebootScreen", 0);
  switches.MultiDisplaySetting = ReadSwitch(configFile, u"MultiDisplaySetting", 0);
  return switches;
}

std::u16string ResolutionFolderFor(int width, int height) {
  // The product is a 32-bit signed multiplication; wrap it the same way without overflow.
  const auto area = static_cast<std::int32_t>(static_cast<std::uint32_t>(
      static_cast<std::int64_t>(width) * static_cast<std::int64_t>(height)));
  if (area > 2073600) return u"1920x1080\\";
  if (area > 1049088) return u"1366x768\\";
  if (area > 518400) return u"960x540\\";
  return u"";
}
