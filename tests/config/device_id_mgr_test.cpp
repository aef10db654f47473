#include "config/DeviceIdMgr.h"

#include <gtest/gtest.h>

#include <cstring>

#include "config/Base64.h"
#include "config/DesDecrypt.h"
#include "config/config_files.h"
#include "platform/os_registry.h"
#include "support/reg_file.h"

namespace {

using DEVICEID_MGR::CDeviceIdMgr;

// Made with the entry password, a zero IV and PKCS#5 (openssl enc -des-cbc).
const char kAbc[] = "e6PiYsJ9yAo=";         // "abc"
const char kNoPadding[] = "voWe1wCBm6E=";   // "ABCDEFGH" encrypted without padding
const char kZeroInside[] = "9+uMCi4PV6o=";  // "ab\0cd"
const char kEmptyText[] = "85y2wVa/TYE=";   // ""
const char kOtherKey[] = "zcXOaQnW7tQ=";    // "abc" under the key "ab" padded with zeros
const char kLatin1[] = "kxYSw90+LNg=";      // the bytes "caf\xE9"
const char kUsbPattern[] =
    "USB\\VID_B7D2&PID_72XX&REV_0100&MI_00,BjKOrxXxh2EYR79hpPdhrgnzhnRhpe6aGOVk4ONh5qOKt9tLFo/"
    "aRg==";

int Decode(const std::string& text, std::size_t capacity, std::string* out = nullptr) {
  unsigned char buffer[2048];
  std::size_t size = capacity;
  const int result = Base64Decode(text.data(), text.size(), buffer, &size);
  if (out && result == 0) out->assign(reinterpret_cast<char*>(buffer), size);
  return result;
}

TEST(Base64DecodeTest, ResultCodes) {
  std::string out;
  EXPECT_EQ(Decode("YWJj", 1024, &out), 0);
  EXPECT_EQ(out, "abc");
  EXPECT_EQ(Decode("YWI=", 1024, &out), 0);
  EXPECT_EQ(out, "ab");
  EXPECT_EQ(Decode("YQ==", 1024, &out), 0);
  EXPECT_EQ(out, "a");
  EXPECT_EQ(Decode("", 1024), 1);
  EXPECT_EQ(Decode("YWJ", 1024), 1);
  EXPECT_EQ(Decode("YWJj", 3), 2);  // 3 bytes are not below a capacity of 3
  EXPECT_EQ(Decode("YWJj", 4), 0);
  EXPECT_EQ(Decode(std::string(1364, 'A'), 1024), 0);
  EXPECT_EQ(Decode(std::string(1368, 'A'), 1024), 2);
  EXPECT_EQ(Decode("YW!j", 1024), 3);
  EXPECT_EQ(Decode("YWJj\nYWJj", 1024), 1);
  EXPECT_EQ(Decode("YWJ\nYWJj", 1024), 3);
}

TEST(Base64DecodeTest, PaddingCountsOnlyInTheLastGroup) {
  std::string out;
  EXPECT_EQ(Decode("YQ==YWJj", 1024, &out), 0);
  EXPECT_EQ(out.size(), 6u);
  EXPECT_EQ(out.substr(3), "abc");
}

class DesDecryptTest : public ConfigFileTest {
 protected:
  int Decrypt(const std::string& base64, std::size_t capacity, std::string* plain = nullptr) {
    std::string cipher;
    EXPECT_EQ(Decode(base64, 1024, &cipher), 0);
    unsigned char out[64] = {};
    std::size_t size = capacity;
    const int result = DesDecrypt(reinterpret_cast<const unsigned char*>(cipher.data()),
                                  cipher.size(), out, &size, "Hn7Rk2PvIGNORED", 15);
    if (plain && result == 0) plain->assign(reinterpret_cast<char*>(out), size);
    return result;
  }
};

TEST_F(DesDecryptTest, ResultCodes) {
  std::string plain;
  EXPECT_EQ(Decrypt(kAbc, 64, &plain), 0);  // the password is cut to 8 bytes
  EXPECT_EQ(plain, "abc");
  EXPECT_EQ(Decrypt(kAbc, 7), 4);
  EXPECT_EQ(Decrypt(kAbc, 8), 0);
  EXPECT_EQ(Decrypt(kNoPadding, 64), 3);
  EXPECT_EQ(Decrypt(kOtherKey, 64, &plain) == 0 && plain == "abc", false);

  const unsigned char seven[7] = {};
  unsigned char out[16];
  std::size_t size = sizeof(out);
  EXPECT_EQ(DesDecrypt(seven, 7, out, &size, "Hn7Rk2Pv", 8), -1);

  InjectFault("CryptAcquireContextW");
  EXPECT_EQ(Decrypt(kAbc, 64), 1);
  InjectFault("CryptImportKey");
  EXPECT_EQ(Decrypt(kAbc, 64), 2);
  InjectFault("CryptDecrypt");
  EXPECT_EQ(Decrypt(kAbc, 64), 3);
}

TEST_F(DesDecryptTest, ShortPasswordIsPaddedWithZeros) {
  std::string cipher;
  ASSERT_EQ(Decode(kOtherKey, 1024, &cipher), 0);
  unsigned char out[16];
  std::size_t size = sizeof(out);
  ASSERT_EQ(DesDecrypt(reinterpret_cast<const unsigned char*>(cipher.data()), cipher.size(), out,
                       &size, "ab", 2),
            0);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(out), size), "abc");
}

TEST_F(DesDecryptTest, DecryptEntryCodesAndZeroFill) {
  unsigned char out[32];
  std::memset(out, 0xAA, sizeof(out));
  std::size_t size = sizeof(out);
  ASSERT_EQ(DecryptEntry(kAbc, std::strlen(kAbc), out, &size), 0);
  EXPECT_EQ(size, 3u);
  EXPECT_EQ(out[3], 0);  // the whole output was zeroed first
  EXPECT_EQ(out[31], 0);
  size = sizeof(out);
  EXPECT_EQ(DecryptEntry("e6PiYsJ9yAo", 11, out, &size), 1);
  size = sizeof(out);
  EXPECT_EQ(DecryptEntry(kNoPadding, std::strlen(kNoPadding), out, &size), 2);
}

class DeviceIdMgrTest : public ConfigFileTest {
 protected:
  std::int32_t Load(CDeviceIdMgr& mgr, const std::string& section, const std::string& file) {
    PutFile("C:\\Setup\\AudioConfig.cfg", file);
    return mgr.LoadGroup(u"C:\\Setup\\AudioConfig.cfg", text::FromUtf8(section));
  }
  std::string SavedKey(const std::string& group) {
    std::string error;
    EXPECT_TRUE(machine().Save(&error)) << error;
    return RegKeyBlock(ReadRegFile(folder_ / "registry.reg"),
                       "HKEY_LOCAL_MACHINE\\SOFTWARE\\WOW6432Node\\" + group);
  }
};

TEST_F(DeviceIdMgrTest, LoadGroupResultCodes) {
  CDeviceIdMgr mgr;
  EXPECT_EQ(mgr.LoadGroup(u"C:\\Setup\\missing.cfg", u"USB_VID_PID"), 1);
  EXPECT_EQ(Load(mgr, "USB_VID_PID", "[HID_VID_PID]\n1=a,b\n"), 2);
  EXPECT_EQ(Load(mgr, "USB_VID_PID", "[usb_vid_pid]\n1=abc," + std::string(kAbc) + "\n"), 2);
  EXPECT_EQ(Load(mgr, "USB_VID_PID", "[USB_VID_PID]\n[HID_VID_PID]\n"), 3);
  EXPECT_EQ(Load(mgr, "USB_VID_PID", "[USB_VID_PID]\nno equals sign\n"), 3);
  EXPECT_EQ(Load(mgr, "USB_VID_PID",
                 "[USB_VID_PID]\n1=abc," + std::string(kAbc) + "\n2= ,x\n3=abc," + kAbc + "\n"),
            4);
  EXPECT_EQ(mgr.m_VerifiedIds.size(), 1u);  // entries before the empty part stay verified
  EXPECT_EQ(Load(mgr, "USB_VID_PID", "[USB_VID_PID]\n1=abc,\n"), 4);
  EXPECT_EQ(Load(mgr, "USB_VID_PID", "[USB_VID_PID]\n1=abc," + std::string(kAbc) + "\n"), 0);
  EXPECT_EQ(mgr.m_VerifiedIds.size(), 1u);
  EXPECT_EQ(mgr.m_VerifiedIds.begin()->second, text::FromUtf8(kAbc));
}

TEST_F(DeviceIdMgrTest, EntriesThatFailVerificationAreSkipped) {
  CDeviceIdMgr mgr;
  const std::string abc = kAbc;
  ASSERT_EQ(Load(mgr, "USB_VID_PID",
                 "[USB_VID_PID]\n"
                 "a=ABC," +
                     abc +
                     "\n"  // decrypts to another case
                     "b=abc ,  " +
                     abc +
                     "  \n"                 // spaces around the comma are removed
                     "c=abc\n"              // no comma
                     "d=abc,e6PiYsJ9yAo\n"  // missing padding character
                     "e=abc," +
                     abc +
                     ",x\n"  // second comma stays in the Base64 part
                     "f=abd," +
                     abc +
                     "\n"  // mismatch
                     "g=ABCDEFGH," +
                     kNoPadding +
                     "\n"  // decryption fails
                     "h=ab," +
                     kZeroInside +
                     "\n"  // a zero byte ends the plaintext
                     "i=x," +
                     kEmptyText +
                     "\n"  // decrypts to nothing
                     "j=caf\xE9," +
                     kLatin1 +
                     "\n"  // Latin-1 bytes on both sides
                     "k=\tabc," +
                     abc + "\n"),  // tabs are not trimmed
            0);
  std::vector<std::u16string> verified;
  for (const auto& entry : mgr.m_VerifiedIds) verified.push_back(entry.first);
  EXPECT_EQ(verified, (std::vector<std::u16string>{u"ab", u"abc", u"caf\u00e9"}));
  EXPECT_EQ(mgr.m_EntryValues.size(), 11u);
}

TEST_F(DeviceIdMgrTest, DuplicateKeysContributeTheFirstValueTwice) {
  CDeviceIdMgr mgr;
  ASSERT_EQ(Load(mgr, "HID_VID_PID", "[HID_VID_PID]\n1=abc," + std::string(kAbc) + "\n1=zzz,zzz\n"),
            0);
  EXPECT_EQ(mgr.m_EntryValues, (std::vector<std::u16string>{u"abc," + text::FromUtf8(kAbc),
                                                            u"abc," + text::FromUtf8(kAbc)}));
  EXPECT_EQ(mgr.m_VerifiedIds.count(u"abc"), 2u);
}

TEST_F(DeviceIdMgrTest, SaveToRegistryPublishesInPlainTextOrder) {
  CDeviceIdMgr mgr;
  ASSERT_EQ(Load(mgr, "USB_VID_PID",
                 "[USB_VID_PID]\n1=beta,BeMFF0zgnqs=\n2=alpha,WG0GNPnf/UY=\n"
                 "3=gamma,oBd1/L2cY4M=\n4=gamma,oBd1/L2cY4M=\n"),
            0);
  ASSERT_EQ(mgr.SaveToRegistry(u"ZKT USB DeviceId Group"), 0);
  EXPECT_EQ(SavedKey("ZKT USB DeviceId Group"),
            "\"1\"=\"alpha,WG0GNPnf/UY=\"\n\"2\"=\"beta,BeMFF0zgnqs=\"\n"
            "\"3\"=\"gamma,oBd1/L2cY4M=\"\n\"4\"=\"gamma,oBd1/L2cY4M=\"\n");
}

TEST_F(DeviceIdMgrTest, SaveToRegistryRemovesNumberedValuesOfALongerEarlierList) {
  os::HKEY key = nullptr;
  ASSERT_EQ(os::RegCreateKeyExW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\ZKT HID DeviceId Group", u"", 0,
                                KEY_ALL_ACCESS, &key, nullptr),
            ERROR_SUCCESS);
  for (const char16_t* name : {u"1", u"2", u"3", u"12", u"07", u"Other"}) {
    const std::u16string data = u"old";
    ASSERT_EQ(os::RegSetValueExW(key, name, REG_SZ, data.c_str(), 8), ERROR_SUCCESS);
  }
  os::RegCloseKey(key);

  CDeviceIdMgr mgr;
  ASSERT_EQ(Load(mgr, "HID_VID_PID", "[HID_VID_PID]\n1=abc," + std::string(kAbc) + "\n"), 0);
  ASSERT_EQ(mgr.SaveToRegistry(u"ZKT HID DeviceId Group"), 0);
  EXPECT_EQ(SavedKey("ZKT HID DeviceId Group"),
            "\"1\"=\"abc,e6PiYsJ9yAo=\"\n\"07\"=\"old\"\n\"Other\"=\"old\"\n");
}

TEST_F(DeviceIdMgrTest, SaveToRegistryFailures) {
  CDeviceIdMgr mgr;
  ASSERT_EQ(Load(mgr, "USB_VID_PID", "[USB_VID_PID]\n1=abc," + std::string(kAbc) + "\n"), 0);
  InjectFault("RegCreateKeyExW");
  EXPECT_NE(mgr.SaveToRegistry(u"ZKT USB DeviceId Group"), 0);
  InjectFault("RegSetValueExW");
  EXPECT_NE(mgr.SaveToRegistry(u"ZKT USB DeviceId Group"), 0);
  EXPECT_EQ(mgr.SaveToRegistry(u"ZKT USB DeviceId Group"), 0);

  // Every entry skipped: the key is created and stays empty.
  CDeviceIdMgr none;
  ASSERT_EQ(Load(none, "USB_VID_PID", "[USB_VID_PID]\n1=abd," + std::string(kAbc) + "\n"), 0);
  EXPECT_EQ(none.SaveToRegistry(u"ZKT Empty Group"), 0);
  os::HKEY key = nullptr;
  ASSERT_EQ(os::RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\ZKT Empty Group", 0, KEY_READ, &key),
            ERROR_SUCCESS);
  os::DWORD values = 99;
  EXPECT_EQ(os::RegQueryInfoKeyW(key, nullptr, nullptr, &values), ERROR_SUCCESS);
  EXPECT_EQ(values, 0u);
  os::RegCloseKey(key);
}

TEST_F(DeviceIdMgrTest, MatchDeviceIdWithWildCharacters) {
  CDeviceIdMgr mgr;
  ASSERT_EQ(Load(mgr, "USB_VID_PID", "[USB_VID_PID]\n1=" + std::string(kUsbPattern) + "\n"), 0);
  EXPECT_TRUE(mgr.MatchDeviceId(u"USB\\VID_B7D2&PID_7201&REV_0100&MI_00"));
  EXPECT_TRUE(mgr.MatchDeviceId(u"usb\\vid_b7d2&pid_72ab&rev_0100&mi_00"));
  EXPECT_FALSE(mgr.MatchDeviceId(u"USB\\VID_B7D2&PID_7301&REV_0100&MI_00"));
  EXPECT_FALSE(mgr.MatchDeviceId(u"USB\\VID_B7D2&PID_7201&REV_0100&MI_0"));

  CDeviceIdMgr empty;
  EXPECT_FALSE(empty.MatchDeviceId(u"USB\\VID_B7D2&PID_7201&REV_0100&MI_00"));
}

TEST_F(DeviceIdMgrTest, LowerCaseEntriesNeverMatch) {
  CDeviceIdMgr mgr;
  mgr.m_VerifiedIds.emplace(u"usb\\vid_1", u"x");
  mgr.m_VerifiedIds.emplace(u"USB\\VID_x", u"x");  // a lower-case x is no wild character
  EXPECT_FALSE(mgr.MatchDeviceId(u"usb\\vid_1"));
  EXPECT_FALSE(mgr.MatchDeviceId(u"USB\\VID_1"));
}

TEST_F(DeviceIdMgrTest, SampleConfigurationVerifiesEveryEntry) {
  std::ifstream in(std::string(ZKT_SOURCE_DIR) + "/sample/AudioConfig.cfg", std::ios::binary);
  const std::string sample((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  ASSERT_FALSE(sample.empty());
  for (const char* group : {"USB_VID_PID", "HID_VID_PID"}) {
    CDeviceIdMgr mgr;
    ASSERT_EQ(Load(mgr, group, sample), 0) << group;
    EXPECT_EQ(mgr.m_VerifiedIds.size(), mgr.m_EntryValues.size()) << group;
  }
  CDeviceIdMgr usb;
  ASSERT_EQ(Load(usb, "USB_VID_PID", sample), 0);
  EXPECT_TRUE(usb.MatchDeviceId(u"USB\\VID_B7D2&PID_7245&REV_0100&MI_00"));
}

}  // namespace
