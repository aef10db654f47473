// Simulated message boxes: which button the scripted person presses, what is recorded, and how
// a quit request waiting for the user-interface thread closes a box at once, as on Windows.
#include <gtest/gtest.h>

#include <thread>

#include "platform/os_files.h"
#include "platform/os_ui.h"
#include "platform/sim/sim_ui.h"
#include "support/sim_fixture.h"
#include "ui/Application.h"

namespace {

using SimUiTest = SimMachineWithBoxesTest;

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

TEST_F(SimUiTest, QueuedQuitClosesTheInterfaceThreadsBoxOnly) {
  ui::Application app;
  ui::FormDesc desc;
  desc.name = std::u16string(u"QuitTestForm");  // moved in: GCC 12 misjudges a literal's copy
  ui::Form form(app, desc);
  form.PostFormMessage(WM_QUIT, 0, 0);
  // A worker's box belongs to another thread's queue: it is shown as usual.
  std::thread worker([&] { app.ShowMessageBox(&form, u"worker", u"c", MB_OK); });
  worker.join();
  EXPECT_EQ(app.ShowMessageBox(nullptr, u"main", u"c", MB_OK), 0);
  const auto boxes = sim::MessageBoxes();
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[0].text, u"worker");
  EXPECT_FALSE(boxes[0].closedByQuit);
  EXPECT_EQ(boxes[0].answer, IDOK);
  EXPECT_EQ(boxes[1].text, u"main");
  EXPECT_TRUE(boxes[1].closedByQuit);
  app.Run();  // returns: the request is still queued for the loop
}

TEST_F(SimUiTest, TerminateBeforeTheLoopLeavesLaterBoxesReadable) {
  ui::Application app;
  app.SetShowMainForm(false);
  app.Terminate();
  EXPECT_EQ(app.ShowMessageBox(nullptr, u"error display", u"c", MB_OK), IDOK);
  ASSERT_EQ(sim::MessageBoxes().size(), 1u);
  EXPECT_FALSE(sim::MessageBoxes()[0].closedByQuit);
  app.Run();  // the loop posts the request and ends at it
  EXPECT_TRUE(app.Terminated());
}

}  // namespace
