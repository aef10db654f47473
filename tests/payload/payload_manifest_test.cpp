// cmake/payload_manifest.cmake: the Windows build's payload manifest from payload/payloads.ini.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace fs = std::filesystem;

namespace {

class PayloadManifestTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = fs::temp_directory_path() /
            ("zkt-manifest-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
             "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(root_);
    fs::create_directories(root_ / "payload" / "placeholders");
    fs::create_directories(root_ / "payload" / "vendor");
    fs::create_directories(root_ / "build" / "payload" / "bin");
    Write(root_ / "payload" / "payloads.ini",
          "; comment line\n"
          "DRIVER       102  placeholders/ZEVor-x86.sys\n"
          "\n"
          "SERVICE\t105\tplaceholders/AudioDeviceService-x86.exe\n"
          "WINDOWPATCH  110  placeholders/Windows6.1-KB3033929-x64.msu\n");
  }
  void TearDown() override { fs::remove_all(root_); }

  static void Write(const fs::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
  }
  static std::string Read(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }

  // Runs the generator; returns cmake's exit status.
  int Generate(const std::string& replacements) {
    const fs::path script = root_ / "generate.cmake";
    Write(script, "include(\"" ZKT_SOURCE_DIR
                  "/cmake/payload_manifest.cmake\")\n"
                  "zkt_write_payload_manifest(\"" +
                      (root_ / "payload" / "payloads.ini").string() + "\" \"" + Output().string() +
                      "\" \"" + (root_ / "payload" / "vendor").string() + "\" \"test note\" " +
                      replacements + ")\n");
    const std::string command = std::string("\"") + ZKT_CMAKE_COMMAND + "\" -P \"" +
                                script.string() + "\" >\"" + (root_ / "log").string() + "\" 2>&1";
    return std::system(command.c_str());
  }
  fs::path Output() const { return root_ / "build" / "payload" / "payloads.ini"; }

  fs::path root_;
};

}  // namespace

TEST_F(PayloadManifestTest, BuiltProgramsReplaceTheirSlotsOthersKeepPlaceholders) {
  const std::string service = (root_ / "build" / "payload" / "bin" / "Service.exe").string();
  ASSERT_EQ(0, Generate("\"SERVICE 105=" + service + "\"")) << Read(root_ / "log");
  const std::string manifest = Read(Output());
  // Entries stay TYPE ID FILE lines, relative to the generated manifest's folder.
  EXPECT_NE(std::string::npos, manifest.find("\nSERVICE 105 bin/Service.exe\n")) << manifest;
  EXPECT_NE(std::string::npos,
            manifest.find("\nDRIVER 102 ../../payload/placeholders/ZEVor-x86.sys\n"))
      << manifest;
  EXPECT_NE(std::string::npos, manifest.find("; test note\n"));
  EXPECT_EQ(std::string::npos, manifest.find("comment line"));
}

TEST_F(PayloadManifestTest, DeviceMakersFileTakesThePlaceholdersPlace) {
  Write(root_ / "payload" / "vendor" / "Windows6.1-KB3033929-x64.msu", "MSCF");
  ASSERT_EQ(0, Generate("")) << Read(root_ / "log");
  const std::string manifest = Read(Output());
  EXPECT_NE(std::string::npos,
            manifest.find("\nWINDOWPATCH 110 ../../payload/vendor/Windows6.1-KB3033929-x64.msu\n"))
      << manifest;
  // A built program wins over a vendor file of the same name.
  Write(root_ / "payload" / "vendor" / "AudioDeviceService-x86.exe", "MZ");
  ASSERT_EQ(
      0,
      Generate("\"SERVICE 105=" + (root_ / "build" / "payload" / "bin" / "S.exe").string() + "\""));
  EXPECT_NE(std::string::npos, Read(Output()).find("\nSERVICE 105 bin/S.exe\n"));
}

TEST_F(PayloadManifestTest, MalformedLineStopsTheBuildNamingIt) {
  Write(root_ / "payload" / "payloads.ini", "APP 107\n");
  EXPECT_NE(0, Generate(""));
  EXPECT_NE(std::string::npos, Read(root_ / "log").find("expected TYPE ID FILE, got 'APP 107'"));
  EXPECT_FALSE(fs::exists(Output()));
}
