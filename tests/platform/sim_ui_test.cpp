// Simulated message boxes: which button the scripted person presses, what is recorded.
#include <gtest/gtest.h>

#include "platform/os_files.h"
#include "platform/os_ui.h"
#include "platform/sim/sim_ui.h"
#include "support/sim_fixture.h"

namespace {

class SimUiTest : public SimMachineTest {
 protected:
  void SetUp() override {
    SimMachineTest::SetUp();
    sim::ClearMessageBoxes();
  }
  void TearDown() override {
    sim::ClearMessageBoxes();
    SimMachineTest::TearDown();
  }
};

TEST_F(SimUiTest, WithoutAScriptTheDefaultButtonIsPressed) {
  const struct {
    os::UINT flags;
    int expected;
  } cases[] = {
      {MB_OK | MB_ICONERROR, IDOK},
      {MB_OKCANCEL, IDOK},
      {MB_YESNO, IDYES},
      {MB_YESNO | MB_DEFBUTTON2, IDNO},
      {MB_YESNOCANCEL | MB_DEFBUTTON3, IDCANCEL},
      {MB_RETRYCANCEL | MB_DEFBUTTON2, IDCANCEL},
      {MB_OKCANCEL | MB_DEFBUTTON3, IDOK},  // no third button: the first is the default
      {MB_CANCELTRYCONTINUE | MB_DEFBUTTON2, IDTRYAGAIN},
  };
  for (std::size_t i = 0; i < sizeof cases / sizeof cases[0]; ++i)
    EXPECT_EQ(sim::ShowMessageBox(u"t", u"c", cases[i].flags), cases[i].expected) << "case " << i;
}

TEST_F(SimUiTest, QueuedAnswerIsTakenOnlyByABoxThatHasThatButton) {
  sim::QueueMessageBoxAnswer(IDNO);
  EXPECT_EQ(sim::ShowMessageBox(u"first", u"c", MB_OK), IDOK);  // no "No" button: still queued
  EXPECT_EQ(sim::ShowMessageBox(u"second", u"c", MB_YESNO), IDNO);
  EXPECT_EQ(sim::ShowMessageBox(u"third", u"c", MB_YESNO), IDYES);  // queue used up
}

TEST_F(SimUiTest, BoxesAreRecordedInOrderAndReportedToTheListener) {
  std::vector<std::u16string> heard;
  sim::SetMessageBoxListener([&](const sim::MessageBoxRecord& r) { heard.push_back(r.caption); });
  sim::ShowMessageBox(u"one", u"A", MB_OK | MB_ICONERROR);
  sim::ShowMessageBox(u"two", u"B", MB_YESNO | MB_ICONQUESTION);
  const auto boxes = sim::MessageBoxes();
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[0].text, u"one");
  EXPECT_EQ(boxes[0].flags, MB_OK | MB_ICONERROR);
  EXPECT_EQ(boxes[0].answer, IDOK);
  EXPECT_EQ(boxes[1].caption, u"B");
  EXPECT_EQ(boxes[1].answer, IDYES);
  EXPECT_EQ(heard, (std::vector<std::u16string>{u"A", u"B"}));
}

TEST_F(SimUiTest, InjectedFailureReturnsZeroWithTheErrorAndShowsNothing) {
  sim::FaultRule rule;
  rule.call = "MessageBoxW";
  rule.error = ERROR_NOT_ENOUGH_MEMORY;
  machine().InjectFault(rule);
  os::SetLastError(0);
  EXPECT_EQ(sim::ShowMessageBox(u"t", u"c", MB_OK), 0);
  EXPECT_EQ(os::GetLastError(), static_cast<os::DWORD>(ERROR_NOT_ENOUGH_MEMORY));
  EXPECT_TRUE(sim::MessageBoxes().empty());
  EXPECT_EQ(sim::ShowMessageBox(u"t", u"c", MB_OK), IDOK);  // the fault fired once
}

}  // namespace
