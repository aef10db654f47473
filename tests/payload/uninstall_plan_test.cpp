#include "payload/common/UninstallPlan.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace payload;

namespace {

InstallLayout SampleLayout() {
  InstallLayout l;
  l.installFolder = u"C:\\Program Files (x86)\\ZKT 72xx Audio\\";
  l.nativeSystemFolder = u"C:\\Windows\\system32\\";
  l.systemFolder = u"C:\\Windows\\system32\\";
  l.commonPrograms = u"C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs";
  l.desktop = u"C:\\Users\\Ann\\Desktop";
  l.appData = u"C:\\Users\\Ann\\AppData\\Roaming";
  l.commonAppData = u"C:\\ProgramData";
  l.uninstallerFileName = u"ZKTAudioUninstall.exe";
  l.configFound = true;
  l.installFolderConfirmed = true;
  l.installFolderName = u"ZKT 72xx Audio";
  l.shortcutFolderName = u"ZKT 72xx Audio";
  l.appShortcutName = u"ZKT Audio Control";
  l.appFileName = u"ZKTAudioControl";
  l.userManualShortcutName = u"ZKT Audio User Manual";
  l.effectAppFileName = u"ZKTEffect";
  l.soundEffectAppFileName = u"ZKTSoundEffect";
  l.pluginFolderName = u"Plugin";
  l.uninstallShortcutName = u"Uninstall ZKT 72xx Audio";
  l.uninstallFileName = u"ZKTAudioUninstall";
  l.skinFolderName = u"Skin";
  l.languageFolderName = u"Language";
  l.installIconFileName = u"Setup.ico";
  return l;
}

std::vector<std::u16string> Targets(const UninstallPlan& plan, ActionKind kind) {
  std::vector<std::u16string> targets;
  for (const UninstallAction& a : plan.actions)
    if (a.kind == kind) targets.push_back(a.name.empty() ? a.target : a.target + u"|" + a.name);
  return targets;
}

bool Has(const std::vector<std::u16string>& list, const std::u16string& item) {
  return std::find(list.begin(), list.end(), item) != list.end();
}

std::size_t IndexOf(const UninstallPlan& plan, ActionKind kind) {
  for (std::size_t i = 0; i < plan.actions.size(); ++i)
    if (plan.actions[i].kind == kind) return i;
  return plan.actions.size();
}

// No action may remove the install folder, a system folder or a shell folder as a whole.
void ExpectNoWholeFolderRemoved(const UninstallPlan& plan, const InstallLayout& l) {
  for (const UninstallAction& a : plan.actions) {
    if (a.kind != ActionKind::DeleteFolderTree && a.kind != ActionKind::RemoveFile) continue;
    for (std::u16string folder : {l.installFolder, l.systemFolder, l.commonPrograms + u"\\",
                                  l.desktop + u"\\", l.appData + u"\\", l.commonAppData + u"\\"}) {
      EXPECT_NE(folder, a.target + u"\\") << std::string(a.target.begin(), a.target.end());
      EXPECT_NE(folder, a.target);
    }
  }
}

}  // namespace

TEST(UninstallPlan, RemovesWhatTheSetupInstalled) {
  const UninstallPlan plan = PlanUninstall(SampleLayout());
  EXPECT_TRUE(plan.skipped.empty());
  const auto values = Targets(plan, ActionKind::DeleteRegistryValue);
  EXPECT_TRUE(Has(values, u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run|ZKTAudioControl"));
  EXPECT_TRUE(Has(values, u"SOFTWARE\\ZKT 72xx Software|SystemPrivilegeExecutionOnBoot_D3"));
  EXPECT_TRUE(Has(values, u"SOFTWARE\\ZKT 72xx Software|Virtual7ch1Scalar"));
  EXPECT_EQ(1u + 15u + 6u, values.size());
  const auto keys = Targets(plan, ActionKind::DeleteRegistryTree);
  EXPECT_TRUE(Has(keys, u"SYSTEM\\CurrentControlSet\\Services\\ZEVor"));
  EXPECT_TRUE(Has(keys, u"SOFTWARE\\ZKT USB DeviceId Group"));
  EXPECT_TRUE(Has(keys, u"SOFTWARE\\ZKT HID DeviceId Group"));
  EXPECT_TRUE(Has(keys, u"SOFTWARE\\ZKT 72xx Software\\EncValueMap"));
  EXPECT_TRUE(
      Has(keys, u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\ZKT72xxAudioExt"));

  const auto files = Targets(plan, ActionKind::RemoveFile);
  const std::u16string folder = u"C:\\Program Files (x86)\\ZKT 72xx Audio\\";
  for (const char16_t* name : {u"ZKTAudioControl.exe", u"AudioConfig.cfg", u"Setup.ico", u"bee.wav",
                               u"DLLZK_UsbAudio72xx_x32.dll"})
    EXPECT_TRUE(Has(files, folder + name)) << std::string(name, name + 3);
  EXPECT_TRUE(Has(files, u"C:\\Windows\\system32\\AudioDeviceService.exe"));
  EXPECT_TRUE(Has(files, u"C:\\Windows\\system32\\drivers\\ZEVor.sys"));
  EXPECT_TRUE(Has(files, u"C:\\Windows\\system32\\Windows6.1-KB3033929-x64.msu"));
  const std::u16string programs =
      u"C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\ZKT 72xx Audio\\";
  EXPECT_TRUE(Has(files, programs + u"ZKT Audio Control.lnk"));
  EXPECT_TRUE(Has(files, programs + u"Uninstall ZKT 72xx Audio.lnk"));
  EXPECT_TRUE(Has(files, programs + u"ZKT Audio User Manual.lnk"));
  EXPECT_TRUE(Has(files, u"C:\\Users\\Ann\\Desktop\\ZKT Audio Control.lnk"));

  const auto trees = Targets(plan, ActionKind::DeleteFolderTree);
  for (const char16_t* name : {u"Plugin", u"Skin", u"Language", u"Manual"})
    EXPECT_TRUE(Has(trees, folder + name));
  ExpectNoWholeFolderRemoved(plan, SampleLayout());
}

TEST(UninstallPlan, ServiceImagesAreInTheNativeSystemFolderTheUpdatePackageIsNot) {
  InstallLayout l = SampleLayout();
  l.systemFolder = u"C:\\Windows\\SysWOW64\\";
  const UninstallPlan plan = PlanUninstall(l);
  for (const UninstallAction& a : plan.actions) {
    if (a.target == u"C:\\Windows\\system32\\AudioDeviceService.exe" ||
        a.target == u"C:\\Windows\\system32\\drivers\\ZEVor.sys")
      EXPECT_TRUE(a.nativeSystemFolder);
    else EXPECT_FALSE(a.nativeSystemFolder) << std::string(a.target.begin(), a.target.end());
  }
  EXPECT_TRUE(Has(Targets(plan, ActionKind::RemoveFile),
                  u"C:\\Windows\\SysWOW64\\Windows6.1-KB3033929-x64.msu"));
}

TEST(UninstallPlan, OrderAppsThenServiceThenFilesThenSelfAndTheEntryLast) {
  const UninstallPlan plan = PlanUninstall(SampleLayout());
  ASSERT_GE(plan.actions.size(), 3u);
  EXPECT_EQ(ActionKind::AskAppsToExit, plan.actions[0].kind);
  EXPECT_EQ(ActionKind::StopAndDeleteService, plan.actions[1].kind);
  EXPECT_LT(IndexOf(plan, ActionKind::StopAndDeleteService), IndexOf(plan, ActionKind::RemoveFile));
  const UninstallAction& self = plan.actions[plan.actions.size() - 2];
  EXPECT_EQ(ActionKind::DeleteSelfAfterExit, self.kind);
  EXPECT_EQ(u"C:\\Program Files (x86)\\ZKT 72xx Audio\\ZKTAudioUninstall.exe", self.target);
  EXPECT_EQ(u"C:\\Program Files (x86)\\ZKT 72xx Audio", self.name);
  const UninstallAction& entry = plan.actions.back();
  EXPECT_EQ(ActionKind::DeleteRegistryTree, entry.kind);
  EXPECT_EQ(u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\ZKT72xxAudioExt",
            entry.target);
}

TEST(UninstallPlan, UserDataOnlyWhenAsked) {
  InstallLayout l = SampleLayout();
  const std::u16string userData = u"C:\\Users\\Ann\\AppData\\Roaming\\ZKT 72xx Audio";
  EXPECT_FALSE(Has(Targets(PlanUninstall(l), ActionKind::DeleteFolderTree), userData));
  l.removeUserData = true;
  EXPECT_TRUE(Has(Targets(PlanUninstall(l), ActionKind::DeleteFolderTree), userData));
}

TEST(UninstallPlan, UpperShortcutFolderLevel) {
  InstallLayout l = SampleLayout();
  l.shortcutFolderNameUp = u"ZKT";
  const UninstallPlan plan = PlanUninstall(l);
  const std::u16string programs = u"C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\";
  const auto files = Targets(plan, ActionKind::RemoveFile);
  EXPECT_TRUE(Has(files, programs + u"ZKT\\ZKT 72xx Audio\\ZKT Audio Control.lnk"));
  EXPECT_TRUE(Has(files, programs + u"ZKT\\ZKT 72xx Audio\\Uninstall ZKT 72xx Audio.lnk"));
  // The manual's shortcut never has the upper level.
  EXPECT_TRUE(Has(files, programs + u"ZKT 72xx Audio\\ZKT Audio User Manual.lnk"));
  const auto folders = Targets(plan, ActionKind::RemoveFolderIfEmpty);
  EXPECT_TRUE(Has(folders, programs + u"ZKT\\ZKT 72xx Audio"));
  EXPECT_TRUE(Has(folders, programs + u"ZKT 72xx Audio"));
  EXPECT_TRUE(Has(folders, programs + u"ZKT"));
}

TEST(UninstallPlan, EmptyOrUnsafeNamesNeverWidenADeletion) {
  // An empty folder name would make "install folder + name" the install folder itself.
  InstallLayout l = SampleLayout();
  l.skinFolderName = u"";
  l.languageFolderName = u"..";
  l.pluginFolderName = u"..\\..\\Windows";
  l.installIconFileName = u"C:\\Windows\\win.ini";
  l.appFileName = u"*";
  l.shortcutFolderName = u"";
  const UninstallPlan plan = PlanUninstall(l);
  ExpectNoWholeFolderRemoved(plan, l);
  for (const UninstallAction& a : plan.actions) {
    EXPECT_EQ(std::u16string::npos, a.target.find(u".."))
        << std::string(a.target.begin(), a.target.end());
    EXPECT_EQ(std::u16string::npos, a.target.find(u"win.ini"));
    EXPECT_EQ(std::u16string::npos, a.target.find(u"*"));
    EXPECT_EQ(std::u16string::npos, a.name.find(u"*"));
  }
  // Each one is reported, naming the key.
  EXPECT_GE(plan.skipped.size(), 6u);
  bool namesSkin = false;
  for (const std::u16string& note : plan.skipped)
    namesSkin |= note.find(u"SkinFolderName is not set") != std::u16string::npos;
  EXPECT_TRUE(namesSkin);
}

TEST(UninstallPlan, WithoutTheConfigurationCopyOnlyKnownItems) {
  InstallLayout l = SampleLayout();
  l.configFound = false;
  l.appFileName.clear();
  l.shortcutFolderName.clear();
  l.appShortcutName.clear();
  const UninstallPlan plan = PlanUninstall(l);
  ExpectNoWholeFolderRemoved(plan, l);
  EXPECT_TRUE(Targets(plan, ActionKind::DeleteFolderTree).empty());
  for (const UninstallAction& a : plan.actions) {
    if (a.kind != ActionKind::RemoveFile) continue;
    EXPECT_NE(0u, a.target.rfind(l.installFolder, 0))
        << "no install-folder file without the configuration: "
        << std::string(a.target.begin(), a.target.end());
  }
  EXPECT_FALSE(plan.skipped.empty());
  // Service, driver and the entry are still removed.
  EXPECT_EQ(ActionKind::StopAndDeleteService, plan.actions[1].kind);
  EXPECT_TRUE(Has(Targets(plan, ActionKind::DeleteRegistryTree),
                  u"SYSTEM\\CurrentControlSet\\Services\\ZEVor"));
}

TEST(UninstallPlan, PlainNames) {
  for (const char16_t* good : {u"Skin", u"ZKT 72xx Audio", u"a.b", u"Chinese (Traditional)",
                               u"CONSOLE", u"COM10", u"LPT0", u"NULL.txt", u"Com"})
    EXPECT_TRUE(IsPlainName(good)) << std::string(good, good + 2);
  for (const char16_t* bad :
       {u"", u".", u"..", u"a\\b", u"a/b", u"C:", u"*", u"a?", u"Skin.", u"Skin ", u"a|b"})
    EXPECT_FALSE(IsPlainName(bad));
  // Device names, with an extension or in any case, name the device in every folder.
  for (const char16_t* device :
       {u"CON", u"nul", u"Aux", u"PRN.txt", u"NUL .lnk", u"com1", u"LPT9.exe", u"CONOUT$"})
    EXPECT_FALSE(IsPlainName(device)) << std::string(device, device + 3);
  EXPECT_TRUE(IsPlainName(std::u16string(255, u'a')));
  EXPECT_FALSE(IsPlainName(std::u16string(256, u'a')));
}

TEST(UninstallPlan, OnlyTheEntryConfirmsTheInstallFolder) {
  const std::u16string folder = u"C:\\Program Files (x86)\\ZKT 72xx Audio\\";
  const std::u16string entry = u"\"" + folder + u"ZKTAudioUninstall.exe\"";
  EXPECT_EQ(UninstallerPlace::InstallFolder, LocateUninstaller(folder, entry));
  EXPECT_EQ(UninstallerPlace::InstallFolder,
            LocateUninstaller(folder, u"c:\\program files (x86)\\zkt 72xx audio\\U.exe"));
  // Registered elsewhere: this copy runs from another folder, e.g. the setup folder.
  EXPECT_EQ(UninstallerPlace::Elsewhere,
            LocateUninstaller(u"C:\\Users\\Ann\\Downloads\\ZKTAudioSetup\\", entry));
  EXPECT_EQ(UninstallerPlace::Elsewhere,
            LocateUninstaller(u"C:\\Program Files (x86)\\ZKT 72xx Audio\\Plugin\\", entry));
  // No entry: no folder is confirmed, whatever its name (the Downloads folder once was).
  EXPECT_EQ(UninstallerPlace::NotInstalled, LocateUninstaller(folder, u""));
  EXPECT_EQ(UninstallerPlace::NotInstalled, LocateUninstaller(u"C:\\Users\\Ann\\Downloads\\", u""));
  // An entry that names no program in a full path confirms nothing either.
  for (const char16_t* broken : {u"\"C:\\Program Files (x86)\\ZKT 72xx Audio\\", u"U.exe", u"\"\"",
                                 u"\"C:\\x\\U.exe", u"C:U.exe", u"\\U.exe"})
    EXPECT_EQ(UninstallerPlace::NotInstalled, LocateUninstaller(folder, broken))
        << std::string(broken, broken + 3);
  EXPECT_EQ(u"C:\\Program Files (x86)\\ZKT 72xx Audio", RegisteredInstallFolder(entry));
}

TEST(UninstallPlan, UnconfirmedFolderChangesNothing) {
  // A copy beside someone else's AudioConfig.cfg: its names are not ours to delete.
  InstallLayout l = SampleLayout();
  l.installFolder = u"C:\\Users\\Ann\\Downloads\\ZKTAudioSetup\\";
  l.appFileName = u"OtherApp";
  l.installFolderConfirmed = false;
  l.removeUserData = true;
  const UninstallPlan plan = PlanUninstall(l);
  EXPECT_TRUE(plan.actions.empty());
  ASSERT_EQ(1u, plan.skipped.size());
  EXPECT_NE(std::u16string::npos, plan.skipped[0].find(u"not installed in"));
}

TEST(UninstallPlan, NoPluginFolderNameMeansNoPlugins) {
  InstallLayout l = SampleLayout();
  l.pluginFolderName.clear();
  const UninstallPlan plan = PlanUninstall(l);
  EXPECT_TRUE(plan.skipped.empty());
  EXPECT_FALSE(Has(Targets(plan, ActionKind::DeleteFolderTree), l.installFolder));
}

TEST(UninstallPlan, ConfigurationGoesAfterEverythingNamedInIt) {
  InstallLayout l = SampleLayout();
  l.removeUserData = true;
  const UninstallPlan plan = PlanUninstall(l);
  std::size_t config = plan.actions.size(), entry = plan.actions.size();
  for (std::size_t i = 0; i < plan.actions.size(); ++i) {
    if (plan.actions[i].target == l.installFolder + u"AudioConfig.cfg") config = i;
    if (plan.actions[i].kind == ActionKind::DeleteRegistryTree &&
        plan.actions[i].target.find(u"Uninstall\\ZKT72xxAudioExt") != std::u16string::npos)
      entry = i;
  }
  ASSERT_LT(config, plan.actions.size());
  EXPECT_EQ(config + 2, entry);  // the uninstaller's own file between them
  // Shortcuts, Run value and the user's folder all come before it.
  for (std::size_t i = config + 1; i < plan.actions.size(); ++i)
    EXPECT_TRUE(plan.actions[i].kind == ActionKind::DeleteRegistryTree ||
                plan.actions[i].kind == ActionKind::DeleteSelfAfterExit);
}

TEST(UninstallPlan, LogIsDeletedOnlyInATrustedFolder) {
  const InstallLayout l = SampleLayout();
  int logActions = 0;
  for (const UninstallAction& a : PlanUninstall(l).actions) {
    const bool inLog = a.target.rfind(u"C:\\ProgramData\\ZKT 72xx Software", 0) == 0;
    EXPECT_EQ(inLog, a.trustedFolderOnly) << std::string(a.target.begin(), a.target.end());
    logActions += inLog;
  }
  EXPECT_EQ(3, logActions);
}
