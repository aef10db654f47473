#include <gtest/gtest.h>

#include <filesystem>

#include "platform/os_files.h"
#include "platform/os_system.h"
#include "support/sim_fixture.h"

namespace fs = std::filesystem;

namespace {

using SimShellTest = SimMachineTest;

std::u16string Folder(int csidl, os::BOOL create = FALSE) {
  std::u16string path = u"<unset>";
  return os::SHGetSpecialFolderPathW(&path, csidl, create) ? path : u"<failed>";
}

TEST_F(SimShellTest, SystemAndProgramFoldersFollowTheProcessBitness) {
  std::u16string system;
  ASSERT_TRUE(machine().UnderWow64());
  // The name stays system32 under WOW64; the file system redirects the accesses.
  EXPECT_EQ(os::GetSystemDirectoryW(&system), 19u);
  EXPECT_EQ(system, u"C:\\Windows\\system32");
  EXPECT_EQ(Folder(CSIDL_PROGRAM_FILES), u"C:\\Program Files (x86)");
  EXPECT_EQ(Folder(CSIDL_COMMON_PROGRAMS),
            u"C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs");
  EXPECT_EQ(Folder(CSIDL_DESKTOPDIRECTORY), u"C:\\Users\\User\\Desktop");

  machine().SetProcessIs32Bit(false);
  EXPECT_EQ(os::GetSystemDirectoryW(&system), 19u);
  EXPECT_EQ(system, u"C:\\Windows\\system32");
  EXPECT_EQ(Folder(CSIDL_PROGRAM_FILES), u"C:\\Program Files");
  EXPECT_EQ(Folder(0x7777), u"<failed>");
}

TEST_F(SimShellTest, StandardFoldersExistAndTheCreateFlagMakesMissingOnes) {
  EXPECT_EQ(os::GetFileAttributesW(Folder(CSIDL_COMMON_PROGRAMS)) & FILE_ATTRIBUTE_DIRECTORY,
            static_cast<os::DWORD>(FILE_ATTRIBUTE_DIRECTORY));
  fs::remove_all(Host("C:\\Users\\User\\AppData"));
  EXPECT_EQ(Folder(CSIDL_APPDATA), u"C:\\Users\\User\\AppData\\Roaming");
  EXPECT_FALSE(fs::exists(Host("C:\\Users\\User\\AppData\\Roaming")));
  EXPECT_EQ(Folder(CSIDL_APPDATA, TRUE), u"C:\\Users\\User\\AppData\\Roaming");
  EXPECT_TRUE(fs::is_directory(Host("C:\\Users\\User\\AppData\\Roaming")));
}

class SimShell32BitWindowsTest : public SimMachineTest {
 protected:
  std::string MachineIni() const override { return "[Windows]\nVersion=6.1\nArchitecture=x86\n"; }
};

TEST_F(SimShell32BitWindowsTest, OneProgramFilesFolderAndSystem32) {
  std::u16string system;
  os::GetSystemDirectoryW(&system);
  EXPECT_EQ(system, u"C:\\Windows\\system32");
  EXPECT_EQ(Folder(CSIDL_PROGRAM_FILES), u"C:\\Program Files");
  EXPECT_EQ(Folder(CSIDL_PROGRAM_FILESX86), u"C:\\Program Files");
}

}  // namespace
