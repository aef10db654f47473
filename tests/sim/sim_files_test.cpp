#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <vector>

#include "platform/os_files.h"
#include "support/sim_fixture.h"

namespace fs = std::filesystem;

namespace {

constexpr os::DWORD kPoison = 0xDEADBEEF;

class SimFilesTest : public SimMachineTest {
 protected:
  static std::u16string W(const std::string& s) { return text::FromUtf8(s); }
  // Calls `call`, expecting it to fail with `error`.
  template <typename Call>
  void ExpectFailure(Call call, os::DWORD error, const char* what) {
    os::SetLastError(kPoison);
    EXPECT_FALSE(call()) << what;
    EXPECT_EQ(os::GetLastError(), error) << what;
  }
  std::vector<std::string> List(const std::string& pattern) {
    std::vector<std::string> names;
    os::FindData data;
    os::HANDLE find = os::FindFirstFileW(W(pattern), &data);
    if (find == INVALID_HANDLE_VALUE) return names;
    do names.push_back(text::ToUtf8(data.fileName));
    while (os::FindNextFileW(find, &data));
    EXPECT_EQ(os::GetLastError(), static_cast<os::DWORD>(ERROR_NO_MORE_FILES));
    EXPECT_TRUE(os::FindClose(find));
    return names;
  }
};

TEST_F(SimFilesTest, CreateAndRemoveDirectoryResults) {
  os::SetLastError(kPoison);
  EXPECT_TRUE(os::CreateDirectoryW(u"C:\\New"));
  EXPECT_EQ(os::GetLastError(), kPoison);  // success leaves the last error alone
  EXPECT_TRUE(fs::is_directory(Host("C:\\New")));
  ExpectFailure([] { return os::CreateDirectoryW(u"C:\\new"); }, ERROR_ALREADY_EXISTS, "existing");
  ExpectFailure([] { return os::CreateDirectoryW(u"C:\\Missing\\Child"); }, ERROR_PATH_NOT_FOUND,
                "missing parent");
  ExpectFailure([] { return os::CreateDirectoryW(u"C:\\"); }, ERROR_ALREADY_EXISTS, "root");
  WriteFile("C:\\New\\file.txt", "x");
  ExpectFailure([] { return os::CreateDirectoryW(u"C:\\New\\file.txt"); }, ERROR_ALREADY_EXISTS,
                "a file of that name");

  ExpectFailure([] { return os::RemoveDirectoryW(u"C:\\New"); }, ERROR_DIR_NOT_EMPTY, "not empty");
  ExpectFailure([] { return os::RemoveDirectoryW(u"C:\\New\\file.txt"); }, ERROR_DIRECTORY, "file");
  ExpectFailure([] { return os::RemoveDirectoryW(u"C:\\Gone"); }, ERROR_FILE_NOT_FOUND, "missing");
  ASSERT_TRUE(os::DeleteFileW(u"C:\\NEW\\FILE.TXT"));
  EXPECT_TRUE(os::RemoveDirectoryW(u"C:\\New"));
  EXPECT_FALSE(fs::exists(Host("C:\\New")));
}

TEST_F(SimFilesTest, ReadOnlyFilesRefuseDeletionAndReplacement) {
  WriteFile("C:\\D\\ro.txt", "keep");
  WriteFile("C:\\D\\src.txt", "new");
  ASSERT_TRUE(os::SetFileAttributesW(u"C:\\D\\ro.txt", FILE_ATTRIBUTE_READONLY));
  ExpectFailure([] { return os::DeleteFileW(u"C:\\D\\ro.txt"); }, ERROR_ACCESS_DENIED, "delete");
  ExpectFailure([] { return os::CopyFileW(u"C:\\D\\src.txt", u"C:\\D\\ro.txt", FALSE); },
                ERROR_ACCESS_DENIED, "copy over");
  ExpectFailure(
      [] {
        return os::MoveFileExW(u"C:\\D\\src.txt", u"C:\\D\\ro.txt", MOVEFILE_REPLACE_EXISTING);
      },
      ERROR_ACCESS_DENIED, "move over");
  EXPECT_EQ(os::CreateFileW(u"C:\\D\\ro.txt", GENERIC_WRITE, 0, OPEN_EXISTING, 0),
            INVALID_HANDLE_VALUE);
  EXPECT_EQ(os::GetLastError(), static_cast<os::DWORD>(ERROR_ACCESS_DENIED));
  EXPECT_EQ(ReadFile("C:\\D\\ro.txt"), "keep");

  ASSERT_TRUE(os::SetFileAttributesW(u"C:\\D\\ro.txt", FILE_ATTRIBUTE_NORMAL));
  EXPECT_EQ(os::GetFileAttributesW(u"C:\\D\\ro.txt"),
            static_cast<os::DWORD>(FILE_ATTRIBUTE_NORMAL));
  EXPECT_TRUE(os::DeleteFileW(u"C:\\D\\ro.txt"));
  ExpectFailure([] { return os::DeleteFileW(u"C:\\D"); }, ERROR_ACCESS_DENIED, "a folder");
}

TEST_F(SimFilesTest, CopyFileResultsAndAttributes) {
  WriteFile("C:\\S\\a.txt", "source");
  WriteFile("C:\\T\\a.txt", "old");
  ExpectFailure([] { return os::CopyFileW(u"C:\\S\\a.txt", u"C:\\T\\a.txt", TRUE); },
                ERROR_FILE_EXISTS, "fail if exists");
  EXPECT_EQ(ReadFile("C:\\T\\a.txt"), "old");
  os::SetLastError(kPoison);
  EXPECT_TRUE(os::CopyFileW(u"C:\\S\\a.txt", u"c:\\t\\A.TXT", FALSE));
  EXPECT_EQ(os::GetLastError(), static_cast<os::DWORD>(ERROR_SUCCESS));  // a copy clears it
  EXPECT_EQ(ReadFile("C:\\T\\a.txt"), "source");  // the existing name is kept
  ExpectFailure([] { return os::CopyFileW(u"C:\\S\\none.txt", u"C:\\T\\b.txt", FALSE); },
                ERROR_FILE_NOT_FOUND, "missing source");
  ExpectFailure([] { return os::CopyFileW(u"C:\\S\\a.txt", u"C:\\None\\b.txt", FALSE); },
                ERROR_PATH_NOT_FOUND, "missing target folder");
  ExpectFailure([] { return os::CopyFileW(u"C:\\S\\a.txt", u"C:\\s\\A.txt", FALSE); },
                ERROR_SHARING_VIOLATION, "onto itself");
  EXPECT_EQ(ReadFile("C:\\S\\a.txt"), "source");

  // The copy keeps the source's attributes, read-only included, and is marked for archiving.
  ASSERT_TRUE(
      os::SetFileAttributesW(u"C:\\S\\a.txt", FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));
  EXPECT_TRUE(os::CopyFileW(u"C:\\S\\a.txt", u"C:\\T\\c.txt", TRUE));
  EXPECT_EQ(os::GetFileAttributesW(u"C:\\T\\c.txt"),
            static_cast<os::DWORD>(FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                                   FILE_ATTRIBUTE_ARCHIVE));
  // Attributes live in the machine folder: the next run sees them.
  ReopenMachine();
  EXPECT_EQ(os::GetFileAttributesW(u"C:\\T\\c.txt") & FILE_ATTRIBUTE_READONLY,
            static_cast<os::DWORD>(FILE_ATTRIBUTE_READONLY));
  EXPECT_EQ(os::GetFileAttributesW(u"C:\\T\\a.txt"),
            static_cast<os::DWORD>(FILE_ATTRIBUTE_ARCHIVE));
}

TEST_F(SimFilesTest, InjectedFaultFailsTheCallWithItsError) {
  WriteFile("C:\\S\\a.txt", "x");
  machine().InjectFault({"CopyFileW", 0, 1, ERROR_WRITE_PROTECT, "a.txt"});
  ExpectFailure([] { return os::CopyFileW(u"C:\\S\\a.txt", u"C:\\S\\b.txt", FALSE); },
                ERROR_WRITE_PROTECT, "fault");
  EXPECT_FALSE(fs::exists(Host("C:\\S\\b.txt")));
  EXPECT_TRUE(os::CopyFileW(u"C:\\S\\a.txt", u"C:\\S\\b.txt", FALSE));  // only once
}

TEST_F(SimFilesTest, MoveFileRenamesAndCarriesAttributes) {
  WriteFile("C:\\M\\Sub\\f.txt", "f");
  WriteFile("C:\\M\\other.txt", "o");
  ASSERT_TRUE(os::SetFileAttributesW(u"C:\\M\\Sub\\f.txt", FILE_ATTRIBUTE_HIDDEN));
  ExpectFailure([] { return os::MoveFileExW(u"C:\\M\\other.txt", u"C:\\M\\Sub\\f.txt", 0); },
                ERROR_ALREADY_EXISTS, "no replace");
  ASSERT_TRUE(os::MoveFileExW(u"C:\\M\\Sub", u"C:\\M\\Moved", 0));
  EXPECT_EQ(os::GetFileAttributesW(u"C:\\M\\Moved\\f.txt"),
            static_cast<os::DWORD>(FILE_ATTRIBUTE_HIDDEN));
  ASSERT_TRUE(
      os::MoveFileExW(u"C:\\M\\other.txt", u"C:\\M\\Moved\\f.txt", MOVEFILE_REPLACE_EXISTING));
  EXPECT_EQ(ReadFile("C:\\M\\Moved\\f.txt"), "o");
  EXPECT_EQ(os::GetFileAttributesW(u"C:\\M\\Moved\\f.txt"),
            static_cast<os::DWORD>(FILE_ATTRIBUTE_ARCHIVE));
  ASSERT_TRUE(os::MoveFileExW(u"C:\\M\\moved", u"C:\\M\\MOVED", 0));  // a change of case only
  EXPECT_TRUE(fs::is_directory(Host("C:\\M\\MOVED")));
  EXPECT_FALSE(fs::exists(Host("C:\\M\\Moved")));
}

TEST_F(SimFilesTest, FoldersListInNtfsOrderWithDotEntriesFirst) {
  for (const char* name : {"b.txt", "Zed", "_x.txt", "ab", "A.txt", "1.txt", "a_b"})
    WriteFile(std::string("C:\\L\\") + name, "x");
  fs::create_directories(Host("C:\\L\\Folder"));
  // Upper-cased ordinal: digits, then "A.TXT" ('.' < '_'), "AB" ('B' < '_'), "A_B", ...
  EXPECT_EQ(List("C:\\L\\*"), (std::vector<std::string>{".", "..", "1.txt", "A.txt", "ab", "a_b",
                                                        "b.txt", "Folder", "Zed", "_x.txt"}));
  EXPECT_EQ(List("C:\\L\\*.txt"), (std::vector<std::string>{"1.txt", "A.txt", "b.txt", "_x.txt"}));
  EXPECT_EQ(List("C:\\L\\*.*").size(), 10u);  // "*.*" also matches names without a dot
  EXPECT_EQ(List("c:\\l\\ZED"), (std::vector<std::string>{"Zed"}));  // the name as stored
  EXPECT_EQ(List("C:\\L\\?b"), (std::vector<std::string>{"ab"}));

  os::FindData data;
  os::SetLastError(kPoison);
  EXPECT_EQ(os::FindFirstFileW(u"C:\\L\\*.doc", &data), INVALID_HANDLE_VALUE);
  EXPECT_EQ(os::GetLastError(), static_cast<os::DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(os::FindFirstFileW(u"C:\\Nowhere\\*", &data), INVALID_HANDLE_VALUE);
  EXPECT_EQ(os::GetLastError(), static_cast<os::DWORD>(ERROR_PATH_NOT_FOUND));
  // The drive root has no "." and ".." entries.
  const auto root = List("C:\\*");
  ASSERT_FALSE(root.empty());
  EXPECT_NE(root.front(), ".");
}

TEST_F(SimFilesTest, FindDataCarriesAttributesSizesAndJunctions) {
  WriteFile("C:\\F\\data.bin", "12345");
  fs::create_directories(Host("C:\\Elsewhere\\inside"));
  fs::create_directory_symlink(Host("C:\\Elsewhere"), Host("C:\\F\\Link"));
  os::FindData data;
  os::HANDLE find = os::FindFirstFileW(u"C:\\F\\d*", &data);
  ASSERT_NE(find, INVALID_HANDLE_VALUE);
  EXPECT_EQ(data.fileSize, 5u);
  EXPECT_EQ(data.attributes, static_cast<os::DWORD>(FILE_ATTRIBUTE_ARCHIVE));
  ASSERT_TRUE(os::FindClose(find));
  ExpectFailure([&] { return os::FindClose(find); }, ERROR_INVALID_HANDLE, "closed twice");

  EXPECT_EQ(os::GetFileAttributesW(u"C:\\F\\Link"),
            static_cast<os::DWORD>(FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT));
  // Removing the junction leaves what it points to.
  EXPECT_TRUE(os::RemoveDirectoryW(u"C:\\F\\Link"));
  EXPECT_TRUE(fs::is_directory(Host("C:\\Elsewhere\\inside")));
}

TEST_F(SimFilesTest, CreateFileDispositionsAndIo) {
  os::SetLastError(kPoison);
  os::HANDLE h =
      os::CreateFileW(u"C:\\io.bin", GENERIC_WRITE, 0, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  EXPECT_EQ(os::GetLastError(), static_cast<os::DWORD>(ERROR_SUCCESS));  // created
  os::DWORD written = 0;
  EXPECT_TRUE(os::WriteFile(h, "hello", 5, &written));
  EXPECT_EQ(written, 5u);
  char buffer[8] = {};
  os::DWORD got = 99;
  ExpectFailure([&] { return os::ReadFile(h, buffer, 5, &got); }, ERROR_ACCESS_DENIED,
                "write-only");
  // The handle shares nothing: a second opening is refused, as is deletion.
  EXPECT_EQ(os::CreateFileW(u"C:\\io.bin", GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING, 0),
            INVALID_HANDLE_VALUE);
  EXPECT_EQ(os::GetLastError(), static_cast<os::DWORD>(ERROR_SHARING_VIOLATION));
  ExpectFailure([] { return os::DeleteFileW(u"C:\\io.bin"); }, ERROR_SHARING_VIOLATION,
                "open file");
  EXPECT_TRUE(os::CloseHandle(h));

  h = os::CreateFileW(u"C:\\IO.BIN", GENERIC_READ, FILE_SHARE_READ, OPEN_ALWAYS, 0);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  EXPECT_EQ(os::GetLastError(), static_cast<os::DWORD>(ERROR_ALREADY_EXISTS));
  os::DWORD high = 7;
  EXPECT_EQ(os::GetFileSize(h, &high), 5u);
  EXPECT_EQ(high, 0u);
  EXPECT_TRUE(os::ReadFile(h, buffer, sizeof buffer, &got));
  EXPECT_EQ(std::string(buffer, got), "hello");
  EXPECT_TRUE(os::ReadFile(h, buffer, sizeof buffer, &got));
  EXPECT_EQ(got, 0u);  // end of file is success with nothing read
  EXPECT_TRUE(os::CloseHandle(h));
  ExpectFailure([&] { return os::CloseHandle(h); }, ERROR_INVALID_HANDLE, "closed twice");

  EXPECT_EQ(os::CreateFileW(u"C:\\io.bin", GENERIC_WRITE, 0, CREATE_NEW, 0), INVALID_HANDLE_VALUE);
  EXPECT_EQ(os::GetLastError(), static_cast<os::DWORD>(ERROR_FILE_EXISTS));
  EXPECT_EQ(os::CreateFileW(u"C:\\none.bin", GENERIC_READ, 0, OPEN_EXISTING, 0),
            INVALID_HANDLE_VALUE);
  EXPECT_EQ(os::GetLastError(), static_cast<os::DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(os::CreateFileW(u"C:\\No\\none.bin", GENERIC_READ, 0, OPEN_EXISTING, 0),
            INVALID_HANDLE_VALUE);
  EXPECT_EQ(os::GetLastError(), static_cast<os::DWORD>(ERROR_PATH_NOT_FOUND));

  h = os::CreateFileW(u"C:\\io.bin", GENERIC_WRITE, 0, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  EXPECT_EQ(os::GetLastError(), static_cast<os::DWORD>(ERROR_ALREADY_EXISTS));
  os::CloseHandle(h);
  EXPECT_EQ(fs::file_size(Host("C:\\io.bin")), 0u);  // replaced
}

}  // namespace
