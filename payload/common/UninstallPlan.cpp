#include "payload/common/UninstallPlan.h"

#include "payload/common/CommandLine.h"
#include "payload/common/LaunchModes.h"
#include "payload/common/ProductNames.h"

namespace payload {

namespace {

constexpr std::size_t kMaxNameLength = 255;  // one part of a path on NTFS

std::u16string WithoutTrailingSlash(std::u16string folder) {
  while (folder.size() > 3 && folder.back() == u'\\') folder.pop_back();
  return folder;
}

std::u16string WithSlash(const std::u16string& folder) {
  return !folder.empty() && folder.back() == u'\\' ? folder : folder + u"\\";
}

class Planner {
 public:
  explicit Planner(const InstallLayout& layout) : layout_(layout) {}

  // A name from the configuration, or a note why the item is skipped.
  bool Usable(const std::u16string& value, const char16_t* key, const char16_t* what) {
    if (IsPlainName(value)) return true;
    plan_.skipped.push_back(std::u16string(what) + u": " + key +
                            (value.empty() ? std::u16string(u" is not set")
                                           : u" \"" + value + u"\" is not a plain name"));
    return false;
  }

  void Add(ActionKind kind, std::u16string target, std::u16string name = u"", bool native = false,
           bool trustedFolderOnly = false) {
    plan_.actions.push_back({kind, std::move(target), std::move(name), native, trustedFolderOnly});
  }

  UninstallPlan Build() {
    const InstallLayout& l = layout_;
    if (!l.installFolderConfirmed) {
      plan_.skipped.push_back(u"Everything: the product is not installed in " +
                              WithoutTrailingSlash(l.installFolder));
      return std::move(plan_);
    }
    Add(ActionKind::AskAppsToExit, kAppExitMessage);
    Add(ActionKind::StopAndDeleteService, kServiceName);
    Registry();
    SystemFiles();
    InstallFolder();
    Shortcuts();
    Add(ActionKind::RemoveFile, WithSlash(LogFolder()) + kLogFileName, u"", false, true);
    Add(ActionKind::RemoveFile, WithSlash(LogFolder()) + kOldLogFileName, u"", false, true);
    Add(ActionKind::RemoveFolderIfEmpty, LogFolder(), u"", false, true);
    if (l.removeUserData && Usable(l.installFolderName, u"InstallFolderName", u"Your settings"))
      Add(ActionKind::DeleteFolderTree, WithSlash(l.appData) + l.installFolderName);
    // The names of everything above come from the configuration: it goes after them, so that
    // an interrupted uninstall started again still knows them.
    if (l.configFound) Add(ActionKind::RemoveFile, l.installFolder + kConfigFileName);
    // The uninstaller queues its own file for the restart before the entry goes, and the entry
    // goes last: if either fails, the entry stays and names the uninstaller where it was (it is
    // put back), so that an uninstall that stopped half-way can be started again from the list.
    if (IsPlainName(l.uninstallerFileName))
      Add(ActionKind::DeleteSelfAfterExit, l.installFolder + l.uninstallerFileName,
          WithoutTrailingSlash(l.installFolder));
    Add(ActionKind::DeleteRegistryTree, kUninstallKey);
    return std::move(plan_);
  }

 private:
  std::u16string LogFolder() const { return WithSlash(layout_.commonAppData) + kLogFolderName; }

  void Registry() {
    const InstallLayout& l = layout_;
    // While the whitelist and the driver are still there: a device whose filter list names a
    // driver that is gone does not start.
    Add(ActionKind::DetachFilter, kDriverName, kUsbGroupKey);
    if (Usable(l.appFileName, u"APPFileName", u"The autostart value"))
      Add(ActionKind::DeleteRegistryValue, kRunKey, l.appFileName);
    for (const LaunchModeName& mode : LaunchModeNames())
      Add(ActionKind::DeleteRegistryValue, kProductKey, mode.name);
    for (const char16_t* name : kDefaultSettingNames)
      Add(ActionKind::DeleteRegistryValue, kProductKey, name);
    Add(ActionKind::DeleteRegistryTree, kLevelTableKey);
    // Values that other software of the device put there stay, and with them the key.
    Add(ActionKind::DeleteRegistryKeyIfEmpty, kProductKey);
    Add(ActionKind::DeleteRegistryTree, kUsbGroupKey);
    Add(ActionKind::DeleteRegistryTree, kHidGroupKey);
    Add(ActionKind::DeleteRegistryTree, kDriverServiceKey);
  }

  void SystemFiles() {
    const InstallLayout& l = layout_;
    Add(ActionKind::RemoveFile, l.nativeSystemFolder + kServiceName + u".exe", u"", true);
    Add(ActionKind::RemoveFile, l.nativeSystemFolder + u"drivers\\" + kDriverName + u".sys", u"",
        true);
    // The setup wrote the update package without switching redirection off.
    Add(ActionKind::RemoveFile, l.systemFolder + kUpdatePackageName);
  }

  void InstallFolder() {
    const InstallLayout& l = layout_;
    const std::u16string& folder = l.installFolder;
    if (!l.configFound) {
      plan_.skipped.push_back(u"The program files in " + WithoutTrailingSlash(folder) + u": " +
                              kConfigFileName + u" is missing there, so their names are unknown");
      return;
    }
    if (Usable(l.appFileName, u"APPFileName", u"The main application"))
      Add(ActionKind::RemoveFile, folder + l.appFileName + u".exe");
    // No plug-in folder name: the plug-ins were off and none was installed.
    if (!l.pluginFolderName.empty() &&
        Usable(l.pluginFolderName, u"PluginFolderName", u"The plug-in folder"))
      Add(ActionKind::DeleteFolderTree, folder + l.pluginFolderName);
    if (Usable(l.skinFolderName, u"SkinFolderName", u"The skin folder"))
      Add(ActionKind::DeleteFolderTree, folder + l.skinFolderName);
    if (Usable(l.languageFolderName, u"LanguageFolderName", u"The language folder"))
      Add(ActionKind::DeleteFolderTree, folder + l.languageFolderName);
    Add(ActionKind::DeleteFolderTree, folder + kManualFolderName);
    if (Usable(l.installIconFileName, u"InstallIconFileName", u"The icon"))
      Add(ActionKind::RemoveFile, folder + l.installIconFileName);
    Add(ActionKind::RemoveFile, folder + u"bee.wav");
    Add(ActionKind::RemoveFile, folder + u"DLLZK_UsbAudio72xx_x32.dll");
  }

  void Shortcuts() {
    const InstallLayout& l = layout_;
    if (!l.configFound) return;  // names unknown, reported with the program files
    if (!Usable(l.shortcutFolderName, u"ShortcutFolderName", u"The Start-menu shortcuts")) {
      DesktopShortcut();
      return;
    }
    const std::u16string programs = WithSlash(l.commonPrograms);
    const bool up = !l.shortcutFolderNameUp.empty();
    if (up && !Usable(l.shortcutFolderNameUp, u"ShortcutFolderNameUp",
                      u"The Start-menu shortcuts of the application and uninstaller")) {
      ManualShortcut(programs);
      DesktopShortcut();
      return;
    }
    const std::u16string parent = up ? programs + l.shortcutFolderNameUp + u"\\" : programs;
    const std::u16string appFolder = parent + l.shortcutFolderName;
    if (Usable(l.appShortcutName, u"AppShortcutName", u"The application's Start-menu shortcut"))
      Add(ActionKind::RemoveFile, appFolder + u"\\" + l.appShortcutName + u".lnk");
    if (Usable(l.uninstallShortcutName, u"UninstallShortcutName",
               u"The uninstaller's Start-menu shortcut"))
      Add(ActionKind::RemoveFile, appFolder + u"\\" + l.uninstallShortcutName + u".lnk");
    ManualShortcut(programs);
    Add(ActionKind::RemoveFolderIfEmpty, appFolder);
    if (up) {
      Add(ActionKind::RemoveFolderIfEmpty, programs + l.shortcutFolderName);
      Add(ActionKind::RemoveFolderIfEmpty, programs + l.shortcutFolderNameUp);
    }
    DesktopShortcut();
  }

  // The manual's shortcut never has the upper folder level.
  void ManualShortcut(const std::u16string& programs) {
    const InstallLayout& l = layout_;
    if (Usable(l.userManualShortcutName, u"UserManualShortcutName", u"The manual's shortcut"))
      Add(ActionKind::RemoveFile,
          programs + l.shortcutFolderName + u"\\" + l.userManualShortcutName + u".lnk");
  }

  void DesktopShortcut() {
    const InstallLayout& l = layout_;
    // Only the desktop of the user who ran the setup had one; this is the same user as a rule.
    if (IsPlainName(l.appShortcutName))
      Add(ActionKind::RemoveFile, WithSlash(l.desktop) + l.appShortcutName + u".lnk");
  }

  const InstallLayout& layout_;
  UninstallPlan plan_;
};

}  // namespace

bool IsPlainName(const std::u16string& name) {
  if (name.empty() || name.size() > kMaxNameLength || name == u"." || name == u"..") return false;
  for (char16_t c : name)
    if (c < 0x20 || c == u'\\' || c == u'/' || c == u':' || c == u'*' || c == u'?' || c == u'"' ||
        c == u'<' || c == u'>' || c == u'|')
      return false;
  // Windows drops trailing dots and spaces: "Skin." would name the folder "Skin".
  if (name.back() == u'.' || name.back() == u' ') return false;
  // "NUL" and "NUL.txt" both name the device in any folder.
  std::u16string stem = name.substr(0, name.find(u'.'));
  while (!stem.empty() && stem.back() == u' ') stem.pop_back();
  for (const char16_t* device : {u"CON", u"PRN", u"AUX", u"NUL", u"CONIN$", u"CONOUT$"})
    if (EqualsAsciiNoCase(stem, device)) return false;
  const bool numbered = stem.size() == 4 && stem[3] >= u'1' && stem[3] <= u'9';
  return !(numbered && (EqualsAsciiNoCase(stem.substr(0, 3), u"COM") ||
                        EqualsAsciiNoCase(stem.substr(0, 3), u"LPT")));
}

std::u16string RegisteredInstallFolder(const std::u16string& uninstallString) {
  std::u16string registered = uninstallString;
  if (registered.size() >= 2 && registered.front() == u'"') {
    const std::size_t close = registered.find(u'"', 1);
    if (close == std::u16string::npos) return u"";
    registered = registered.substr(1, close - 1);
  }
  const std::size_t slash = registered.find_last_of(u'\\');
  // A full path: "C:\..." or "\\server\...", with a program name after the last backslash.
  const bool full = registered.size() > 3 && (registered[1] == u':' || registered[0] == u'\\');
  if (!full || slash == std::u16string::npos || slash + 1 == registered.size() || slash < 2)
    return u"";
  return WithoutTrailingSlash(registered.substr(0, slash + 1));
}

UninstallerPlace LocateUninstaller(const std::u16string& ownFolder,
                                   const std::u16string& uninstallString) {
  const std::u16string registered = RegisteredInstallFolder(uninstallString);
  if (registered.empty()) return UninstallerPlace::NotInstalled;
  return EqualsAsciiNoCase(registered, WithoutTrailingSlash(ownFolder))
             ? UninstallerPlace::InstallFolder
             : UninstallerPlace::Elsewhere;
}

UninstallPlan PlanUninstall(const InstallLayout& layout) { return Planner(layout).Build(); }

bool KeepsUninstallRestartable(const UninstallAction& action, const InstallLayout& layout) {
  switch (action.kind) {
    case ActionKind::DeleteSelfAfterExit: return true;
    case ActionKind::DeleteRegistryTree: return action.target == kUninstallKey;
    case ActionKind::RemoveFile: return action.target == layout.installFolder + kConfigFileName;
    default: return false;
  }
}

std::u16string Describe(const UninstallAction& action) {
  switch (action.kind) {
    case ActionKind::AskAppsToExit: return u"ask the companion applications to exit";
    case ActionKind::StopAndDeleteService: return u"service " + action.target;
    case ActionKind::DetachFilter:
      return u"filter " + action.target + u" of the devices of HKLM\\" + action.name;
    case ActionKind::DeleteRegistryValue:
      return u"registry value HKLM\\" + action.target + u" \"" + action.name + u"\"";
    case ActionKind::DeleteRegistryTree:
    case ActionKind::DeleteRegistryKeyIfEmpty: return u"registry key HKLM\\" + action.target;
    case ActionKind::RemoveFile: return action.target;
    case ActionKind::DeleteFolderTree:
    case ActionKind::RemoveFolderIfEmpty: return action.target + u"\\";
    case ActionKind::DeleteSelfAfterExit: return action.target;
  }
  return action.target;
}

}  // namespace payload
