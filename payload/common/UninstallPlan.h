// What the uninstaller removes, worked out from the folders it knows and the installed copy
// of AudioConfig.cfg, as an ordered list of actions. The uninstaller carries them out; the list
// is also what payload/UNINSTALL.md documents.
#pragma once

#include <string>
#include <vector>

namespace payload {

struct InstallLayout {
  // Folders as Windows reports them; the first two end in a backslash.
  std::u16string installFolder;       // the uninstaller's own folder
  std::u16string nativeSystemFolder;  // 64-bit system folder on 64-bit Windows
  std::u16string systemFolder;        // the system folder a 32-bit program reaches
  std::u16string commonPrograms;      // all users' Start-menu Programs
  std::u16string desktop;             // the desktop of the user who runs the uninstaller
  std::u16string appData;             // that user's roaming application data
  std::u16string commonAppData;       // all users' application data (the service log)
  std::u16string uninstallerFileName; // the uninstaller's own file name, with ".exe"
  bool configFound = false;           // AudioConfig.cfg was read from the install folder
  bool installFolderConfirmed = false;  // the uninstaller's folder is the product's (below)

  // Values of the installed AudioConfig.cfg, as the setup used them.
  std::u16string installFolderName, shortcutFolderName, shortcutFolderNameUp;
  std::u16string appShortcutName, appFileName, userManualShortcutName;
  std::u16string effectAppFileName, soundEffectAppFileName, pluginFolderName;
  std::u16string uninstallShortcutName, uninstallFileName;
  std::u16string skinFolderName, languageFolderName, installIconFileName;

  bool removeUserData = false;
};

enum class ActionKind {
  AskAppsToExit,           // broadcast the exit message and signal the exit event
  StopAndDeleteService,    // target: service name
  DeleteRegistryValue,     // HKLM; target: key, name: value name
  DeleteRegistryTree,      // HKLM; target: key
  DeleteRegistryKeyIfEmpty,
  RemoveFile,              // target: path
  DeleteFolderTree,        // target: folder path (no trailing backslash)
  RemoveFolderIfEmpty,
  DeleteSelfAfterExit,     // target: the uninstaller; name: the install folder, removed if empty
};

struct UninstallAction {
  ActionKind kind;
  std::u16string target;
  std::u16string name;
  // The target lives in the native (64-bit) system folder: reach it without WOW64 redirection.
  bool nativeSystemFolder = false;
};

struct UninstallPlan {
  std::vector<UninstallAction> actions;
  // Items left alone because a value they need was missing or unsafe; reported to the user.
  std::vector<std::u16string> skipped;
};

// A configuration value that may name one file or folder inside a folder: not empty, no
// separators, drive letters, wildcards, and not "." or "..".
bool IsPlainName(const std::u16string& name);

// The uninstaller's own folder is the product's install folder: the uninstall entry's
// "UninstallString" (quoted or not) names a program in it, or, without an entry, the folder is
// named as AudioConfig.cfg's InstallFolderName. Anything else (a copy run from the setup folder
// or the downloads) must not delete the files beside it.
bool IsInstallFolder(const std::u16string& ownFolder, const std::u16string& uninstallString,
                     const std::u16string& installFolderName);

UninstallPlan PlanUninstall(const InstallLayout& layout);

// One line for the report: what the action removes.
std::u16string Describe(const UninstallAction& action);

}  // namespace payload
