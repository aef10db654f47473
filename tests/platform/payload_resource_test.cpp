#include "platform/PayloadResource.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>

#include "platform/os_files.h"
#include "platform/sim/sim_resources.h"
#include "support/sim_fixture.h"

namespace fs = std::filesystem;

namespace {

class PayloadResourceTest : public SimMachineTest {
 protected:
  void SetUp() override {
    SimMachineTest::SetUp();
    bundled_ = sim::PayloadManifest();
    payloads_ = folder_ / "payloads";
    fs::create_directories(payloads_);
    std::ofstream(payloads_ / "driver.sys", std::ios::binary) << "DRIVER-BYTES";
    std::ofstream(payloads_ / "empty.exe", std::ios::binary);
    std::ofstream(payloads_ / "patch.msu", std::ios::binary) << std::string(70000, '\x5a');
    std::ofstream(payloads_ / "payloads.ini")
        << "; test payloads\nDRIVER 103 driver.sys\nAPP 107 empty.exe\n"
           "WINDOWPATCH 110 patch.msu\nSERVICE 106 missing.exe\n";
    std::string error;
    ASSERT_TRUE(sim::SetPayloadManifest(payloads_ / "payloads.ini", &error)) << error;
  }
  void TearDown() override {
    std::string error;
    sim::SetPayloadManifest(bundled_, &error);
    SimMachineTest::TearDown();
  }
  std::string HostFile(const std::string& winPath) {
    std::ifstream in(Host(winPath), std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  }
  fs::path bundled_, payloads_;
};

TEST_F(PayloadResourceTest, FindsPayloadsByTypeWithoutRegardToCase) {
  std::uint32_t size = 0;
  const void* data = LoadPayloadResource(110, u"WindowPatch", size);
  ASSERT_NE(data, nullptr);
  EXPECT_EQ(size, 70000u);
  EXPECT_EQ(static_cast<const char*>(data)[69999], '\x5a');

  size = 0;
  data = LoadPayloadResource(103, u"DRIVER", size);
  ASSERT_NE(data, nullptr);
  EXPECT_EQ(std::string(static_cast<const char*>(data), size), "DRIVER-BYTES");
}

TEST_F(PayloadResourceTest, MissingEmptyOrWronglyTypedPayloadsLeaveTheSizeAlone) {
  std::uint32_t size = 1234;
  EXPECT_EQ(LoadPayloadResource(107, u"APP", size), nullptr);      // empty file
  EXPECT_EQ(LoadPayloadResource(106, u"SERVICE", size), nullptr);  // file missing
  EXPECT_EQ(LoadPayloadResource(102, u"DRIVER", size), nullptr);   // no entry
  EXPECT_EQ(LoadPayloadResource(103, u"SERVICE", size), nullptr);  // ID under another type
  machine().InjectFault({"LoadResource", 0, 1, 0, ""});
  EXPECT_EQ(LoadPayloadResource(103, u"DRIVER", size), nullptr);
  EXPECT_EQ(size, 1234u);
}

TEST_F(PayloadResourceTest, WritesCreateOrTruncateTheTarget) {
  fs::create_directories(Host("C:\\Target"));
  std::uint32_t size = 0;
  const void* data = LoadPayloadResource(103, u"DRIVER", size);
  ASSERT_NE(data, nullptr);
  std::ofstream(Host("C:\\Target\\ZEVor.sys"), std::ios::binary) << std::string(5000, 'o');
  EXPECT_EQ(WritePayloadFile(u"C:\\Target\\ZEVor.sys", data, size), 0);
  EXPECT_EQ(HostFile("C:\\Target\\ZEVor.sys"), "DRIVER-BYTES");
}

// As the C runtime's "wb": another program that reads the target while sharing it for
// writing (a virus scanner, a viewer) does not stop the extraction.
TEST_F(PayloadResourceTest, TargetHeldOpenByAReaderThatSharesWritingIsReplaced) {
  fs::create_directories(Host("C:\\Target"));
  std::ofstream(Host("C:\\Target\\held.exe"), std::ios::binary) << "old";
  const os::HANDLE reader =
      os::CreateFileW(u"C:\\Target\\held.exe", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL);
  ASSERT_NE(reader, INVALID_HANDLE_VALUE);
  const char bytes[] = "new";
  EXPECT_EQ(WritePayloadFile(u"C:\\Target\\held.exe", bytes, 3), 0);
  os::CloseHandle(reader);
  EXPECT_EQ(HostFile("C:\\Target\\held.exe"), "new");
}

TEST_F(PayloadResourceTest, UnopenableTargetsGiveOneAndShortWritesTwo) {
  const char bytes[] = "abc";
  // The folder must already exist: extraction creates none.
  EXPECT_EQ(WritePayloadFile(u"C:\\NoSuchFolder\\x.exe", bytes, 3), 1);
  EXPECT_FALSE(fs::exists(Host("C:\\NoSuchFolder")));

  fs::create_directories(Host("C:\\Target"));
  std::ofstream(Host("C:\\Target\\ro.exe"), std::ios::binary) << "old";
  ASSERT_TRUE(os::SetFileAttributesW(u"C:\\Target\\ro.exe", FILE_ATTRIBUTE_READONLY));
  EXPECT_EQ(WritePayloadFile(u"C:\\Target\\ro.exe", bytes, 3), 1);
  EXPECT_EQ(HostFile("C:\\Target\\ro.exe"), "old");

  machine().InjectFault({"WriteFile", 0, 1, ERROR_WRITE_PROTECT, ""});
  EXPECT_EQ(WritePayloadFile(u"C:\\Target\\short.exe", bytes, 3), 2);
  EXPECT_TRUE(fs::exists(Host("C:\\Target\\short.exe")));  // the truncated file stays
}

TEST_F(PayloadResourceTest, BundledManifestNamesAllNinePayloads) {
  std::string error;
  ASSERT_TRUE(sim::SetPayloadManifest(bundled_, &error)) << error;
  const std::pair<const char16_t*, std::uint16_t> table[] = {
      {u"DRIVER", 102},      {u"DRIVER", 103}, {u"SERVICE", 105},
      {u"SERVICE", 106},     {u"APP", 107},    {u"UNINSTALL", 108},
      {u"WindowPatch", 110}, {u"APP", 111},    {u"APP", 112}};
  for (const auto& [type, id] : table) {
    std::uint32_t size = 0;
    EXPECT_NE(LoadPayloadResource(id, type, size), nullptr) << id;
    EXPECT_GT(size, 0u) << id;
  }
}

TEST(PayloadManifest, MalformedManifestIsRefusedWithItsLine) {
  const fs::path file = fs::temp_directory_path() / "zkt-bad-payloads.ini";
  std::ofstream(file) << "DRIVER 102 a.sys\nAPP notanumber b.exe\n";
  std::string error;
  EXPECT_FALSE(sim::SetPayloadManifest(file, &error));
  EXPECT_NE(error.find("line 2"), std::string::npos) << error;
  fs::remove(file);
}

}  // namespace
