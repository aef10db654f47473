// The setup's log file on the simulated machine: time stamps, appending, the size cap, links
// refused, and a failed write that ends logging and nothing else.
#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <iterator>

#include "platform/SetupLog.h"
#include "support/sim_fixture.h"

namespace fs = std::filesystem;

namespace {

class SetupLogTest : public SimMachineTest {
 protected:
  void SetUp() override {
    SimMachineTest::SetUp();
    fs::create_directories(Host("C:\\Logs"));
  }
  void TearDown() override {
    setup_log::Close();
    SimMachineTest::TearDown();
  }
  std::string Read(const std::string& winPath) {
    std::ifstream in(Host(winPath), std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  }
  void Write(const std::string& winPath, const std::string& bytes) {
    std::ofstream(Host(winPath), std::ios::binary) << bytes;
  }
};

TEST_F(SetupLogTest, LinesGetTimeStampsAndAreAppended) {
  Write("C:\\Logs\\a.log", "earlier run\r\n");
  ASSERT_TRUE(setup_log::Open(u"C:\\Logs\\a.log"));
  setup_log::Append(u"==> TMainForm::Install\n");
  machine().Advance(1234);
  setup_log::Append(u"\n");                           // a separator stays an empty line
  setup_log::Append(u"two\nlines \u00e4\U0001F50A");  // UTF-8, no final line feed
  setup_log::Close();
  EXPECT_EQ(Read("C:\\Logs\\a.log"),
            "earlier run\r\n"
            "2024-03-01 09:00:00.000 ==> TMainForm::Install\r\n"
            "\r\n"
            "2024-03-01 09:00:01.234 two\r\n"
            "2024-03-01 09:00:01.234 lines \xC3\xA4\xF0\x9F\x94\x8A\r\n");
  setup_log::Append(u"after the close\n");  // nothing happens
  EXPECT_EQ(Read("C:\\Logs\\a.log").find("after"), std::string::npos);
}

TEST_F(SetupLogTest, FullLogIsMovedAsideOnce) {
  const std::string full(setup_log::kMaxLogSize + 1, 'x');
  Write("C:\\Logs\\a.log", full);
  Write("C:\\Logs\\a.old.log", "the one before");
  ASSERT_TRUE(setup_log::Open(u"C:\\Logs\\a.log"));
  setup_log::Append(u"new\n");
  setup_log::Close();
  EXPECT_EQ(Read("C:\\Logs\\a.old.log"), full);
  EXPECT_EQ(Read("C:\\Logs\\a.log"), "2024-03-01 09:00:00.000 new\r\n");
  // Exactly at the cap the log is kept.
  Write("C:\\Logs\\b.log", std::string(setup_log::kMaxLogSize, 'y'));
  ASSERT_TRUE(setup_log::Open(u"C:\\Logs\\b.log"));
  setup_log::Close();
  EXPECT_FALSE(fs::exists(Host("C:\\Logs\\b.old.log")));
}

TEST_F(SetupLogTest, OldPathAndDefaultPath) {
  EXPECT_EQ(setup_log::OldPath(u"C:\\T\\ZKTAudioSetup.log"), u"C:\\T\\ZKTAudioSetup.old.log");
  EXPECT_EQ(setup_log::OldPath(u"C:\\a.b\\log"), u"C:\\a.b\\log.old");
  EXPECT_EQ(setup_log::DefaultPath(), u"C:\\Users\\User\\AppData\\Local\\Temp\\ZKTAudioSetup.log");
  OpenMachine("[Environment]\nTMP=C:\\Scratch\n");
  EXPECT_EQ(setup_log::DefaultPath(), u"C:\\Scratch\\ZKTAudioSetup.log");
}

// A standard user can write TEMP: what they put in the log's place must not receive it.
TEST_F(SetupLogTest, RefusesWhatIsNotAPlainFileOfItsOwn) {
  Write("C:\\Logs\\system-file", "precious");
  struct Case {
    const char* name;
    std::function<void()> make;
  } cases[] = {
      {"file link",
       [&] { fs::create_symlink(Host("C:\\Logs\\system-file"), Host("C:\\Logs\\x.log")); }},
      {"dangling file link",
       [&] { fs::create_symlink(Host("C:\\Logs\\new-system-file"), Host("C:\\Logs\\x.log")); }},
      {"second name",
       [&] { fs::create_hard_link(Host("C:\\Logs\\system-file"), Host("C:\\Logs\\x.log")); }},
      {"folder", [&] { fs::create_directory(Host("C:\\Logs\\x.log")); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fs::remove_all(Host("C:\\Logs\\x.log"));
    c.make();
    EXPECT_FALSE(setup_log::Open(u"C:\\Logs\\x.log"));
    setup_log::Append(u"line\n");
    EXPECT_EQ(Read("C:\\Logs\\system-file"), "precious");
    EXPECT_FALSE(fs::exists(Host("C:\\Logs\\new-system-file")));
  }
  // A link in place of the folder.
  fs::create_directories(Host("C:\\Elsewhere"));
  fs::create_directory_symlink(Host("C:\\Elsewhere"), Host("C:\\Linked"));
  EXPECT_FALSE(setup_log::Open(u"C:\\Linked\\x.log"));
  EXPECT_FALSE(fs::exists(Host("C:\\Elsewhere\\x.log")));
}

TEST_F(SetupLogTest, FailedWriteEndsLoggingForTheRun) {
  ASSERT_TRUE(setup_log::Open(u"C:\\Logs\\a.log"));
  setup_log::Append(u"one\n");
  machine().InjectFault({"WriteFile", 0, 1, ERROR_WRITE_PROTECT, "a.log"});
  setup_log::Append(u"two\n");
  EXPECT_FALSE(setup_log::IsOpen());
  setup_log::Append(u"three\n");  // the fault has passed, but the log stays off
  EXPECT_EQ(Read("C:\\Logs\\a.log"), "2024-03-01 09:00:00.000 one\r\n");
  // No folder, no log.
  EXPECT_FALSE(setup_log::Open(u"C:\\Missing\\a.log"));
}

}  // namespace
