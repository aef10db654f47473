// The uninstaller's course: where it runs, the questions, the removal and the report.
#include "payload/uninstall/UninstallMain.h"

#include "payload/common/CommandLine.h"
#include "payload/common/ProductNames.h"
#include "payload/common/UninstallPlan.h"
#include "payload/uninstall/InstalledRegistry.h"
#include "payload/uninstall/Removal.h"
#include "platform/ProfileText.h"
#include "platform/WholeFile.h"
#include "platform/os_files.h"
#include "platform/os_system.h"
#include "platform/os_ui.h"

using os::DWORD;

namespace {

constexpr std::size_t kReportLines = 20;       // a message box must fit on the screen
constexpr DWORD kValueLength = 1024;           // the longest configuration value read
constexpr std::size_t kConfigLimit = 1 << 20;  // the installed configuration is a few KB

std::u16string Decimal(std::size_t number) {
  std::u16string text;
  for (const char c : std::to_string(number)) text += static_cast<char16_t>(c);
  return text;
}

// A folder Windows names; a failure is noted, since every path below it would be wrong.
std::u16string Folder(int csidl, std::vector<std::u16string>& unknown) {
  std::u16string path;
  if (os::SHGetSpecialFolderPathW(&path, csidl, FALSE) && !path.empty()) return path;
  unknown.push_back(u"shell folder " + Decimal(static_cast<std::size_t>(csidl)));
  return u"";
}

// A value as GetPrivateProfileStringW gives it (quotes stripped, cut at the buffer size), from
// the configuration read once: a value read alone comes back empty when its read fails, which
// cannot be told from a value that is not there.
std::u16string ConfigValue(const profile::ProfileText& config, const char16_t* section,
                           const char16_t* key) {
  std::u16string value;
  const auto found = config.Find(section, key);
  profile::ProfileCopyEntry(found ? *found : u"", kValueLength, &value);
  return value;
}

bool Exists(const std::u16string& path) {
  return os::GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES;
}

struct Layout : payload::InstallLayout {
  payload::UninstallerPlace place = payload::UninstallerPlace::NotInstalled;
  std::u16string registeredFolder;
  std::vector<std::u16string> unknownFolders;  // folders Windows did not name
  profile::ProfileText config;                 // the installed configuration; empty if not read
  DWORD configError = ERROR_SUCCESS;           // why it could not be read, when it is there
};

Layout ReadLayout() {
  Layout l;
  const std::u16string self = os::GetModuleFileNameW();
  const std::size_t slash = self.find_last_of(u'\\');
  l.installFolder = self.substr(0, slash + 1);
  l.uninstallerFileName = self.substr(slash + 1);

  std::u16string system;
  if (!os::GetSystemDirectoryW(&system) || system.empty())
    l.unknownFolders.push_back(u"the system folder");
  l.systemFolder = system + u"\\";
  l.nativeSystemFolder = l.systemFolder;  // reached with redirection off (Removal.cpp)
  l.commonPrograms = Folder(CSIDL_COMMON_PROGRAMS, l.unknownFolders);
  l.desktop = Folder(CSIDL_DESKTOPDIRECTORY, l.unknownFolders);
  l.appData = Folder(CSIDL_APPDATA, l.unknownFolders);
  l.commonAppData = Folder(CSIDL_COMMON_APPDATA, l.unknownFolders);

  std::string bytes;
  const DWORD error =
      ReadWholeFile(l.installFolder + payload::kConfigFileName, &bytes, kConfigLimit);
  l.configFound = error == ERROR_SUCCESS;
  if (error != ERROR_SUCCESS && error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND)
    l.configError = error;
  l.config = profile::ProfileText::Parse(bytes);
  const auto value = [&l](const char16_t* section, const char16_t* key) {
    return ConfigValue(l.config, section, key);
  };
  if (l.configFound) {
    l.installFolderName = value(u"Install", u"InstallFolderName");
    l.shortcutFolderName = value(u"Install", u"ShortcutFolderName");
    l.shortcutFolderNameUp = value(u"Install", u"ShortcutFolderNameUp");
    l.appShortcutName = value(u"Install", u"AppShortcutName");
    l.appFileName = value(u"Install", u"APPFileName");
    l.userManualShortcutName = value(u"Install", u"UserManualShortcutName");
    l.effectAppFileName = value(u"Install", u"EffectAPPFileName");
    l.soundEffectAppFileName = value(u"Install", u"SoundEffectAPPFileName");
    l.installIconFileName = value(u"Install", u"InstallIconFileName");
    l.pluginFolderName = value(u"Plugin", u"PluginFolderName");
    l.uninstallShortcutName = value(u"Uninstall", u"UninstallShortcutName");
    l.uninstallFileName = value(u"Uninstall", u"UninstallFileName");
    l.skinFolderName = value(u"Skin", u"SkinFolderName");
    l.languageFolderName = value(u"Language", u"LanguageFolderName");
  }
  std::u16string registered;
  uninstall::ReadMachineString(payload::kUninstallKey, u"UninstallString", registered);
  l.place = payload::LocateUninstaller(l.installFolder, registered);
  l.installFolderConfirmed = l.place == payload::UninstallerPlace::InstallFolder;
  l.registeredFolder = payload::RegisteredInstallFolder(registered);
  return l;
}

std::u16string ProductName(const Layout& layout) {
  std::u16string name;
  if (uninstall::ReadMachineString(payload::kUninstallKey, u"DisplayName", name) && !name.empty())
    return name;
  name = ConfigValue(layout.config, u"Uninstall", u"UninstallDisplayName");
  return name.empty() ? u"ZKT 72xx USB Audio" : name;
}

std::u16string Caption(const Layout& layout) {
  const std::u16string title = ConfigValue(layout.config, u"Uninstall", u"UninstallAppTitle");
  return title.empty() ? u"Uninstall" : title;
}

void AppendList(std::u16string& text, const char16_t* heading,
                const std::vector<std::u16string>& items) {
  if (items.empty()) return;
  text += u"\n\n";
  text += heading;
  for (std::size_t i = 0; i < items.size() && i < kReportLines; ++i) text += u"\n  " + items[i];
  if (items.size() > kReportLines)
    text += u"\n  ... and " + Decimal(items.size() - kReportLines) + u" more";
}

}  // namespace

int UninstallMain(const std::vector<std::u16string>& arguments) {
  const payload::UninstallCommand command = payload::ParseUninstallArguments(arguments);
  if (!command.ok) {
    if (!command.silent)
      os::MessageBoxW(u"Unknown argument \"" + command.error +
                          u"\".\n\nUse /RemoveUserData, /KeepUserData or /S, or no argument.",
                      u"Uninstall", MB_OK | MB_ICONERROR);
    return kUninstallBadArgument;
  }

  Layout layout = ReadLayout();
  const std::u16string product = ProductName(layout);
  const std::u16string caption = Caption(layout);
  // Only the installed copy removes anything: a copy elsewhere would go by the names in the
  // files beside it, which may be anyone's.
  if (layout.place != payload::UninstallerPlace::InstallFolder) {
    const std::u16string text =
        layout.place == payload::UninstallerPlace::Elsewhere
            ? product + u" is installed in " + layout.registeredFolder +
                  u", not in this program's folder. Remove it with the uninstaller there "
                  u"(Settings > Apps, or Programs and Features).\n\nNothing was changed."
            : product +
                  u" is not installed on this computer. What an earlier uninstall left "
                  u"goes when Windows restarts.\n\nNothing was changed.";
    if (!command.silent) os::MessageBoxW(text, caption, MB_OK | MB_ICONINFORMATION);
    return kUninstallNotInstalledHere;
  }
  // Paths below a folder Windows did not name would be wrong (the root of the drive): stop
  // before anything is changed, so that the uninstall can simply be run again.
  if (!layout.unknownFolders.empty()) {
    std::u16string text = product + u" cannot be removed now: Windows did not name";
    for (const std::u16string& folder : layout.unknownFolders) text += u"\n  " + folder;
    if (!command.silent)
      os::MessageBoxW(text + u"\n\nNothing was changed. Try again later.", caption,
                      MB_OK | MB_ICONWARNING);
    return kUninstallIncomplete;
  }
  // Without the names in the configuration most items could not be found; a read that failed
  // (another program holds the file, say) may well succeed later.
  if (layout.configError != ERROR_SUCCESS) {
    if (!command.silent)
      os::MessageBoxW(product + u" cannot be removed now: " + layout.installFolder +
                          payload::kConfigFileName + u" could not be read: " +
                          ErrorText(layout.configError) +
                          u"\n\nNothing was changed. Try again later.",
                      caption, MB_OK | MB_ICONWARNING);
    return kUninstallIncomplete;
  }
  if (!command.silent &&
      os::MessageBoxW(u"Do you want to remove " + product +
                          u" (its driver, service, applications and shortcuts) from this "
                          u"computer?",
                      caption, MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) != IDYES)
    return kUninstallDeclined;

  bool removeUserData = command.removeUserData;
  const std::u16string userData = layout.appData + u"\\" + layout.installFolderName;
  const bool asked = command.removeUserData || command.keepUserData;
  if (!asked && !command.silent && payload::IsPlainName(layout.installFolderName) &&
      Exists(userData))
    removeUserData = os::MessageBoxW(u"Also remove your settings in " + userData +
                                         u"?\n\nChoose No to keep them for a later installation.",
                                     caption, MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) == IDYES;
  layout.removeUserData = removeUserData;

  const payload::UninstallPlan plan = payload::PlanUninstall(layout);
  RemovalReport report;
  bool keptForAnotherRun = false;
  for (const payload::UninstallAction& action : plan.actions) {
    // After a failure the names, the entry and the uninstaller stay: run again, it finishes.
    if (!report.failed.empty() && payload::KeepsUninstallRestartable(action, layout)) {
      keptForAnotherRun = true;
      continue;
    }
    os::OutputDebugStringW(u"Uninstall: " + payload::Describe(action) + u"\n");
    CarryOut(action, report);
  }
  // The entry could not go after the uninstaller had queued itself: it goes back, and the entry
  // that stays starts it again.
  if (!report.failed.empty() && KeepSelf(report)) keptForAnotherRun = true;

  std::u16string text = report.failed.empty() && plan.skipped.empty()
                            ? product + u" has been removed from this computer."
                            : product + u" has been removed, except for the items below.";
  AppendList(text, u"Could not be removed:", report.failed);
  AppendList(text, u"Left alone:", plan.skipped);
  AppendList(text, u"Removed when Windows restarts:", report.atRestart);
  if (keptForAnotherRun)
    text += u"\n\nThe uninstaller stays in " + layout.installFolder +
            u" and in the list of installed programs: run it again to finish.";
  if (!removeUserData && Exists(userData)) text += u"\n\nYour settings stay in " + userData + u".";
  const bool complete = report.failed.empty() && plan.skipped.empty();
  if (!command.silent)
    os::MessageBoxW(text, caption, MB_OK | (complete ? MB_ICONINFORMATION : MB_ICONWARNING));
  return complete ? kUninstallComplete : kUninstallIncomplete;
}
