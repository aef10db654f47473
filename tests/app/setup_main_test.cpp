// Start-up: the path-length guard counts UTF-16 units, not characters (the other start-up
// cases are in startup_test.cpp).
#include <gtest/gtest.h>

#include "app/SetupMain.h"
#include "platform/sim/sim_ui.h"
#include "support/sim_fixture.h"

namespace {

class SetupMainTest : public SimMachineWithBoxesTest {
 protected:
  // "C:\" + folders + "\ZKTAudioSetup.exe", exactly `length` UTF-16 units long.
  static std::u16string PathOfLength(std::size_t length, const std::u16string& extra = u"") {
    const std::u16string tail = u"\\ZKTAudioSetup.exe";
    std::u16string path = u"C:\\" + extra;
    path += std::u16string(length - path.size() - tail.size(), u'd');
    return path + tail;
  }
};

TEST_F(SetupMainTest, CharactersOutsideTheBasicPlaneCountTwice) {
  // U+1F50A (speaker) is one character but two UTF-16 units.
  const std::u16string speaker = u"\U0001F50A";
  ASSERT_EQ(speaker.size(), 2u);
  machine().SetModulePath(PathOfLength(kMaxSetupPathLength + 1, speaker));
  EXPECT_EQ(SetupMain(), 0);
  const auto boxes = sim::MessageBoxes();
  ASSERT_FALSE(boxes.empty());
  EXPECT_EQ(boxes[0].text, u"TLPD - Too Long Path Detector");
  EXPECT_EQ(boxes[0].caption, u"ERROR");
}

}  // namespace
