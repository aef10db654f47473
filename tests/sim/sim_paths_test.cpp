#include "platform/sim/sim_paths.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <thread>

#include "platform/os_files.h"
#include "support/sim_fixture.h"

namespace fs = std::filesystem;

namespace {

class SimPathsTest : public SimMachineTest {
 protected:
  sim::ResolvedPath Resolve(const std::u16string& path, unsigned flags = sim::kResolveDefault) {
    sim::ResolvedPath r;
    EXPECT_EQ(sim::ResolvePath(path, &r, flags), static_cast<os::DWORD>(ERROR_SUCCESS))
        << text::ToUtf8(path);
    return r;
  }
  os::DWORD ErrorOf(const std::u16string& path, unsigned flags = sim::kResolveDefault) {
    sim::ResolvedPath r;
    return sim::ResolvePath(path, &r, flags);
  }
  void Touch(const std::string& winPath) {
    fs::create_directories(Host(winPath).parent_path());
    std::ofstream(Host(winPath), std::ios::binary) << "x";
  }
  // A path of exactly `length` characters below C:\Deep (folders of up to 100 characters).
  static std::u16string PathOfLength(std::size_t length) {
    std::u16string path = u"C:\\Deep";
    while (path.size() < length) {
      const std::size_t room = length - path.size() - 1;
      path += u"\\" + std::u16string(std::min<std::size_t>(room, 100), u'd');
    }
    return path;
  }
};

TEST_F(SimPathsTest, NamesMatchWithoutRegardToCaseAndNewNamesKeepTheirCase) {
  Touch("C:\\Data\\MixedCase.txt");
  const auto found = Resolve(u"c:\\DATA\\mixedcase.TXT");
  EXPECT_TRUE(found.exists);
  EXPECT_EQ(found.host, Host("C:\\Data\\MixedCase.txt"));

  const auto fresh = Resolve(u"C:\\data\\NewFile.Txt");
  EXPECT_FALSE(fresh.exists);
  EXPECT_TRUE(fresh.parentExists);
  EXPECT_EQ(fresh.host, Host("C:\\Data\\NewFile.Txt"));
}

TEST_F(SimPathsTest, SeparatorsDotsAndTrailingCharactersFoldAsOnWindows) {
  Touch("C:\\Data\\File.txt");
  const struct {
    const char16_t* given;
    const char16_t* full;
  } cases[] = {
      {u"C:/Data/./Sub/../File.txt", u"C:\\Data\\File.txt"},
      {u"C:\\Data\\\\File.txt", u"C:\\Data\\File.txt"},
      {u"C:\\Data\\File.txt. . ", u"C:\\Data\\File.txt"},  // last name: dots and spaces go
      {u"C:\\Data.\\File.txt", u"C:\\Data\\File.txt"},     // a single trailing dot goes
      {u"C:\\Data..\\File.txt", u"C:\\Data..\\File.txt"},  // two dots stay
      {u"C:\\..\\..\\Data\\File.txt", u"C:\\Data\\File.txt"},
      {u"\\Data\\File.txt", u"C:\\Data\\File.txt"},
  };
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    const auto r = Resolve(cases[i].given);
    EXPECT_EQ(r.full, cases[i].full) << "case " << i;
  }
  EXPECT_TRUE(Resolve(u"C:\\Data\\File.txt. ").exists);
}

TEST_F(SimPathsTest, ForbiddenCharactersOtherDrivesAndNetworkPaths) {
  for (const char16_t* bad :
       {u"C:\\a<b", u"C:\\a>b", u"C:\\a\"b", u"C:\\a|b", u"C:\\a:b", u"C:\\a?b", u"C:\\a*b",
        u"C:\\a\x01"
        u"b"})
    EXPECT_EQ(ErrorOf(bad), static_cast<os::DWORD>(ERROR_INVALID_NAME)) << text::ToUtf8(bad);
  EXPECT_EQ(ErrorOf(u"C:\\Data\\*.txt", sim::kAllowWildcards),
            static_cast<os::DWORD>(ERROR_SUCCESS));
  EXPECT_EQ(ErrorOf(u"C:\\*\\x.txt", sim::kAllowWildcards),
            static_cast<os::DWORD>(ERROR_INVALID_NAME));
  EXPECT_EQ(ErrorOf(u"D:\\x"), static_cast<os::DWORD>(ERROR_PATH_NOT_FOUND));
  EXPECT_EQ(ErrorOf(u"\\\\server\\share\\x"), static_cast<os::DWORD>(ERROR_PATH_NOT_FOUND));
  EXPECT_EQ(ErrorOf(u""), static_cast<os::DWORD>(ERROR_PATH_NOT_FOUND));
}

TEST_F(SimPathsTest, LongPathsFailAsWithoutLongPathSupport) {
  fs::create_directories(Host("C:\\Deep"));
  // Files: 259 characters work, 260 do not.
  std::u16string folder = PathOfLength(200);
  ASSERT_EQ(folder.size(), 200u);
  for (std::size_t i = folder.find(u'\\', 3); i != std::u16string::npos;
       i = folder.find(u'\\', i + 1))
    os::CreateDirectoryW(folder.substr(0, i));
  ASSERT_TRUE(os::CreateDirectoryW(folder));
  const std::u16string file259 = folder + u"\\" + std::u16string(58, u'f');
  ASSERT_EQ(file259.size(), 259u);
  os::HANDLE h = os::CreateFileW(file259, GENERIC_WRITE, 0, CREATE_NEW, FILE_ATTRIBUTE_NORMAL);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  os::CloseHandle(h);
  const std::u16string file260 = file259 + u"g";
  EXPECT_EQ(os::CreateFileW(file260, GENERIC_WRITE, 0, CREATE_NEW, 0), INVALID_HANDLE_VALUE);
  EXPECT_EQ(os::GetLastError(), static_cast<os::DWORD>(ERROR_PATH_NOT_FOUND));
  EXPECT_EQ(os::GetFileAttributesW(file260), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(os::GetLastError(), static_cast<os::DWORD>(ERROR_PATH_NOT_FOUND));

  // Folders: 247 characters work, 248 leave no room for an 8.3 name and are refused.
  const std::u16string folder247 = folder + u"\\" + std::u16string(46, u'e');
  ASSERT_EQ(folder247.size(), 247u);
  EXPECT_TRUE(os::CreateDirectoryW(folder247));
  EXPECT_FALSE(os::CreateDirectoryW(folder + u"\\" + std::u16string(47, u'e')));
  EXPECT_EQ(os::GetLastError(), static_cast<os::DWORD>(ERROR_FILENAME_EXCED_RANGE));
  EXPECT_FALSE(os::CreateDirectoryW(PathOfLength(300)));
  EXPECT_EQ(os::GetLastError(), static_cast<os::DWORD>(ERROR_PATH_NOT_FOUND));

  // The verbatim prefix lifts the limit.
  EXPECT_EQ(ErrorOf(u"\\\\?\\" + PathOfLength(300)), static_cast<os::DWORD>(ERROR_SUCCESS));
}

TEST_F(SimPathsTest, System32RedirectionIsPerThreadAndOnlyFor32BitProgramsOn64BitWindows) {
  ASSERT_TRUE(machine().UnderWow64());  // default machine: x64, the 32-bit setup running
  EXPECT_EQ(Resolve(u"C:\\WINDOWS\\system32\\drivers\\x.sys").full,
            u"C:\\WINDOWS\\SysWOW64\\drivers\\x.sys");
  EXPECT_EQ(Resolve(u"C:\\Windows\\System32x\\a").full, u"C:\\Windows\\System32x\\a");
  EXPECT_EQ(Resolve(u"C:\\windows\\SYSNATIVE\\drivers\\x.sys").full,
            u"C:\\windows\\System32\\drivers\\x.sys");

  void* cookie = nullptr;
  ASSERT_TRUE(os::Wow64DisableWow64FsRedirection(&cookie));
  EXPECT_EQ(Resolve(u"C:\\Windows\\System32\\a").full, u"C:\\Windows\\System32\\a");
  std::u16string otherThread;
  std::thread([&] {
    sim::ResolvedPath r;
    sim::ResolvePath(u"C:\\Windows\\System32\\a", &r);
    otherThread = r.full;
  }).join();
  EXPECT_EQ(otherThread, u"C:\\Windows\\SysWOW64\\a");

  // The alias Sysnative exists only while redirection is on.
  EXPECT_EQ(ErrorOf(u"C:\\Windows\\Sysnative\\a"), static_cast<os::DWORD>(ERROR_SUCCESS));
  EXPECT_EQ(Resolve(u"C:\\Windows\\Sysnative\\a").full, u"C:\\Windows\\Sysnative\\a");

  // Nested switches: the inner cookie remembers "off", the outer one "on".
  void* inner = nullptr;
  ASSERT_TRUE(os::Wow64DisableWow64FsRedirection(&inner));
  ASSERT_TRUE(os::Wow64RevertWow64FsRedirection(inner));
  EXPECT_EQ(Resolve(u"C:\\Windows\\System32\\a").full, u"C:\\Windows\\System32\\a");
  ASSERT_TRUE(os::Wow64RevertWow64FsRedirection(cookie));
  EXPECT_EQ(Resolve(u"C:\\Windows\\System32\\a").full, u"C:\\Windows\\SysWOW64\\a");

  machine().SetProcessIs32Bit(false);
  EXPECT_EQ(Resolve(u"C:\\Windows\\System32\\a").full, u"C:\\Windows\\System32\\a");
}

TEST_F(SimPathsTest, WritesThroughSystem32LandInSysWow64) {
  os::HANDLE h = os::CreateFileW(u"C:\\Windows\\System32\\drivers\\ZEVor.sys", GENERIC_WRITE, 0,
                                 CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  os::CloseHandle(h);
  EXPECT_TRUE(fs::exists(Host("C:\\Windows\\SysWOW64\\drivers\\ZEVor.sys")));
  EXPECT_FALSE(fs::exists(Host("C:\\Windows\\System32\\drivers\\ZEVor.sys")));
}

class SimPaths32BitWindowsTest : public SimPathsTest {
 protected:
  std::string MachineIni() const override { return "[Windows]\nVersion=6.1\nArchitecture=x86\n"; }
};

TEST_F(SimPaths32BitWindowsTest, NothingIsRedirectedAndTheSwitchFails) {
  EXPECT_EQ(Resolve(u"C:\\Windows\\System32\\a").full, u"C:\\Windows\\System32\\a");
  void* cookie = reinterpret_cast<void*>(0x1234);
  os::SetLastError(0);
  EXPECT_FALSE(os::Wow64DisableWow64FsRedirection(&cookie));
  EXPECT_EQ(os::GetLastError(), static_cast<os::DWORD>(ERROR_INVALID_FUNCTION));
  EXPECT_EQ(cookie, reinterpret_cast<void*>(0x1234));
  EXPECT_FALSE(fs::exists(Host("C:\\Windows\\SysWOW64")));
}

}  // namespace
