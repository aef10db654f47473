// Runs the built zkt-deviceid command and cross-checks its encryption with openssl.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

struct ToolRun {
  int exitCode = -1;
  std::string out;
};

ToolRun Execute(const std::string& command) {
  ToolRun run;
  FILE* pipe = popen((command + " 2>/dev/null").c_str(), "r");
  if (!pipe) return run;
  std::array<char, 4096> buffer;
  std::size_t n;
  while ((n = fread(buffer.data(), 1, buffer.size(), pipe)) > 0) run.out.append(buffer.data(), n);
  const int status = pclose(pipe);
  run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

std::string Quote(const std::string& s) {
  std::string out = "'";
  for (char c : s) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

const std::string kTool = ZKT_DEVICEID_TOOL;

std::string WriteTemp(const std::string& name, const std::string& text) {
  const auto path = std::filesystem::temp_directory_path() / ("zkt-deviceid-test-" + name);
  std::ofstream(path, std::ios::binary) << text;
  return path.string();
}

TEST(ZktDeviceIdTest, EncryptMatchesOpenssl) {
  if (Execute("openssl version").exitCode != 0) GTEST_SKIP() << "openssl is not installed";
  for (const std::string id :
       {"USB\\VID_B7D2&PID_72XX&REV_0100&MI_00", "abc", "12345678", "HID\\VID_B7D2&PID_72XX"}) {
    const ToolRun tool = Execute(kTool + " encrypt " + Quote(id));
    ASSERT_EQ(tool.exitCode, 0) << id;
    const ToolRun ssl = Execute("printf '%s' " + Quote(id) +
                                " | openssl enc -des-cbc -K 486e37526b325076 -iv 0000000000000000"
                                " -provider legacy -provider default -base64 -A");
    ASSERT_EQ(ssl.exitCode, 0);
    EXPECT_EQ(tool.out, id + "," + ssl.out + "\n");
  }
}

TEST(ZktDeviceIdTest, UsageAndUnusableIds) {
  EXPECT_EQ(Execute(kTool).exitCode, 2);
  EXPECT_EQ(Execute(kTool + " encrypt").exitCode, 2);
  EXPECT_EQ(Execute(kTool + " frobnicate x").exitCode, 2);
  EXPECT_EQ(Execute(kTool + " encrypt 'a,b'").exitCode, 2);
  EXPECT_EQ(Execute(kTool + " encrypt ' a'").exitCode, 2);
  EXPECT_EQ(Execute(kTool + " check /no/such/file.cfg").exitCode, 2);
}

TEST(ZktDeviceIdTest, CheckReportsEveryEntryOfTheSample) {
  const ToolRun run =
      Execute(kTool + " check " + Quote(std::string(ZKT_SOURCE_DIR) + "/sample/AudioConfig.cfg"));
  EXPECT_EQ(run.exitCode, 0) << run.out;
  EXPECT_EQ(run.out.find("skipped"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("verified USB\\VID_B7D2&PID_72XX&REV_0100&MI_00"), std::string::npos);
  EXPECT_NE(run.out.find("wizard: continues"), std::string::npos) << run.out;
}

TEST(ZktDeviceIdTest, CheckGivesReasonsAndTheWizardsEnd) {
  const std::string abc = Execute(kTool + " encrypt abc").out;  // "abc,<base64>\n"
  const std::string base64 = abc.substr(4, abc.size() - 5);
  const std::string file = WriteTemp(
      "reasons.cfg", "[USB_VID_PID]\n1=" + abc.substr(0, abc.size() - 1) +
                         "\n2=nocomma\n3=abc,@@@@\n4=abd," + base64 + "\n5=x,voWe1wCBm6E=\n");
  const ToolRun run = Execute(kTool + " check " + Quote(file));
  EXPECT_EQ(run.exitCode, 1) << run.out;
  EXPECT_NE(run.out.find("1: verified abc"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("2: skipped (no comma)"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("3: skipped (bad Base64)"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("4: skipped (mismatch)"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("5: skipped (decryption failed)"), std::string::npos) << run.out;
  EXPECT_NE(
      run.out.find("wizard: ends silently (HID_VID_PID: LoadGroup 2, the section is missing)"),
      std::string::npos)
      << run.out;
  std::filesystem::remove(file);
}

// The setup decodes at most 1023 bytes of Base64 text per entry: an ID that needs more is
// refused here instead of being written into a file whose entry the setup would skip.
TEST(ZktDeviceIdTest, EncryptRefusesIdsTooLongForTheSetup) {
  const ToolRun fits = Execute(kTool + " encrypt " + std::string(700, 'A'));
  EXPECT_EQ(fits.exitCode, 0);
  const ToolRun tooLong = Execute(kTool + " encrypt short " + std::string(1100, 'A'));
  EXPECT_EQ(tooLong.exitCode, 2);
  EXPECT_EQ(tooLong.out, "");  // nothing half-written, not even the short one
}

// A check leaves neither its scratch machine nor any default machine folder behind.
TEST(ZktDeviceIdTest, CheckLeavesNothingInTheTemporaryFolder) {
  const auto tmp = std::filesystem::temp_directory_path() / "zkt-deviceid-test-tmpdir";
  std::filesystem::remove_all(tmp);
  std::filesystem::create_directories(tmp);
  const ToolRun run = Execute("TMPDIR=" + Quote(tmp.string()) + " " + kTool + " check " +
                              Quote(std::string(ZKT_SOURCE_DIR) + "/sample/AudioConfig.cfg"));
  EXPECT_EQ(run.exitCode, 0) << run.out;
  EXPECT_TRUE(std::filesystem::is_empty(tmp));
  for (const auto& entry : std::filesystem::directory_iterator(tmp))
    ADD_FAILURE() << "left behind: " << entry.path();
  std::filesystem::remove_all(tmp);
}

// One invalid UTF-8 sequence is named with its line and byte offset, not as "cannot be read".
TEST(ZktDeviceIdTest, CheckNamesWhereTheTextIsNotUtf8) {
  const std::string file =
      WriteTemp("utf8.cfg", "\xEF\xBB\xBF[USB_VID_PID]\n1=abc,x\nName=caf\xC3(\n");
  const ToolRun run = Execute(kTool + " check " + Quote(file));
  EXPECT_EQ(run.exitCode, 1) << run.out;
  EXPECT_NE(run.out.find("not valid UTF-8: line 3, byte offset 33: byte 0x28 at offset 34 does "
                         "not continue the UTF-8 sequence"),
            std::string::npos)
      << run.out;
  EXPECT_EQ(run.out.find("cannot be read"), std::string::npos) << run.out;
  std::filesystem::remove(file);
}

}  // namespace
