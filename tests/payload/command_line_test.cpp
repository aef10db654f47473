#include "payload/common/CommandLine.h"

#include <gtest/gtest.h>

using namespace payload;

TEST(ServiceArguments, RegistrationSwitchInAnySpellingWindowsAccepts) {
  for (const char16_t* arg : {u"/Service", u"/service", u"-SERVICE"})
    EXPECT_EQ(ServiceMode::Register, ParseServiceArguments({arg}).mode);
  EXPECT_EQ(ServiceMode::RunAsService, ParseServiceArguments({}).mode);
  EXPECT_EQ(ServiceMode::Help, ParseServiceArguments({u"/?"}).mode);
}

TEST(ServiceArguments, AnythingElseIsRefusedNamingTheArgument) {
  // Not a prefix match, no extra arguments: a mistyped call must not register anything.
  const ServiceCommand partial = ParseServiceArguments({u"/Serv"});
  EXPECT_EQ(ServiceMode::BadArguments, partial.mode);
  EXPECT_EQ(u"/Serv", partial.error);
  const ServiceCommand extra = ParseServiceArguments({u"/Service", u"now"});
  EXPECT_EQ(ServiceMode::BadArguments, extra.mode);
  EXPECT_EQ(u"now", extra.error);
  const ServiceCommand twice = ParseServiceArguments({u"/Service", u"/Service"});
  EXPECT_EQ(ServiceMode::BadArguments, twice.mode);
  EXPECT_EQ(u"/Service", twice.error);
  // The path alone (an unquoted path split at a space) is not the switch either.
  EXPECT_EQ(ServiceMode::BadArguments, ParseServiceArguments({u"Service"}).mode);
}

TEST(AppArguments, EachSwitchGivesItsReason) {
  EXPECT_EQ(LaunchReason::Boot, ParseAppArguments({u"-boot"}).reason);
  EXPECT_EQ(LaunchReason::ServiceStart, ParseAppArguments({u"-servicestart"}).reason);
  EXPECT_EQ(LaunchReason::ServiceBoot, ParseAppArguments({u"-ServiceBoot"}).reason);
  EXPECT_EQ(LaunchReason::User, ParseAppArguments({}).reason);
  EXPECT_TRUE(StartsMinimised(LaunchReason::Boot));
  EXPECT_TRUE(StartsMinimised(LaunchReason::ServiceBoot));
  EXPECT_FALSE(StartsMinimised(LaunchReason::ServiceStart));
  EXPECT_FALSE(StartsMinimised(LaunchReason::User));
}

TEST(AppArguments, OwnPathFromFinishIsIgnoredNotAnError) {
  // The setup's Finish button passes the application's own path as its parameter.
  const AppCommand command =
      ParseAppArguments({u"C:\\Program Files\\ZKT 72xx Audio\\ZKTAudioControl.exe"});
  EXPECT_EQ(LaunchReason::User, command.reason);
  ASSERT_EQ(1u, command.ignored.size());
  EXPECT_EQ(u"C:\\Program Files\\ZKT 72xx Audio\\ZKTAudioControl.exe", command.ignored[0]);
}

TEST(AppArguments, FirstSwitchDecidesLaterOnesAreListed) {
  const AppCommand command = ParseAppArguments({u"-serviceboot", u"-boot", u"-bootx"});
  EXPECT_EQ(LaunchReason::ServiceBoot, command.reason);
  EXPECT_EQ((std::vector<std::u16string>{u"-boot", u"-bootx"}), command.ignored);
}

TEST(UninstallArguments, UserDataAnswersAndRefusals) {
  EXPECT_TRUE(ParseUninstallArguments({}).ok);
  EXPECT_FALSE(ParseUninstallArguments({}).removeUserData);
  EXPECT_TRUE(ParseUninstallArguments({u"/RemoveUserData"}).removeUserData);
  EXPECT_TRUE(ParseUninstallArguments({u"-keepuserdata"}).keepUserData);
  const UninstallCommand unknown = ParseUninstallArguments({u"/Silent"});
  EXPECT_FALSE(unknown.ok);
  EXPECT_EQ(u"/Silent", unknown.error);
  const UninstallCommand silent = ParseUninstallArguments({u"/S"});
  EXPECT_TRUE(silent.ok && silent.silent && !silent.removeUserData);
  EXPECT_TRUE(ParseUninstallArguments({u"-s", u"/RemoveUserData"}).removeUserData);
  EXPECT_FALSE(ParseUninstallArguments({u"/RemoveUserData", u"/KeepUserData"}).ok);
}
