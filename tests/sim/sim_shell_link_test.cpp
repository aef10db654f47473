#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <vector>

#include "platform/os_files.h"
#include "platform/os_shell_link.h"
#include "support/sim_fixture.h"

namespace fs = std::filesystem;

namespace {

class SimShellLinkTest : public SimMachineTest {
 protected:
  os::HRESULT Save(const std::u16string& target, const std::u16string& linkPath) {
    os::CoInitialize();
    os::ShellLink link = nullptr;
    os::HRESULT hr = os::CreateShellLink(&link);
    if (hr >= 0) hr = os::ShellLinkSetPath(link, target);
    if (hr >= 0) hr = os::ShellLinkSave(link, linkPath);
    if (link) os::ShellLinkRelease(link);
    os::CoUninitialize();
    return hr;
  }
  std::vector<std::uint8_t> Bytes(const std::string& winPath) {
    std::ifstream in(Host(winPath), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }
  // lnkinfo's report of a link file: an independent reader of the format.
  static std::string LnkInfo(const fs::path& file) {
    std::string out;
    const std::string command = "lnkinfo '" + file.string() + "' 2>&1";
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
    if (!pipe) return out;
    std::array<char, 512> buffer;
    while (fgets(buffer.data(), buffer.size(), pipe.get())) out += buffer.data();
    return out;
  }
};

TEST_F(SimShellLinkTest, SavedLinkIsAnMsShllinkFileThatLnkinfoReads) {
  fs::create_directories(Host("C:\\Program Files (x86)\\ZKT"));
  std::ofstream(Host("C:\\Program Files (x86)\\ZKT\\App.exe"), std::ios::binary) << "0123456789";
  const std::u16string target = u"C:\\Program Files (x86)\\ZKT\\App.exe";
  ASSERT_EQ(Save(target, u"C:\\Users\\User\\Desktop\\App.lnk"), S_OK);

  const auto bytes = Bytes("C:\\Users\\User\\Desktop\\App.lnk");
  ASSERT_GE(bytes.size(), 76u);
  EXPECT_EQ(bytes[0], 0x4C);
  EXPECT_EQ(bytes[4], 0x01);  // CLSID {00021401-...-46}
  EXPECT_EQ(bytes[19], 0x46);
  EXPECT_EQ(bytes[52], 10);  // target size
  EXPECT_EQ(bytes[60], 1);   // SW_SHOWNORMAL

  const std::string report = LnkInfo(Host("C:\\Users\\User\\Desktop\\App.lnk"));
  EXPECT_NE(report.find("Local path"), std::string::npos) << report;
  EXPECT_NE(report.find("C:\\Program Files (x86)\\ZKT\\App.exe"), std::string::npos) << report;

  std::u16string read;
  EXPECT_EQ(os::ReadShellLinkTarget(u"c:\\users\\user\\desktop\\app.LNK", &read), S_OK);
  EXPECT_EQ(read, target);
}

TEST_F(SimShellLinkTest, NonAsciiTargetsTravelInTheUnicodeLocalPath) {
  const std::u16string target = u"C:\\Musik\\\u00C4rger \u20AC\\\u8A2D\u5B9A.exe";
  ASSERT_EQ(Save(target, u"C:\\Users\\User\\Desktop\\U.lnk"), S_OK);
  std::u16string read;
  EXPECT_EQ(os::ReadShellLinkTarget(u"C:\\Users\\User\\Desktop\\U.lnk", &read), S_OK);
  EXPECT_EQ(read, target);
  const std::string report = LnkInfo(Host("C:\\Users\\User\\Desktop\\U.lnk"));
  EXPECT_NE(report.find(text::ToUtf8(target)), std::string::npos) << report;
}

TEST_F(SimShellLinkTest, SaveAndLoadFailuresAreHresultsOfTheWin32Errors) {
  EXPECT_EQ(Save(u"C:\\App.exe", u"C:\\Missing\\App.lnk"), static_cast<os::HRESULT>(0x80070003u));
  std::u16string read = u"unchanged";
  EXPECT_EQ(os::ReadShellLinkTarget(u"C:\\Users\\User\\Desktop\\none.lnk", &read),
            static_cast<os::HRESULT>(0x80070002u));

  os::ShellLink link = nullptr;
  EXPECT_EQ(os::CreateShellLink(&link), static_cast<os::HRESULT>(0x800401F0u));  // no CoInitialize
  EXPECT_EQ(link, nullptr);

  // Damaged link files are refused, never read past their end.
  ASSERT_EQ(Save(u"C:\\Program Files\\A.exe", u"C:\\Users\\User\\Desktop\\A.lnk"), S_OK);
  const auto good = Bytes("C:\\Users\\User\\Desktop\\A.lnk");
  for (std::size_t cut = 0; cut + 4 < good.size(); ++cut) {
    std::ofstream(Host("C:\\Users\\User\\Desktop\\B.lnk"), std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(good.data()), static_cast<std::streamsize>(cut));
    EXPECT_LT(os::ReadShellLinkTarget(u"C:\\Users\\User\\Desktop\\B.lnk", &read), 0) << cut;
  }
}

}  // namespace
