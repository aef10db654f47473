#include "payload/common/ProductNames.h"

#include <gtest/gtest.h>

#include <string>

using namespace payload;

// The setup writes below HKLM\SOFTWARE what the payload programs read by the full key.
TEST(ProductNames, SubKeysAreTheFullKeysBelowSoftware) {
  EXPECT_EQ(std::u16string(u"SOFTWARE\\") + kProductSubKey, kProductKey);
  EXPECT_EQ(std::u16string(kProductSubKey), u"ZKT 72xx Software");
  EXPECT_EQ(std::u16string(kLevelTableSubKey), u"ZKT 72xx Software\\EncValueMap");
  EXPECT_EQ(std::u16string(kUsbGroupName), u"ZKT USB DeviceId Group");
  EXPECT_EQ(std::u16string(kHidGroupName), u"ZKT HID DeviceId Group");
  static_assert(!IsBelowSoftware(u"SYSTEM\\CurrentControlSet"), "another root");
}
