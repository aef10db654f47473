// Start-up: the path-length guard measures the program's full path in UTF-16 units.
#include <gtest/gtest.h>

#include "app/SetupMain.h"
#include "platform/sim/sim_ui.h"
#include "support/sim_fixture.h"

namespace {

class SetupMainTest : public SimMachineTest {
 protected:
  void SetUp() override {
    SimMachineTest::SetUp();
    sim::ClearMessageBoxes();
  }
  void TearDown() override {
    sim::ClearMessageBoxes();
    SimMachineTest::TearDown();
  }
  // "C:\" + folders + "\ZKTAudioSetup.exe", exactly `length` UTF-16 units long.
  static std::u16string PathOfLength(std::size_t length, const std::u16string& extra = u"") {
    const std::u16string tail = u"\\ZKTAudioSetup.exe";
    std::u16string path = u"C:\\" + extra;
    path += std::u16string(length - path.size() - tail.size(), u'd');
    return path + tail;
  }
};

TEST_F(SetupMainTest, PathOfExactlyTheLimitStartsNormally) {
  machine().SetModulePath(PathOfLength(kMaxSetupPathLength));
  EXPECT_EQ(SetupMain(), 0);
  const auto boxes = sim::MessageBoxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_NE(boxes[0].caption, u"ERROR");
  // The program file is missing on this machine, so it cannot tell its own version.
  EXPECT_NE(boxes[0].text.find(u"(unknown version)"), std::u16string::npos);
}

TEST_F(SetupMainTest, PathOneOverTheLimitShowsOnlyTheGuardBox) {
  machine().SetModulePath(PathOfLength(kMaxSetupPathLength + 1));
  EXPECT_EQ(SetupMain(), 0);
  const auto boxes = sim::MessageBoxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, u"TLPD - Too Long Path Detector");
  EXPECT_EQ(boxes[0].caption, u"ERROR");
  EXPECT_EQ(boxes[0].flags, 0x10u);
}

TEST_F(SetupMainTest, CharactersOutsideTheBasicPlaneCountTwice) {
  // U+1F50A (speaker) is one character but two UTF-16 units.
  const std::u16string speaker = u"\U0001F50A";
  ASSERT_EQ(speaker.size(), 2u);
  machine().SetModulePath(PathOfLength(kMaxSetupPathLength + 1, speaker));
  SetupMain();
  ASSERT_EQ(sim::MessageBoxes().size(), 1u);
  EXPECT_EQ(sim::MessageBoxes()[0].caption, u"ERROR");
}

}  // namespace
