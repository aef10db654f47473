#include "config/SetupConfig.h"

#include <gtest/gtest.h>

#include "config/config_files.h"

namespace {

const char16_t kProgram[] = u"C:\\Users\\User\\Downloads\\Setup\\ZKTAudioSetup.exe";

class SetupConfigTest : public ConfigFileTest {
 protected:
  _APPLICATION_FOLDER_PATH Load(const std::string& config) {
    PutFile("C:\\Users\\User\\Downloads\\Setup\\AudioConfig.cfg", config);
    _APPLICATION_FOLDER_PATH record;
    LoadSetupConfig(u"AudioConfig.cfg", kProgram, record);
    return record;
  }
};

TEST_F(SetupConfigTest, FillsEveryFieldFromItsKey) {
  const auto c = Load(
      "[Language]\nLanguageFolderName=Lang\n"
      "[Skin]\nSkinFolderName=Skin\n"
      "[install]\nInstallAppTitle=Title\nInstallIconFileName=Setup.ico\n"
      "InstallFolderName=ZKT Audio\nShortcutFolderName=Short\nShortcutFolderNameUp=Up\n"
      "AppShortcutName=App\nAPPFileName=Main\nUserManualShortcutName=Manual\n"
      "EffectAPPFileName=Effect\nEffectAppShortcutName=EffectShort\n"
      "SoundEffectAPPFileName=Sound\n"
      "[Uninstall]\nUninstallAppTitle=UTitle\nUninstallIconFileName=U.ico\n"
      "UninstallShortcutName=UShort\nPublisher=ZKT\nUninstallDisplayName=Display\n"
      "UninstallFileName=Uninst\n"
      "[Application]\nDeviceActiveIconFileName=On.ico\nDeviceUnactiveIconFileName=Off.ico\n"
      "TrayIconRestorOn=1\n"
      "[DebugLevel]\nApplication=3\nService=4\n"
      "[Plugin]\nPluginFolderName=Plugin\n");
  EXPECT_EQ(c.SourceAppFileName, u"ZKTAudioSetup.exe");
  EXPECT_EQ(c.SourceFolderFullPath, u"C:\\Users\\User\\Downloads\\Setup\\");
  EXPECT_EQ(c.LanguageFolderName, u"Lang");
  EXPECT_EQ(c.SkinFolderName, u"Skin");
  EXPECT_EQ(c.InstallAppTitle, u"Title");
  EXPECT_EQ(c.InstallIconFileName, u"Setup.ico");
  EXPECT_EQ(c.InstallFolderName, u"ZKT Audio");
  EXPECT_EQ(c.ShortcutFolderName, u"Short");
  EXPECT_EQ(c.ShortcutFolderNameUp, u"Up");
  EXPECT_EQ(c.AppShortcutName, u"App");
  EXPECT_EQ(c.APPFileName, u"Main");
  EXPECT_EQ(c.UserManualShortcutName, u"Manual");
  EXPECT_EQ(c.EffectAPPFileName, u"Effect");
  EXPECT_EQ(c.EffectAppShortcutName, u"EffectShort");
  EXPECT_EQ(c.SoundEffectAPPFileName, u"Sound");
  EXPECT_EQ(c.UninstallAppTitle, u"UTitle");
  EXPECT_EQ(c.UninstallIconFileName, u"U.ico");
  EXPECT_EQ(c.UninstallShortcutName, u"UShort");
  EXPECT_EQ(c.Publisher, u"ZKT");
  EXPECT_EQ(c.UninstallDisplayName, u"Display");
  EXPECT_EQ(c.UninstallFileName, u"Uninst");
  EXPECT_EQ(c.DeviceActiveIconFileName, u"On.ico");
  EXPECT_EQ(c.DeviceUnactiveIconFileName, u"Off.ico");
  EXPECT_EQ(c.TrayIconRestorOn, u"1");
  EXPECT_EQ(c.DebugLevelApplication, u"3");
  EXPECT_EQ(c.DebugLevelService, u"4");
  EXPECT_EQ(c.PluginFolderName, u"Plugin");
  // A 32-bit program on 64-bit Windows: the 32-bit Program Files, the native system folder.
  EXPECT_EQ(c.ProgramFilesPath, u"C:\\Program Files (x86)\\");
  EXPECT_EQ(c.InstallFolderPath, u"C:\\Program Files (x86)\\ZKT Audio\\");
  EXPECT_EQ(c.NativeSystemFolderPath, u"C:\\Windows\\system32\\");
  EXPECT_EQ(DebugText(),
            "##### SourceAppFileName = ZKTAudioSetup.exe\n"
            "##### SourceFolderFullPath = C:\\Users\\User\\Downloads\\Setup\\\n");
}

TEST_F(SetupConfigTest, MissingFileLeavesDefaults) {
  _APPLICATION_FOLDER_PATH record;
  record.Publisher = u"kept";
  LoadSetupConfig(u"AudioConfig.cfg", kProgram, record);
  EXPECT_EQ(record.Publisher, u"kept");
  EXPECT_EQ(record.DebugLevelApplication, u"0");
  EXPECT_EQ(record.DebugLevelService, u"0");
  EXPECT_EQ(record.InstallFolderPath, u"C:\\Program Files (x86)\\\\");
}

// A configuration that exists but cannot be read, or a Program Files folder Windows does not
// name, would install files without names or into the root of the drive: the load says why.
TEST_F(SetupConfigTest, UnreadableFileOrUnknownProgramFilesIsAProblem) {
  PutFile("C:\\Users\\User\\Downloads\\Setup\\AudioConfig.cfg",
          "[Install]\nAPPFileName=Main\nInstallFolderName=ZKT Audio\n");
  _APPLICATION_FOLDER_PATH record;
  EXPECT_EQ(LoadSetupConfig(u"AudioConfig.cfg", kProgram, record), u"");
  EXPECT_EQ(record.APPFileName, u"Main");

  // One read of the file refused (another program holds it without sharing).
  _APPLICATION_FOLDER_PATH locked;
  machine().InjectFault({"ReadFile", 3, 1, 33 /* ERROR_LOCK_VIOLATION */, "AudioConfig.cfg"});
  EXPECT_EQ(text::ToUtf8(LoadSetupConfig(u"AudioConfig.cfg", kProgram, locked)),
            "C:\\Users\\User\\Downloads\\Setup\\AudioConfig.cfg cannot be read (error 33).");
  machine().ClearFaults();

  _APPLICATION_FOLDER_PATH unknown;
  machine().InjectFault({"SHGetSpecialFolderPathW", 0, 1, ERROR_ACCESS_DENIED, ""});
  EXPECT_EQ(LoadSetupConfig(u"AudioConfig.cfg", kProgram, unknown),
            u"The Program Files folder is unknown (error 3).");
  EXPECT_EQ(unknown.APPFileName, u"Main");
}

TEST_F(SetupConfigTest, DebugLevelWithoutApplicationKeepsZero) {
  const auto c = Load("[DebugLevel]\nService=2\nApplication=\n");
  EXPECT_EQ(c.DebugLevelApplication, u"0");
  EXPECT_EQ(c.DebugLevelService, u"2");
}

class SetupConfig32BitWindowsTest : public SetupConfigTest {
  std::string MachineIni() const override { return "[Windows]\nArchitecture=x86\n"; }
};

TEST_F(SetupConfig32BitWindowsTest, PathsOfA32BitMachine) {
  const auto c = Load("[Install]\nInstallFolderName=A\n");
  EXPECT_EQ(c.ProgramFilesPath, u"C:\\Program Files\\");
  EXPECT_EQ(c.NativeSystemFolderPath, u"C:\\Windows\\system32\\");
}

TEST_F(SetupConfigTest, NativeSystemFolderOfA64BitProgram) {
  machine().SetProcessIs32Bit(false);
  const auto c = Load("[Install]\nInstallFolderName=A\n");
  EXPECT_EQ(c.ProgramFilesPath, u"C:\\Program Files\\");
  EXPECT_EQ(c.NativeSystemFolderPath, u"C:\\Windows\\system32\\");
}

TEST_F(SetupConfigTest, SwitchesAndTheirDefaults) {
  PutFile("C:\\cfg\\a.cfg", "[Install]\nInstallWindowsKB=\n");
  auto s = ReadSetupSwitches(u"C:\\cfg\\a.cfg");
  EXPECT_EQ(s.PluginEnabled, 0);
  EXPECT_EQ(s.DesktopShortcutEnable, 0);
  EXPECT_EQ(s.InstallWindowsKB, 1);  // empty reads like missing
  EXPECT_EQ(s.ShowRebootScreen, 0);
  EXPECT_EQ(s.MultiDisplaySetting, 0);

  PutFile("C:\\cfg\\b.cfg",
          "[Plugin]\nPluginFolderName=P\n[Install]\nDesktopShortcutEnable=yes\n"
          "InstallWindowsKB=0\nShowRebootScreen=\" 1\"\nMultiDisplaySetting=2\n");
  s = ReadSetupSwitches(u"C:\\cfg\\b.cfg");
  EXPECT_EQ(s.PluginEnabled, 1);
  EXPECT_EQ(s.DesktopShortcutEnable, 0);
  EXPECT_EQ(s.InstallWindowsKB, 0);
  EXPECT_EQ(s.ShowRebootScreen, 1);  // a blank before the 1 is skipped
  EXPECT_EQ(s.MultiDisplaySetting, 2);
}

TEST(ResolutionFolderTest, StrictAreaThresholds) {
  EXPECT_EQ(ResolutionFolderFor(2560, 1440), u"1920x1080\\");
  EXPECT_EQ(ResolutionFolderFor(1920, 1080), u"1366x768\\");
  EXPECT_EQ(ResolutionFolderFor(1366, 768), u"960x540\\");
  EXPECT_EQ(ResolutionFolderFor(960, 540), u"");
  EXPECT_EQ(ResolutionFolderFor(800, 600), u"");
  EXPECT_EQ(ResolutionFolderFor(65536, 65536), u"");  // the 32-bit product wraps to 0
}

}  // namespace
