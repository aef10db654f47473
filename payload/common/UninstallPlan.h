// What the uninstaller removes, worked out from the folders it knows and the installed copy
// of AudioConfig.cfg, as an ordered list of actions. The uninstaller carries them out; the list
// is also what payload/UNINSTALL.md documents.
#pragma once

#include <string>
#include <vector>

namespace payload {

struct InstallLayout {
  // Folders as Windows reports them; the first two end in a backslash.
  std::u16string installFolder;         // the uninstaller's own folder
  std::u16string nativeSystemFolder;    // 64-bit system folder on 64-bit Windows
  std::u16string systemFolder;          // the system folder a 32-bit program reaches
  std::u16string commonPrograms;        // all users' Start-menu Programs
  std::u16string desktop;               // the desktop of the user who runs the uninstaller
  std::u16string appData;               // that user's roaming application data
  std::u16string commonAppData;         // all users' application data (the service log)
  std::u16string uninstallerFileName;   // the uninstaller's own file name, with ".exe"
  bool configFound = false;             // AudioConfig.cfg was read from the install folder
  bool installFolderConfirmed = false;  // LocateUninstaller found the install folder

  // Values of the installed AudioConfig.cfg, as the setup used them.
  std::u16string installFolderName, shortcutFolderName, shortcutFolderNameUp;
  std::u16string appShortcutName, appFileName, userManualShortcutName;
  std::u16string effectAppFileName, soundEffectAppFileName, pluginFolderName;
  std::u16string uninstallShortcutName, uninstallFileName;
  std::u16string skinFolderName, languageFolderName, installIconFileName;

  bool removeUserData = false;
};

enum class ActionKind {
  AskAppsToExit,         // broadcast the exit message and signal the exit event
  StopAndDeleteService,  // target: service name
  DetachFilter,          // target: filter name; name: the device-ID group key (whitelist)
  DeleteRegistryValue,   // HKLM; target: key, name: value name
  DeleteRegistryTree,    // HKLM; target: key
  DeleteRegistryKeyIfEmpty,
  RemoveFile,        // target: path
  DeleteFolderTree,  // target: folder path (no trailing backslash)
  RemoveFolderIfEmpty,
  DeleteSelfAfterExit,  // target: the uninstaller; name: the install folder, removed if empty
};

struct UninstallAction {
  ActionKind kind;
  std::u16string target;
  std::u16string name;
  // The target lives in the native (64-bit) system folder: reach it without WOW64 redirection.
  bool nativeSystemFolder = false;
  // The target lives in a folder that users may have made first (ProgramData): a file there is
  // deleted only when that folder is no link and is owned by SYSTEM, the administrators or the
  // service; the folder itself only when empty.
  bool trustedFolderOnly = false;
};

struct UninstallPlan {
  std::vector<UninstallAction> actions;
  // Items left alone because a value they need was missing or unsafe; reported to the user.
  std::vector<std::u16string> skipped;
};

// A configuration value that may name one file or folder inside a folder: not empty, not
// longer than a name may be, no separators, drive letters or wildcards, not "." or "..", and
// not a device name such as CON or NUL (with or without an extension).
bool IsPlainName(const std::u16string& name);

// The folder of the program the uninstall entry's "UninstallString" names (quoted or not),
// without a trailing backslash; empty when there is no usable entry.
std::u16string RegisteredInstallFolder(const std::u16string& uninstallString);

// Where a started uninstaller stands. Only the entry confirms a folder: a folder's name proves
// nothing (any folder is named as itself).
enum class UninstallerPlace {
  InstallFolder,  // the entry names a program in the uninstaller's own folder
  Elsewhere,      // the entry names another folder: a copy (setup folder, downloads)
  NotInstalled,   // no entry: nothing is registered, or an earlier uninstall is complete
};
UninstallerPlace LocateUninstaller(const std::u16string& ownFolder,
                                   const std::u16string& uninstallString);

// An uninstall that is not confirmed for its own folder changes nothing: the names it would
// use come from the files beside it, which may be anyone's.
UninstallPlan PlanUninstall(const InstallLayout& layout);

// The actions that let an uninstall be started again: the installed AudioConfig.cfg (the names),
// the uninstall entry and the uninstaller itself. After a failure they stay, so that the same
// uninstall, run again from the list of installed programs, can finish the work.
bool KeepsUninstallRestartable(const UninstallAction& action, const InstallLayout& layout);

// One line for the report: what the action removes.
std::u16string Describe(const UninstallAction& action);

}  // namespace payload
