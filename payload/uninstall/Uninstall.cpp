// The uninstaller of the ZKT 72xx USB audio setup. Started through the uninstall entry's
// "UninstallString" (no arguments); "/RemoveUserData" or "/KeepUserData" answer the question
// about the per-user settings in advance; "/S" (the entry's "QuietUninstallString") removes
// without any question or report and keeps the settings unless /RemoveUserData is given.
// What it removes: payload/UNINSTALL.md.
#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

#include "payload/common/CommandLine.h"
#include "payload/common/ProductNames.h"
#include "payload/common/UninstallPlan.h"
#include "payload/uninstall/Removal.h"
#include "payload/win/Registry.h"
#include "payload/win/WideText.h"

#include <string>

using payload::U;
using payload::W;

namespace {

constexpr std::size_t kReportLines = 20;  // a message box must fit on the screen

std::u16string Folder(int csidl) {
  wchar_t path[MAX_PATH];
  if (FAILED(SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path))) return u"";
  return U(path);
}

std::u16string ReadConfig(const std::u16string& config, const char16_t* section,
                          const char16_t* key) {
  wchar_t value[1024] = L"";
  GetPrivateProfileStringW(W(section), W(key), L"", value, 1024, W(config));
  return U(value);
}

struct Layout : payload::InstallLayout {
  payload::UninstallerPlace place = payload::UninstallerPlace::NotInstalled;
  std::u16string registeredFolder;
};

Layout ReadLayout(bool removeUserData) {
  Layout l;
  wchar_t own[MAX_PATH];
  const DWORD length = GetModuleFileNameW(nullptr, own, MAX_PATH);
  const std::u16string self = length && length < MAX_PATH ? U(own) : u"";
  const std::size_t slash = self.find_last_of(u'\\');
  l.installFolder = self.substr(0, slash + 1);
  l.uninstallerFileName = self.substr(slash + 1);

  wchar_t system[MAX_PATH] = L"";
  GetSystemDirectoryW(system, MAX_PATH);
  l.systemFolder = U(system) + u"\\";
  l.nativeSystemFolder = l.systemFolder;  // reached with redirection off (Removal.cpp)
  l.commonPrograms = Folder(CSIDL_COMMON_PROGRAMS);
  l.desktop = Folder(CSIDL_DESKTOPDIRECTORY);
  l.appData = Folder(CSIDL_APPDATA);
  l.commonAppData = Folder(CSIDL_COMMON_APPDATA);
  l.removeUserData = removeUserData;

  const std::u16string config = l.installFolder + payload::kConfigFileName;
  l.configFound = GetFileAttributesW(W(config)) != INVALID_FILE_ATTRIBUTES;
  if (l.configFound) {
    l.installFolderName = ReadConfig(config, u"Install", u"InstallFolderName");
    l.shortcutFolderName = ReadConfig(config, u"Install", u"ShortcutFolderName");
    l.shortcutFolderNameUp = ReadConfig(config, u"Install", u"ShortcutFolderNameUp");
    l.appShortcutName = ReadConfig(config, u"Install", u"AppShortcutName");
    l.appFileName = ReadConfig(config, u"Install", u"APPFileName");
    l.userManualShortcutName = ReadConfig(config, u"Install", u"UserManualShortcutName");
    l.effectAppFileName = ReadConfig(config, u"Install", u"EffectAPPFileName");
    l.soundEffectAppFileName = ReadConfig(config, u"Install", u"SoundEffectAPPFileName");
    l.installIconFileName = ReadConfig(config, u"Install", u"InstallIconFileName");
    l.pluginFolderName = ReadConfig(config, u"Plugin", u"PluginFolderName");
    l.uninstallShortcutName = ReadConfig(config, u"Uninstall", u"UninstallShortcutName");
    l.uninstallFileName = ReadConfig(config, u"Uninstall", u"UninstallFileName");
    l.skinFolderName = ReadConfig(config, u"Skin", u"SkinFolderName");
    l.languageFolderName = ReadConfig(config, u"Language", u"LanguageFolderName");
  }
  std::u16string registered;
  payload::ReadRegString(HKEY_LOCAL_MACHINE, payload::kUninstallKey, u"UninstallString",
                         registered);
  l.place = payload::LocateUninstaller(l.installFolder, registered);
  l.installFolderConfirmed = l.place == payload::UninstallerPlace::InstallFolder;
  l.registeredFolder = payload::RegisteredInstallFolder(registered);
  return l;
}

std::u16string ProductName(const payload::InstallLayout& layout) {
  std::u16string name;
  if (payload::ReadRegString(HKEY_LOCAL_MACHINE, payload::kUninstallKey, u"DisplayName", name) &&
      !name.empty())
    return name;
  name = ReadConfig(layout.installFolder + payload::kConfigFileName, u"Uninstall",
                    u"UninstallDisplayName");
  return name.empty() ? u"ZKT 72xx USB Audio" : name;
}

std::u16string Caption(const payload::InstallLayout& layout) {
  const std::u16string title = ReadConfig(layout.installFolder + payload::kConfigFileName,
                                          u"Uninstall", u"UninstallAppTitle");
  return title.empty() ? u"Uninstall" : title;
}

void AppendList(std::u16string& text, const char16_t* heading,
                const std::vector<std::u16string>& items) {
  if (items.empty()) return;
  text += u"\n\n";
  text += heading;
  for (std::size_t i = 0; i < items.size() && i < kReportLines; ++i) text += u"\n  " + items[i];
  if (items.size() > kReportLines)
    text += u"\n  ... and " + U(std::to_wstring(items.size() - kReportLines).c_str()) + u" more";
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, wchar_t*, int) {
  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  const payload::UninstallCommand command = payload::ParseUninstallArguments(
      argv ? payload::Arguments(argc, argv) : std::vector<std::u16string>());
  if (argv) LocalFree(argv);
  if (!command.ok) {
    if (command.silent) return ERROR_INVALID_PARAMETER;
    MessageBoxW(nullptr,
                (L"Unknown argument \"" + std::wstring(W(command.error)) +
                 L"\".\n\nUse /RemoveUserData, /KeepUserData or /S, or no argument.")
                    .c_str(),
                L"Uninstall", MB_OK | MB_ICONERROR);
    return ERROR_INVALID_PARAMETER;
  }

  Layout layout = ReadLayout(false);
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
    if (!command.silent) MessageBoxW(nullptr, W(text), W(caption), MB_OK | MB_ICONINFORMATION);
    return ERROR_UNKNOWN_PRODUCT;
  }
  if (!command.silent &&
      MessageBoxW(nullptr,
                  W(u"Do you want to remove " + product +
                    u" (its driver, service, applications and shortcuts) from this computer?"),
                  W(caption), MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) != IDYES)
    return 1;

  bool removeUserData = command.removeUserData;
  const std::u16string userData = layout.appData + u"\\" + layout.installFolderName;
  const bool asked = command.removeUserData || command.keepUserData;
  if (!asked && !command.silent && payload::IsPlainName(layout.installFolderName) &&
      GetFileAttributesW(W(userData)) != INVALID_FILE_ATTRIBUTES)
    removeUserData = MessageBoxW(nullptr,
                                 W(u"Also remove your settings in " + userData +
                                   u"?\n\nChoose No to keep them for a later installation."),
                                 W(caption), MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) == IDYES;
  layout.removeUserData = removeUserData;

  const payload::UninstallPlan plan = payload::PlanUninstall(layout);
  RemovalReport report;
  for (const payload::UninstallAction& action : plan.actions) {
    OutputDebugStringW(W(u"Uninstall: " + payload::Describe(action) + u"\n"));
    CarryOut(action, report);
  }

  std::u16string text = report.failed.empty() && plan.skipped.empty()
                            ? product + u" has been removed from this computer."
                            : product + u" has been removed, except for the items below.";
  AppendList(text, u"Could not be removed:", report.failed);
  AppendList(text, u"Left alone:", plan.skipped);
  AppendList(text, u"Removed when Windows restarts:", report.atRestart);
  if (!removeUserData && GetFileAttributesW(W(userData)) != INVALID_FILE_ATTRIBUTES)
    text += u"\n\nYour settings stay in " + userData + u".";
  const bool complete = report.failed.empty() && plan.skipped.empty();
  if (command.silent) return complete ? 0 : 2;
  MessageBoxW(nullptr, W(text), W(caption),
              MB_OK | (complete ? MB_ICONINFORMATION : MB_ICONWARNING));
  return complete ? 0 : 2;
}
