#include "platform/RegistryHelpers.h"

#include <gtest/gtest.h>

#include "platform/os_registry.h"
#include "support/reg_file.h"
#include "support/sim_fixture.h"

namespace {

class RegistryHelpersTest : public SimMachineTest {
 protected:
  std::string SavedKey(const std::string& path) {
    std::string error;
    EXPECT_TRUE(machine().Save(&error)) << error;
    return RegKeyBlock(ReadRegFile(folder_ / "registry.reg"), path);
  }
};

TEST_F(RegistryHelpersTest, DriverServiceKeyHoldsTheFourValuesAndItsClass) {
  ASSERT_EQ(RegisterDriverService(u"ZEVor"), 0);
  // "System32\DRIVERS\ZEVor.sys" as REG_EXPAND_SZ with its terminating zero.
  const std::string block =
      SavedKey("HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\ZEVor");
  EXPECT_NE(block.find("\"ErrorControl\"=dword:00000001"), std::string::npos) << block;
  EXPECT_NE(block.find("\"Start\"=dword:00000003"), std::string::npos) << block;
  EXPECT_NE(block.find("\"Type\"=dword:00000001"), std::string::npos) << block;
  EXPECT_NE(block.find("\"ImagePath\"=hex(2):53,00,79,00,73,00,74,00,65,00,6d,00,33,00,32,00"),
            std::string::npos)
      << block;

  os::HKEY key = nullptr;
  ASSERT_EQ(os::RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"SYSTEM\\CurrentControlSet\\Services\\ZEVor", 0,
                              KEY_READ, &key),
            ERROR_SUCCESS);
  std::u16string keyClass;
  os::DWORD values = 0;
  EXPECT_EQ(os::RegQueryInfoKeyW(key, &keyClass, nullptr, &values), ERROR_SUCCESS);
  EXPECT_EQ(keyClass, u"ZEVor");
  EXPECT_EQ(values, 4u);
  os::DWORD type = 0, size = 0;
  EXPECT_EQ(os::RegQueryValueExW(key, u"ImagePath", &type, nullptr, &size), ERROR_SUCCESS);
  EXPECT_EQ(type, REG_EXPAND_SZ);
  EXPECT_EQ(size, (std::u16string(u"System32\\DRIVERS\\ZEVor.sys").size() + 1) * 2);
  os::RegCloseKey(key);
}

TEST_F(RegistryHelpersTest, SecondRegistrationOverwritesTheValuesAndKeepsOthers) {
  os::HKEY key = nullptr;
  os::DWORD disposition = 0;
  ASSERT_EQ(os::RegCreateKeyExW(HKEY_LOCAL_MACHINE, u"SYSTEM\\CurrentControlSet\\Services\\ZEVor",
                                u"Old", 0, KEY_ALL_ACCESS, &key, &disposition),
            ERROR_SUCCESS);
  const os::DWORD start = 4;
  os::RegSetValueExW(key, u"Start", REG_DWORD, &start, 4);
  os::RegSetValueExW(key, u"Group", REG_SZ, u"x", 4);
  os::RegCloseKey(key);

  ASSERT_EQ(RegisterDriverService(u"ZEVor"), 0);
  ASSERT_EQ(RegisterDriverService(u"ZEVor"), 0);
  const std::string block =
      SavedKey("HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\ZEVor");
  EXPECT_NE(block.find("\"Start\"=dword:00000003"), std::string::npos) << block;
  EXPECT_NE(block.find("\"Group\"=\"x\""), std::string::npos) << block;
}

TEST_F(RegistryHelpersTest, KeysThatCannotBeCreatedReportOne) {
  machine().InjectFault({"RegCreateKeyExW", 0, -1, ERROR_ACCESS_DENIED, ""});
  EXPECT_EQ(RegisterDriverService(u"ZEVor"), 1);
  EXPECT_EQ(SetRunValue(u"ZKTAudio", u"C:\\x.exe -boot"), 1);
}

TEST_F(RegistryHelpersTest, RunValueOfThe32BitSetupLandsInThe32BitView) {
  ASSERT_EQ(SetRunValue(u"ZKTAudio", u"\"C:\\Program Files (x86)\\ZKT\\App.exe\" -boot"), 0);
  const std::string block = SavedKey(
      "HKEY_LOCAL_MACHINE\\SOFTWARE\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\Run");
  EXPECT_NE(
      block.find("\"ZKTAudio\"=\"\\\"C:\\\\Program Files (x86)\\\\ZKT\\\\App.exe\\\" -boot\""),
      std::string::npos)
      << block;
}

class RegistryHelpers32BitWindowsTest : public RegistryHelpersTest {
  std::string MachineIni() const override {
    return "[Windows]\nVersion=6.1\nServicePack=1\nArchitecture=x86\n";
  }
};

TEST_F(RegistryHelpers32BitWindowsTest, RunValueLandsInTheOnlyView) {
  ASSERT_EQ(SetRunValue(u"ZKTAudio", u"C:\\x.exe"), 0);
  const std::string block =
      SavedKey("HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run");
  EXPECT_NE(block.find("\"ZKTAudio\"=\"C:\\\\x.exe\""), std::string::npos) << block;
}

}  // namespace
