// The payload programs read HKLM\SOFTWARE where the 32-bit setup wrote it: the setup's own
// writers run as a 32-bit program on the simulated machine, then the x64 service's and the x86
// programs' reads open the keys with the payloads' view flag.
#include "payload/common/RegistryView.h"

#include <gtest/gtest.h>

#include <cstring>

#include "config/DefaultAudioSettings.h"
#include "config/RegValueWriters.h"
#include "config/config_files.h"
#include "payload/common/ProductNames.h"
#include "platform/os_registry.h"

namespace {

class PayloadRegistryViewTest : public ConfigFileTest {
 protected:
  // What the 32-bit setup records for the service: default settings and one launch mode.
  void SetupWrites() {
    machine().SetProcessIs32Bit(true);
    PutFile("C:\\Setup\\AudioConfig.cfg", "[DefaultSet]\nEncEnable=1\nEncGpio=3\n");
    ASSERT_EQ(WriteDefaultAudioSettings(u"C:\\Setup\\AudioConfig.cfg"), 0);
    ASSERT_EQ(SetRegString(u"ZKT 72xx Software", u"UserPrivilegeExecution_C0",
                           u"\"C:\\Program Files (x86)\\ZKT\\a.exe\" -servicestart"),
              0);
  }
  // A payload program's read of one DWORD with the given extra access bits.
  os::LONG ReadDword(os::REGSAM view, const char16_t* name, os::DWORD* value) {
    os::HKEY key = nullptr;
    const os::LONG opened = os::RegOpenKeyExW(HKEY_LOCAL_MACHINE, payload::kProductKey, 0,
                                              KEY_QUERY_VALUE | view, &key);
    if (opened != ERROR_SUCCESS) return opened;
    os::DWORD type = 0, size = sizeof *value;
    const os::LONG read = os::RegQueryValueExW(key, name, &type, value, &size);
    os::RegCloseKey(key);
    return read;
  }
};

TEST_F(PayloadRegistryViewTest, FlagsAreWindowsValues) {
  EXPECT_EQ(payload::kKeyWow64_32Key, static_cast<unsigned long>(KEY_WOW64_32KEY));
  EXPECT_EQ(payload::kKeyWow64_64Key, static_cast<unsigned long>(KEY_WOW64_64KEY));
  // The product's setup is 32-bit; only the wine test build says otherwise.
  EXPECT_EQ(payload::kSetupRegistryView, payload::kKeyWow64_32Key);
}

TEST_F(PayloadRegistryViewTest, X64ServiceReadsWhatThe32BitSetupWrote) {
  SetupWrites();
  machine().SetProcessIs32Bit(false);  // the x64 service
  os::DWORD value = 0;
  ASSERT_EQ(ReadDword(payload::kSetupRegistryView, u"EncGpio", &value), ERROR_SUCCESS);
  EXPECT_EQ(value, 3u);
  // Without the flag the 64-bit program looks in the native view, where nothing was written.
  EXPECT_EQ(ReadDword(0, u"EncGpio", &value), ERROR_FILE_NOT_FOUND);

  // The launch mode is found in the same view.
  os::HKEY key = nullptr;
  ASSERT_EQ(os::RegOpenKeyExW(HKEY_LOCAL_MACHINE, payload::kProductKey, 0,
                              KEY_READ | payload::kSetupRegistryView, &key),
            ERROR_SUCCESS);
  os::DWORD type = 0, size = 0;
  EXPECT_EQ(os::RegQueryValueExW(key, u"UserPrivilegeExecution_C0", &type, nullptr, &size),
            ERROR_SUCCESS);
  EXPECT_EQ(type, static_cast<os::DWORD>(REG_SZ));
  os::RegCloseKey(key);
}

TEST_F(PayloadRegistryViewTest, X86ProgramsAndThirtyTwoBitWindowsReadTheSameKeys) {
  SetupWrites();
  os::DWORD value = 0;
  // The x86 uninstaller and applications on 64-bit Windows.
  ASSERT_EQ(ReadDword(payload::kSetupRegistryView, u"EncEnable", &value), ERROR_SUCCESS);
  EXPECT_EQ(value, 1u);

  // On 32-bit Windows there is one view and the flag is ignored.
  OpenMachine("[Windows]\nArchitecture=x86\n");
  SetupWrites();
  ASSERT_EQ(ReadDword(payload::kSetupRegistryView, u"EncGpio", &value), ERROR_SUCCESS);
  EXPECT_EQ(value, 3u);
}

}  // namespace
