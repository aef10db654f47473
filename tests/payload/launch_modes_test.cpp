#include "payload/common/LaunchModes.h"

#include <gtest/gtest.h>

using namespace payload;

TEST(LaunchModes, FifteenNamesInTheSetupsOrder) {
  const std::vector<LaunchModeName> names = LaunchModeNames();
  ASSERT_EQ(15u, names.size());
  EXPECT_EQ(u"UserPrivilegeExecution_C0", names[0].name);
  EXPECT_EQ(u"SystemPrivilegeExecutionOnBoot_C3", names[3].name);
  EXPECT_TRUE(names[3].onBoot);
  EXPECT_EQ(u"AdminPrivilegeExecutionOnBoot_B4", names[9].name);
  EXPECT_EQ(u'B', names[9].group);
  EXPECT_EQ(u"SystemPrivilegeExecution_D2", names[12].name);
  EXPECT_FALSE(names[12].onBoot);
  EXPECT_EQ(u"AdminPrivilegeExecutionOnBoot_D4", names[14].name);
}

TEST(LaunchModes, QuotedPathWithSpacesAndItsSwitch) {
  const LaunchLine line = ParseLaunchLine(
      u"\"C:\\Program Files (x86)\\ZKT 72xx Audio\\ZKTAudioControl.exe\" -servicestart");
  ASSERT_TRUE(line.ok) << std::string(line.problem.begin(), line.problem.end());
  EXPECT_EQ(u"C:\\Program Files (x86)\\ZKT 72xx Audio\\ZKTAudioControl.exe", line.path);
  EXPECT_EQ(u"-servicestart", line.argument);
}

TEST(LaunchModes, MalformedLinesAreRefusedWithAReason) {
  const struct {
    const char16_t* line;
  } cases[] = {{u""},
               {u"C:\\a.exe -servicestart"},
               {u"\"C:\\a.exe -servicestart"},
               {u"\"\" -servicestart"},
               {u"\"C:\\a.exe\"-servicestart"}};
  for (std::size_t i = 0; i < sizeof cases / sizeof cases[0]; ++i) {
    const LaunchLine line = ParseLaunchLine(cases[i].line);
    EXPECT_FALSE(line.ok) << "case " << i;
    EXPECT_FALSE(line.problem.empty()) << "case " << i;
  }
}

TEST(LaunchModes, BootValuesNeedTheBootSwitch) {
  const std::vector<LaunchModeName> names = LaunchModeNames();
  EXPECT_TRUE(CheckLaunchValue(names[3], u"\"C:\\a.exe\" -serviceboot").ok);
  EXPECT_FALSE(CheckLaunchValue(names[3], u"\"C:\\a.exe\" -servicestart").ok);
  EXPECT_TRUE(CheckLaunchValue(names[0], u"\"C:\\a.exe\" -servicestart").ok);
  EXPECT_FALSE(CheckLaunchValue(names[0], u"\"C:\\a.exe\"").ok);
}

TEST(LaunchModes, TheLineTheSetupRecordsIsTheOneTheServiceAccepts) {
  const std::u16string app = u"C:\\Program Files (x86)\\ZKT 72xx Audio\\Plugins\\Effect.exe";
  for (const LaunchModeName& name : LaunchModeNames()) {
    const std::u16string line = MakeLaunchLine(name, app);
    const LaunchLine checked = CheckLaunchValue(name, line);
    EXPECT_TRUE(checked.ok) << std::string(name.name.begin(), name.name.end());
    EXPECT_EQ(app, checked.path);
    EXPECT_EQ(name.onBoot ? u"-serviceboot" : u"-servicestart", checked.argument);
  }
}
