#include "payload/common/FilterDetach.h"

#include <gtest/gtest.h>

#include "payload/common/UninstallPlan.h"

using namespace payload;

TEST(FilterDetach, ServedDevicesAreThoseOfThePublishedWhitelist) {
  const auto whitelist =
      WhitelistFromGroup({{u"1", u"USB\\VID_B7D2&PID_72XX&REV_0100&MI_00,q83vEjRWeJA="},
                          {u"2", u" usb\\vid_b7d2&pid_7201&rev_0100&mi_00 ,abc"},
                          {u"3", u"no comma"},
                          {u"4", u",empty"}});
  ASSERT_EQ(2u, whitelist.size());
  EXPECT_EQ(u"USB\\VID_B7D2&PID_7201&REV_0100&MI_00", whitelist[1]);
  EXPECT_TRUE(IsServedDevice(u"USB\\VID_B7D2&PID_7255&REV_0100&MI_00", whitelist));
  EXPECT_TRUE(IsServedDevice(u"usb\\vid_b7d2&pid_72ab&rev_0100&mi_00", whitelist));
  EXPECT_FALSE(IsServedDevice(u"USB\\VID_B7D2&PID_7355&REV_0100&MI_00", whitelist));
  EXPECT_FALSE(IsServedDevice(u"USB\\VID_B7D2&PID_7255&REV_0100&MI_01", whitelist));
  // Only IDs exactly as long as the patterns: a less specific ID is another device's.
  EXPECT_FALSE(IsServedDevice(u"USB\\VID_B7D2&PID_7255&REV_0100", whitelist));
  EXPECT_FALSE(IsServedDevice(u"USB\\VID_B7D2&PID_7255&REV_0100&MI_00", {}));
}

TEST(FilterDetach, OnlyTheFilterLeavesTheList) {
  std::vector<std::u16string> rest;
  EXPECT_TRUE(WithoutFilter({u"ksthunk", u"zevor", u"Other"}, u"ZEVor", rest));
  EXPECT_EQ((std::vector<std::u16string>{u"ksthunk", u"Other"}), rest);
  EXPECT_TRUE(WithoutFilter({u"ZEVor"}, u"ZEVor", rest));
  EXPECT_TRUE(rest.empty());
  EXPECT_FALSE(WithoutFilter({u"ZEVorX", u"ksthunk"}, u"ZEVor", rest));
  EXPECT_EQ(2u, rest.size());
}

TEST(FilterDetach, UninstallDetachesBeforeTheWhitelistAndDriverGo) {
  InstallLayout l;
  l.installFolder = u"C:\\P\\ZKT\\";
  l.installFolderConfirmed = true;
  const UninstallPlan plan = PlanUninstall(l);
  std::size_t detach = plan.actions.size(), group = 0, driverKey = 0, driverFile = 0;
  for (std::size_t i = 0; i < plan.actions.size(); ++i) {
    const UninstallAction& a = plan.actions[i];
    if (a.kind == ActionKind::DetachFilter) detach = i;
    if (a.target == u"SOFTWARE\\ZKT USB DeviceId Group") group = i;
    if (a.target == u"SYSTEM\\CurrentControlSet\\Services\\ZEVor") driverKey = i;
    if (a.target.find(u"ZEVor.sys") != std::u16string::npos) driverFile = i;
  }
  ASSERT_LT(detach, plan.actions.size());
  EXPECT_EQ(u"ZEVor", plan.actions[detach].target);
  EXPECT_EQ(u"SOFTWARE\\ZKT USB DeviceId Group", plan.actions[detach].name);
  EXPECT_LT(detach, group);
  EXPECT_LT(detach, driverKey);
  EXPECT_LT(detach, driverFile);
}
