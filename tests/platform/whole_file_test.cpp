#include "platform/WholeFile.h"

#include <gtest/gtest.h>

#include "platform/os_files.h"
#include "support/sim_fixture.h"

namespace {

using WholeFileTest = SimMachineTest;

TEST_F(WholeFileTest, ReadsEverythingWhileAnotherProgramWritesToTheFile) {
  const std::string content = std::string("[Install]\r\n", 11) + std::string(70000, 'x') + '\0';
  WriteFile("C:\\Data\\a.cfg", content);
  // Another program has it open for writing: a whole read still shares with it.
  os::HANDLE writer =
      os::CreateFileW(u"C:\\Data\\a.cfg", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL);
  ASSERT_NE(writer, INVALID_HANDLE_VALUE);
  std::string bytes;
  EXPECT_EQ(ReadWholeFile(u"C:\\Data\\a.cfg", &bytes), static_cast<os::DWORD>(ERROR_SUCCESS));
  EXPECT_EQ(bytes, content);
  os::CloseHandle(writer);
  WriteFile("C:\\Data\\empty.cfg", "");
  EXPECT_EQ(ReadWholeFile(u"C:\\Data\\empty.cfg", &bytes), static_cast<os::DWORD>(ERROR_SUCCESS));
  EXPECT_TRUE(bytes.empty());
}

TEST_F(WholeFileTest, AFailureHandsOnNothingAndNamesItsError) {
  WriteFile("C:\\Data\\a.cfg", "[Install]\r\nA=1\r\n");
  std::string bytes = "left over";
  EXPECT_EQ(ReadWholeFile(u"C:\\Data\\missing.cfg", &bytes),
            static_cast<os::DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_TRUE(bytes.empty());
  bytes = "left over";
  EXPECT_EQ(ReadWholeFile(u"C:\\Data\\a.cfg", &bytes, 15),
            static_cast<os::DWORD>(ERROR_FILE_TOO_LARGE));
  EXPECT_TRUE(bytes.empty());
  EXPECT_EQ(ReadWholeFile(u"C:\\Data\\a.cfg", &bytes, 16), static_cast<os::DWORD>(ERROR_SUCCESS));
  for (const char* call : {"CreateFileW", "ReadFile"}) {
    machine().InjectFault({call, 0, 1, ERROR_SHARING_VIOLATION, "a.cfg"});
    EXPECT_EQ(ReadWholeFile(u"C:\\Data\\a.cfg", &bytes),
              static_cast<os::DWORD>(ERROR_SHARING_VIOLATION))
        << call;
    EXPECT_TRUE(bytes.empty()) << call;
  }
  // A folder in the file's place is no file to read.
  os::CreateDirectoryW(u"C:\\Data\\dir.cfg");
  EXPECT_NE(ReadWholeFile(u"C:\\Data\\dir.cfg", &bytes), static_cast<os::DWORD>(ERROR_SUCCESS));
  EXPECT_TRUE(bytes.empty());
}

}  // namespace
