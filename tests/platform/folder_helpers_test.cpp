#include "platform/FolderHelpers.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/os_files.h"
#include "support/sim_fixture.h"

namespace fs = std::filesystem;

namespace {

class FolderHelpersTest : public SimMachineTest {
 protected:
  // The source tree most cases copy: Skin\a.bmp, Skin\1920x1080\b.bmp, Skin\1920x1080\deep\c.txt
  void MakeSkin() {
    WriteFile("C:\\Src\\Skin\\a.bmp", "A");
    WriteFile("C:\\Src\\Skin\\1920x1080\\b.bmp", "B");
    WriteFile("C:\\Src\\Skin\\1920x1080\\deep\\c.txt", "C");
  }
  void ExpectSkinCopiedTo(const std::string& folder) {
    EXPECT_EQ(ReadFile(folder + "\\a.bmp"), "A");
    EXPECT_EQ(ReadFile(folder + "\\1920x1080\\b.bmp"), "B");
    EXPECT_EQ(ReadFile(folder + "\\1920x1080\\deep\\c.txt"), "C");
  }
};

TEST_F(FolderHelpersTest, CreateFolderPathCreatesOutermostFirstAndNeedsTheFinalBackslash) {
  CreateFolderPath(u"C:\\One\\Two\\Three\\");
  EXPECT_TRUE(fs::is_directory(Host("C:\\One\\Two\\Three")));

  CreateFolderPath(u"C:\\Alpha\\Beta\\Gamma");
  EXPECT_TRUE(fs::is_directory(Host("C:\\Alpha\\Beta")));
  EXPECT_FALSE(fs::exists(Host("C:\\Alpha\\Beta\\Gamma")));

  CreateFolderPath(u"C:\\One\\Two\\Three\\");  // all exist: nothing fails loudly
  EXPECT_TRUE(fs::is_directory(Host("C:\\One\\Two\\Three")));
}

TEST_F(FolderHelpersTest, CopyIntoAFolderOfAnotherNameCreatesTheSourceNameInside) {
  MakeSkin();
  fs::create_directories(Host("C:\\Target"));
  EXPECT_TRUE(CopyFolder(u"C:\\Src\\Skin\\", u"C:\\Target\\"));
  ExpectSkinCopiedTo("C:\\Target\\Skin");
  const std::string log = DebugText();
  EXPECT_NE(log.find("##### Create Directory = C:\\Target\\Skin\n"), std::string::npos) << log;
  // The recursive call's own creation of an already created folder is traced as a failure.
  EXPECT_NE(log.find("##### Create Directory = C:\\Target\\Skin\\1920x1080\n"
                     "##### Create Directory = C:\\Target\\Skin\\1920x1080\n"
                     "***** Create Directory FAIL! *****\n"),
            std::string::npos)
      << log;
}

TEST_F(FolderHelpersTest, CopyIntoAFolderOfTheSameNameUsesItDirectly) {
  MakeSkin();
  fs::create_directories(Host("C:\\Install\\Skin"));
  EXPECT_TRUE(CopyFolder(u"C:\\Src\\Skin", u"C:\\Install\\Skin"));
  ExpectSkinCopiedTo("C:\\Install\\Skin");
  EXPECT_FALSE(fs::exists(Host("C:\\Install\\Skin\\Skin")));
}

TEST_F(FolderHelpersTest, TrailingBackslashMakesTheLastNamesDiffer) {
  MakeSkin();
  // Neither C:\Install nor C:\Install\Skin exists yet, as in a fresh install folder.
  EXPECT_TRUE(CopyFolder(u"C:\\Src\\Skin\\", u"C:\\Install\\Skin"));
  // "Skin\" differs from "Skin": a new Skin folder inside the destination.
  ExpectSkinCopiedTo("C:\\Install\\Skin\\Skin");
}

TEST_F(FolderHelpersTest, PathsWithoutABackslashAreRefusedUntouched) {
  MakeSkin();
  EXPECT_FALSE(CopyFolder(u"Skin", u"C:\\Install\\"));
  EXPECT_FALSE(CopyFolder(u"C:\\Src\\Skin", u"Install"));
  EXPECT_FALSE(fs::exists(Host("C:\\Install")));
  EXPECT_EQ(DebugText(), "");
}

TEST_F(FolderHelpersTest, CopiesArriveWithNormalAttributesAndReplaceExistingFiles) {
  WriteFile("C:\\Src\\Data\\ro.txt", "new");
  ASSERT_TRUE(os::SetFileAttributesW(u"C:\\Src\\Data\\ro.txt", FILE_ATTRIBUTE_READONLY));
  WriteFile("C:\\Dst\\Data\\ro.txt", "old");
  WriteFile("C:\\Src\\Data\\plain.txt", "new");
  WriteFile("C:\\Dst\\Data\\plain.txt", "old");

  EXPECT_TRUE(CopyFolder(u"C:\\Src\\Data", u"C:\\Dst\\Data"));
  EXPECT_EQ(ReadFile("C:\\Dst\\Data\\plain.txt"), "new");
  EXPECT_EQ(ReadFile("C:\\Dst\\Data\\ro.txt"), "new");
  EXPECT_EQ(os::GetFileAttributesW(u"C:\\Dst\\Data\\ro.txt"), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(FolderHelpersTest, AReadOnlyTargetIsKeptButLeftWithNormalAttributes) {
  WriteFile("C:\\Src\\Data\\f.txt", "new");
  WriteFile("C:\\Dst\\Data\\f.txt", "old");
  ASSERT_TRUE(os::SetFileAttributesW(u"C:\\Dst\\Data\\f.txt", FILE_ATTRIBUTE_READONLY));

  EXPECT_TRUE(CopyFolder(u"C:\\Src\\Data", u"C:\\Dst\\Data"));
  EXPECT_EQ(ReadFile("C:\\Dst\\Data\\f.txt"), "old");
  EXPECT_EQ(os::GetFileAttributesW(u"C:\\Dst\\Data\\f.txt"), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(FolderHelpersTest, AJunctionBackUpTheTreeIsNotFollowed) {
  MakeSkin();
  // Skin\loop -> Skin: copying through it would never end.
  fs::create_directory_symlink(Host("C:\\Src\\Skin"), Host("C:\\Src\\Skin\\loop"));
  fs::create_directories(Host("C:\\Dst"));
  EXPECT_TRUE(CopyFolder(u"C:\\Src\\Skin", u"C:\\Dst\\Skin"));
  ExpectSkinCopiedTo("C:\\Dst\\Skin");
  EXPECT_FALSE(fs::exists(Host("C:\\Dst\\Skin\\loop")));
  EXPECT_NE(DebugText().find("##### Skip reparse point = C:\\Src\\Skin\\loop\n"),
            std::string::npos);
}

TEST_F(FolderHelpersTest, OverLongEntriesAreSkippedWholeNotCut) {
  const std::string longName(120, 'n');
  WriteFile("C:\\Src\\Data\\short.txt", "S");
  // Source path ~ 140 characters, target beyond 255 once under the long destination.
  WriteFile("C:\\Src\\Data\\" + longName + ".txt", "L");
  const std::string dst = "C:\\" + std::string(130, 'd') + "\\Data";
  fs::create_directories(Host(dst));

  EXPECT_TRUE(CopyFolder(u"C:\\Src\\Data", text::FromUtf8(dst)));
  EXPECT_EQ(ReadFile(dst + "\\short.txt"), "S");
  // Nothing was written under a cut name either.
  std::size_t files = 0;
  for (const auto& e : fs::directory_iterator(Host(dst))) files += e.is_regular_file();
  EXPECT_EQ(files, 1u);
  EXPECT_NE(DebugText().find("***** Path too long, skipped = " + dst + "\\" + longName),
            std::string::npos)
      << DebugText();

  EXPECT_FALSE(CopyFolder(u"C:\\Src\\" + std::u16string(260, u'x'), u"C:\\Dst\\"));
}

TEST_F(FolderHelpersTest, CopyFileOverwriteReplacesAndReportsFailure) {
  WriteFile("C:\\a.txt", "new");
  WriteFile("C:\\b.txt", "old");
  EXPECT_NE(CopyFileOverwrite(u"C:\\a.txt", u"C:\\b.txt"), 0);
  EXPECT_EQ(ReadFile("C:\\b.txt"), "new");
  EXPECT_EQ(CopyFileOverwrite(u"C:\\missing.txt", u"C:\\c.txt"), 0);
  EXPECT_EQ(os::GetLastError(), static_cast<os::DWORD>(ERROR_FILE_NOT_FOUND));
}

}  // namespace
