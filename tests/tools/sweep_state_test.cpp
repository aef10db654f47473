// The fault sweep's judgement of what an uninstall left behind: which differences from the
// reference machine count as left, and which items only the installed configuration names.
#include <gtest/gtest.h>

#include "tools/zkt-fault-sweep/MachineState.h"
#include "tools/zkt-fault-sweep/Ownership.h"

namespace {

const char kFilters[] = "DEVICE [DEVICE:ZKT 72XX] LOWERFILTERS";
// REG_MULTI_SZ as the device state keeps it: "OtherFilter", "OTHERFILTER", "ZEVor","OtherFilter".
const char kOtherFilter[] =
    "7:4f,00,74,00,68,00,65,00,72,00,46,00,69,00,6c,00,74,00,65,00,72,00,00,00,00,00";
const char kOtherFilterUpper[] =
    "7:4f,00,54,00,48,00,45,00,52,00,46,00,49,00,4c,00,54,00,45,00,52,00,00,00,00,00";
const char kWithProductFilter[] =
    "7:5a,00,45,00,56,00,6f,00,72,00,00,00,4f,00,74,00,68,00,65,00,72,00,46,00,69,00,6c,00,74,00,"
    "65,00,72,00,00,00,00,00";

bool Never(const std::string&) { return false; }

TEST(SweepLeftoversTest, OnlyWhatTheReferenceLacksOrHoldsOtherwiseIsLeft) {
  MachineState reference, after;
  reference.entries = {{"FILE C:\\KEPT.TXT", "1"}, {"FILE C:\\NEVER WRITTEN.TXT", "2"}};
  after.entries = {{"FILE C:\\KEPT.TXT", "1"}, {"FILE C:\\STAYED.EXE", "3"}};
  EXPECT_EQ(Leftovers(reference, after, Never),
            std::vector<std::string>{"FILE C:\\STAYED.EXE (left)"});

  after.entries["FILE C:\\KEPT.TXT"] = "changed";
  EXPECT_EQ(Leftovers(reference, after, Never).size(), 2u);
  const auto skipExe = [](const std::string& name) { return name == "FILE C:\\STAYED.EXE"; };
  EXPECT_EQ(Leftovers(reference, after, skipExe),
            std::vector<std::string>{"FILE C:\\KEPT.TXT (1 -> changed)"});
}

TEST(SweepLeftoversTest, AFilterListComparesAsWindowsComparesServiceNames) {
  EXPECT_TRUE(SameToWindows(kFilters, kOtherFilterUpper, kOtherFilter));
  EXPECT_FALSE(SameToWindows(kFilters, kOtherFilterUpper, kWithProductFilter));
  // Any other value, and a filter list that is not a multi-string, byte for byte.
  EXPECT_FALSE(
      SameToWindows("REG HKEY_LOCAL_MACHINE\\X :: \"A\"", kOtherFilterUpper, kOtherFilter));
  EXPECT_FALSE(SameToWindows(kFilters, "1:4f,00", "1:6f,00"));
  EXPECT_FALSE(SameToWindows(kFilters, "7:zz,00", "7:ZZ,00"));

  MachineState reference, after;
  reference.entries = {{kFilters, kOtherFilterUpper}};
  after.entries = {{kFilters, kOtherFilter}};
  EXPECT_TRUE(Leftovers(reference, after, Never).empty());
  after.entries = {{kFilters, kWithProductFilter}};
  EXPECT_EQ(Leftovers(reference, after, Never).size(), 1u);
}

TEST(SweepOwnershipTest, OnlyTheConfigurationNamesTheProgramFilesShortcutsAndAutostart) {
  sim::MachineIni config;
  config.Set("Install", "InstallFolderName", "ZKT 72xx Audio");
  config.Set("Install", "ShortcutFolderName", "ZKT 72xx Audio");
  config.Set("Install", "ShortcutFolderNameUp", "ZKT");
  config.Set("Install", "APPFileName", "ZKTAudioControl");
  config.Set("Install", "AppShortcutName", "ZKT Audio Control");
  const OwnedSet owned(config, true, "User", {"ZKT 72xx"});

  EXPECT_EQ(owned.InstalledConfiguration(),
            "FILE C:\\PROGRAM FILES (X86)\\ZKT 72XX AUDIO\\AUDIOCONFIG.CFG");
  const char* const named[] = {
      "DIR C:\\PROGRAM FILES (X86)\\ZKT 72XX AUDIO",
      "FILE C:\\PROGRAM FILES (X86)\\ZKT 72XX AUDIO\\ZKTAUDIOCONTROL.EXE",
      "DIR C:\\PROGRAMDATA\\MICROSOFT\\WINDOWS\\START MENU\\PROGRAMS\\ZKT\\ZKT 72XX AUDIO",
      "FILE C:\\PROGRAMDATA\\MICROSOFT\\WINDOWS\\START MENU\\PROGRAMS\\ZKT 72XX AUDIO\\MANUAL.LNK",
      "FILE C:\\USERS\\USER\\DESKTOP\\ZKT AUDIO CONTROL.LNK",
      "REG HKEY_LOCAL_MACHINE\\SOFTWARE\\WOW6432NODE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\RUN :: "
      "\"ZKTAUDIOCONTROL\"",
  };
  for (const char* entry : named) {
    EXPECT_TRUE(owned.NamedByConfiguration(entry)) << entry;
    EXPECT_TRUE(owned.Owns(entry)) << entry;
  }
  // Owned, but found without a name from the configuration.
  const char* const unnamed[] = {
      "REG HKEY_LOCAL_MACHINE\\SYSTEM\\CURRENTCONTROLSET\\SERVICES\\ZEVOR",
      "FILE C:\\WINDOWS\\SYSTEM32\\DRIVERS\\ZEVOR.SYS",
      "REG HKEY_LOCAL_MACHINE\\SOFTWARE\\WOW6432NODE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\"
      "UNINSTALL\\ZKT72XXAUDIOEXT",
      "FILE C:\\USERS\\USER\\APPDATA\\ROAMING\\ZKT 72XX AUDIO\\AUDIOCONFIG.CFG",
  };
  for (const char* entry : unnamed) {
    EXPECT_FALSE(owned.NamedByConfiguration(entry)) << entry;
    EXPECT_TRUE(owned.Owns(entry)) << entry;
  }
  // Another program's autostart value and a folder whose name only begins like the install folder.
  EXPECT_FALSE(owned.NamedByConfiguration(
      "REG HKEY_LOCAL_MACHINE\\SOFTWARE\\WOW6432NODE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\RUN :: "
      "\"OTHERTRAY\""));
  EXPECT_FALSE(owned.NamedByConfiguration("DIR C:\\PROGRAM FILES (X86)\\ZKT 72XX AUDIO 2"));
}

}  // namespace
