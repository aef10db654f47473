#include "platform/Shortcuts.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/os_shell_link.h"
#include "support/sim_fixture.h"

namespace fs = std::filesystem;

namespace {

const std::string kPrograms = "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs";

class ShortcutsTest : public SimMachineTest {
 protected:
  std::u16string TargetOf(const std::string& lnk) {
    std::u16string target;
    EXPECT_EQ(os::ReadShellLinkTarget(text::FromUtf8(lnk), &target), S_OK) << lnk;
    return target;
  }
};

TEST_F(ShortcutsTest, StartMenuEntriesWithAndWithoutParentFolder) {
  const std::u16string app = u"C:\\Program Files (x86)\\ZKT\\Audio\\App.exe";
  CreateProgramsShortcutEx(u"Audio", app, u"Audio Control", u"ZKT");
  EXPECT_EQ(TargetOf(kPrograms + "\\ZKT\\Audio\\Audio Control.lnk"), app);

  CreateProgramsShortcutEx(u"Solo", app, u"Audio Control", u"");
  EXPECT_EQ(TargetOf(kPrograms + "\\Solo\\Audio Control.lnk"), app);

  CreateProgramsShortcut(u"Manual", u"C:\\m.pdf", u"User Manual");
  EXPECT_EQ(TargetOf(kPrograms + "\\Manual\\User Manual.lnk"), u"C:\\m.pdf");
}

TEST_F(ShortcutsTest, DesktopShortcutGoesToTheUsersDesktopWithoutCreatingFolders) {
  fs::create_directories(Host("C:\\Users\\User\\Desktop"));
  CreateDesktopShortcut(u"C:\\App.exe", u"Audio");
  EXPECT_EQ(TargetOf("C:\\Users\\User\\Desktop\\Audio.lnk"), u"C:\\App.exe");
}

// Without the desktop's path the link would be written to "\\Audio.lnk", the drive's root.
TEST_F(ShortcutsTest, AFolderWindowsCannotNameMeansNoShortcut) {
  machine().InjectFault({"SHGetSpecialFolderPathW", 0, 2, ERROR_PATH_NOT_FOUND, ""});
  CreateDesktopShortcut(u"C:\\App.exe", u"Audio");
  CreateProgramsShortcutEx(u"Audio", u"C:\\App.exe", u"Audio", u"ZKT");
  EXPECT_FALSE(fs::exists(Host("C:\\Audio.lnk")));
  EXPECT_FALSE(fs::exists(Host("C:\\ZKT")));
  EXPECT_FALSE(fs::exists(Host(kPrograms + "\\ZKT")));
}

TEST_F(ShortcutsTest, AnOverLongShortcutPathIsSkippedNotCut) {
  const std::u16string longName(250, u'n');
  CreateProgramsShortcutEx(u"Audio", u"C:\\App.exe", longName, u"ZKT");
  // The folders fit and exist; no link file under any name was written.
  ASSERT_TRUE(fs::is_directory(Host(kPrograms + "\\ZKT\\Audio")));
  EXPECT_TRUE(fs::is_empty(Host(kPrograms + "\\ZKT\\Audio")));
  EXPECT_NE(DebugText().find("***** Shortcut path too long, skipped = "), std::string::npos);

  CreateProgramsShortcutEx(text::FromUtf8(std::string(240, 'f')), u"C:\\App.exe", u"x", u"ZKT");
  EXPECT_EQ(
      std::distance(fs::directory_iterator(Host(kPrograms + "\\ZKT")), fs::directory_iterator()),
      1);  // only Audio: the over-long folder was not created under a cut name
}

TEST_F(ShortcutsTest, NoLinkObjectMeansNoFoldersAndNoFile) {
  machine().InjectFault({"CreateShellLink", 0, 1, 0, ""});
  CreateProgramsShortcutEx(u"Audio", u"C:\\App.exe", u"Audio", u"ZKT");
  EXPECT_FALSE(fs::exists(Host(kPrograms + "\\ZKT")));
}

}  // namespace
