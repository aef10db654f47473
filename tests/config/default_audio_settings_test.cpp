#include "config/DefaultAudioSettings.h"

#include <gtest/gtest.h>

#include "config/config_files.h"
#include "support/reg_file.h"

namespace {

class DefaultAudioSettingsTest : public ConfigFileTest {
 protected:
  void Run(const std::string& config) {
    PutFile("C:\\Setup\\AudioConfig.cfg", config);
    EXPECT_EQ(WriteDefaultAudioSettings(u"C:\\Setup\\AudioConfig.cfg"), 0);
  }
  std::string SavedKey(const std::string& subKey) {
    std::string error;
    EXPECT_TRUE(machine().Save(&error)) << error;
    return RegKeyBlock(ReadRegFile(folder_ / "registry.reg"),
                       "HKEY_LOCAL_MACHINE\\SOFTWARE\\WOW6432Node\\ZKT 72xx Software" + subKey);
  }
};

TEST_F(DefaultAudioSettingsTest, LevelTable) {
  Run("[EncValueMap]\n"
      "1=Low,12\n"
      "2=NoComma\n"
      "3=Trailing,\n"
      "4=,7\n"
      "5=Three,5,9\n"
      "6=Negative,-1\n"
      "19=Last, 19x\n"
      "20=Ignored,20\n"
      "0=Ignored,0\n");
  EXPECT_EQ(SavedKey("\\EncValueMap"),
            "\"Low\"=dword:0000000c\n"
            "\"Trailing\"=dword:00000000\n"
            "@=dword:00000007\n"
            "\"Three\"=dword:00000005\n"
            "\"Negative\"=dword:ffffffff\n"
            "\"Last\"=dword:00000013\n");
}

TEST_F(DefaultAudioSettingsTest, DefaultSetValues) {
  Run("[DefaultSet]\n"
      "EncEnable=7,9\n"
      "VoiceMagicEnable=abc\n"
      "VoiceMagicLevel=\n"
      "V7ch1Scalar=100\n"
      "EncGpio= 3\n");
  EXPECT_EQ(SavedKey(""),
            "\"EncEnable\"=dword:00000007\n"
            "\"VoiceMagicEnable\"=dword:00000000\n"
            "\"Virtual7ch1Scalar\"=dword:00000064\n"
            "\"EncGpio\"=dword:00000003\n");
}

TEST_F(DefaultAudioSettingsTest, MissingSectionsWriteOnlyEncEnableZero) {
  Run("[Install]\nInstallFolderName=x\n");
  EXPECT_EQ(SavedKey(""), "\"EncEnable\"=dword:00000000\n");
}

TEST_F(DefaultAudioSettingsTest, FailedWritesAreTracedAndTheNextValueTried) {
  sim::FaultRule rule;
  rule.call = "RegSetValueExW";
  rule.count = 2;
  rule.error = ERROR_ACCESS_DENIED;
  machine().InjectFault(rule);
  Run("[EncValueMap]\n1=Low,1\n[DefaultSet]\nEncEnable=1\nEncGpio=2\n");
  EXPECT_EQ(DebugText(),
            "***** Save level to registry FAIL! *****"
            "***** Save REG_ENC_ENABLE to registry FAIL!, 5 *****");
  EXPECT_EQ(SavedKey(""), "\"EncGpio\"=dword:00000002\n");
}

}  // namespace
