// A quit request waiting for the user-interface thread closes a message box at once, as the
// box's own loop does on Windows; the loop still ends at the request afterwards.
#include <gtest/gtest.h>

#include <thread>

#include "platform/os_ui.h"
#include "platform/sim/sim_ui.h"
#include "support/sim_fixture.h"
#include "ui/Application.h"

namespace {

class MessageBoxQuitTest : public SimMachineTest {
 protected:
  void SetUp() override {
    SimMachineTest::SetUp();
    sim::ClearMessageBoxes();
  }
  void TearDown() override {
    sim::ClearMessageBoxes();
    SimMachineTest::TearDown();
  }
  static ui::FormDesc Desc() {
    ui::FormDesc d;
    d.name = std::u16string(u"QuitTestForm");  // moved in: GCC 12 misjudges a literal's copy
    d.clientWidth = 100;
    d.clientHeight = 50;
    return d;
  }
};

TEST_F(MessageBoxQuitTest, QueuedQuitClosesTheInterfaceThreadsBoxOnly) {
  ui::Application app;
  ui::Form form(app, Desc());
  form.PostMessage(WM_QUIT, 0, 0);
  // A worker's box belongs to another thread's queue: it is shown as usual.
  std::thread worker([&] { app.MessageBox(&form, u"worker", u"c", MB_OK); });
  worker.join();
  EXPECT_EQ(app.MessageBox(nullptr, u"main", u"c", MB_OK), 0);
  const auto boxes = sim::MessageBoxes();
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[0].text, u"worker");
  EXPECT_FALSE(boxes[0].closedByQuit);
  EXPECT_EQ(boxes[0].answer, IDOK);
  EXPECT_EQ(boxes[1].text, u"main");
  EXPECT_TRUE(boxes[1].closedByQuit);
  app.Run();  // returns: the request is still queued for the loop
}

TEST_F(MessageBoxQuitTest, TerminateBeforeTheLoopLeavesLaterBoxesReadable) {
  ui::Application app;
  app.SetShowMainForm(false);
  app.Terminate();
  EXPECT_EQ(app.MessageBox(nullptr, u"error display", u"c", MB_OK), IDOK);
  ASSERT_EQ(sim::MessageBoxes().size(), 1u);
  EXPECT_FALSE(sim::MessageBoxes()[0].closedByQuit);
  app.Run();  // the loop posts the request and ends at it
  EXPECT_TRUE(app.Terminated());
}

}  // namespace
