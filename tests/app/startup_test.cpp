// Start-up: the path-length guard, creation order and the errors of construction.
#include <filesystem>

#include "platform/os_ui.h"
#include "tests/app/wizard_scenario.h"

namespace {

class StartupTest : public WizardScenario {
 protected:
  // A setup folder whose program path has exactly `length` characters.
  void UseExePathOfLength(std::size_t length) {
    const std::u16string prefix = u"C:\\S\\";
    const std::u16string file = u"\\ZKTAudioSetup.exe";
    const std::u16string folder =
        prefix + std::u16string(length - prefix.size() - file.size(), u'd');
    const std::u16string path = folder + file;
    ASSERT_EQ(path.size(), length);
    std::filesystem::create_directories(Host(text::ToUtf8(folder)));
    std::filesystem::copy(SetupHost(""), Host(text::ToUtf8(folder)),
                          std::filesystem::copy_options::recursive);
    machine().SetModulePath(path);
  }
};

TEST_F(StartupTest, PathOf180CharactersStartsTheWizard) {
  UseExePathOfLength(180);
  auto person = Run("cancel");
  EXPECT_TRUE(Boxes().empty());
  EXPECT_EQ(person->Page(), u"Language");
  EXPECT_TRUE(person->WizardVisible() || person->LoopEnded());
  EXPECT_NE(DebugText().find("==> TMainForm::FormShow"), std::string::npos);
}

TEST_F(StartupTest, PathOf181CharactersShowsOnlyTheGuardBox) {
  UseExePathOfLength(181);
  auto person = Run("next");
  const auto boxes = Boxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, u"TLPD - Too Long Path Detector");
  EXPECT_EQ(boxes[0].caption, u"ERROR");
  EXPECT_EQ(boxes[0].flags, 0x10u);
  // Both forms were still constructed, but nothing was shown and no action was possible.
  EXPECT_NE(DebugText().find("==> TBackgroundForm::TBackgroundForm"), std::string::npos);
  EXPECT_NE(DebugText().find("==> TMainForm::TMainForm"), std::string::npos);
  EXPECT_EQ(DebugText().find("FormShow"), std::string::npos);
  EXPECT_TRUE(person->ActionsLeft());
}

TEST_F(StartupTest, TooLongPathWithMissingIconShowsGuardThenConstructionError) {
  UseExePathOfLength(181);
  std::filesystem::remove(Host(text::ToUtf8(machine().ModulePath().substr(
                              0, machine().ModulePath().rfind(u'\\') + 1))) /
                          "Setup.ico");
  Run("next");
  const auto boxes = Boxes();
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[0].text, u"TLPD - Too Long Path Detector");
  EXPECT_NE(boxes[1].text.find(u"Setup.ico"), std::u16string::npos);
  EXPECT_EQ(boxes[1].flags, MB_OK | MB_ICONERROR);
  // The guard's quit request must not close the error display before it can be read.
  EXPECT_FALSE(boxes[0].closedByQuit);
  EXPECT_FALSE(boxes[1].closedByQuit);
  EXPECT_EQ(boxes[1].answer, IDOK);
}

TEST_F(StartupTest, MissingIconEndsBeforeAnyWindowWithTheErrorDisplay) {
  std::filesystem::remove(SetupHost("Setup.ico"));
  auto person = Run("next");
  const auto boxes = Boxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text,
            u"Cannot open file \"C:\\Users\\User\\Downloads\\ZKTAudioSetup\\Setup.ico\". "
            u"The system cannot find the file specified.");
  EXPECT_EQ(boxes[0].caption, u"ZKTAudioSetup");  // no title yet: the program's name
  EXPECT_FALSE(person->LoopEnded());
  EXPECT_EQ(DebugText().find("FormShow"), std::string::npos);
}

TEST_F(StartupTest, IconFileThatIsNoIconIsAnError) {
  std::ofstream(SetupHost("Setup.ico"), std::ios::binary) << "not an icon at all, just text";
  Run("next");
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_NE(Boxes()[0].text.find(u"is not a valid icon"), std::u16string::npos);
}

TEST_F(StartupTest, MissingDeviceIdSectionEndsSilentlyAfterTheWizardIsShown) {
  for (const char* section : {"USB_VID_PID", "HID_VID_PID"}) {
    SCOPED_TRACE(section);
    ::sim::ClearMessageBoxes();
    CopySample();
    RemoveSection(section);
    auto person = Run("next");
    EXPECT_TRUE(Boxes().empty());
    EXPECT_TRUE(person->LoopEnded());
    EXPECT_TRUE(person->ActionsLeft());        // the person never got a turn
    EXPECT_EQ(person->Page(), u"FinishPage");  // the design page: FormShow stopped early
  }
}

}  // namespace
