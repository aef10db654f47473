// The background window: size, picture folder by screen area, fallback and errors.
#include "tests/app/wizard_scenario.h"

#include "app/UBackgroundForm.h"
#include "app/UMainForm.h"
#include "ui/sim/sim_ui_hooks.h"

namespace {

// Runs the setup and reports the background form as the wizard's FormShow left it.
class BackgroundTest : public WizardScenario {
 protected:
  struct Seen {
    std::u16string picture;
    int left = -1, top = -1, width = 0, height = 0;
    bool imageVisible = true;
    bool transparent = false;
    bool wizardShown = false;
  };
  Seen RunAndLook() {
    Seen seen;
    ui::sim::Person person(std::vector<ui::sim::Action>{{"close", ""}});
    person.Attach();
    ui::sim::Hooks hooks;
    hooks.idle = [&](ui::Application& app) {
      TBackgroundForm* bg = BackgroundForm;
      seen.picture = bg->Image.GetPicture().source;
      seen.left = bg->Window().Left();
      seen.top = bg->Window().Top();
      seen.width = bg->Window().ClientWidth();
      seen.height = bg->Window().ClientHeight();
      seen.imageVisible = bg->Image.Visible();
      seen.transparent = bg->Window().TransparentColor();
      seen.wizardShown = app.FindForm(u"MainForm")->Visible();
      return false;
    };
    ui::sim::SetHooks(hooks);
    SetupMain();
    person.Detach();
    return seen;
  }
};

TEST_F(BackgroundTest, FullScreenPictureFromTheResolutionFolder) {
  const Seen seen = RunAndLook();
  EXPECT_EQ(seen.picture,
            u"C:\\Users\\User\\Downloads\\ZKTAudioSetup\\Skin\\1366x768\\Background.png");
  EXPECT_EQ(seen.left, 0);
  EXPECT_EQ(seen.top, 0);
  EXPECT_EQ(seen.width, 1920);
  EXPECT_EQ(seen.height, 1080);
  EXPECT_TRUE(seen.wizardShown);
}

TEST_F(BackgroundTest, ConfiguredSizePlacesTheWindowTopLeft) {
  SetConfig("Install", "BackgroundWidth", "800");
  SetConfig("Install", "BackgroundHeight", "600");
  Seen seen = RunAndLook();
  EXPECT_EQ(seen.width, 800);
  EXPECT_EQ(seen.height, 600);
  SetConfig("Install", "BackgroundHeight", "");
  seen = RunAndLook();
  EXPECT_EQ(seen.width, 1920);
  EXPECT_EQ(seen.height, 1080);
}

TEST_F(BackgroundTest, PictureMissingInTheSkinFolderComesFromTheSetupFolder) {
  std::filesystem::remove(SetupHost("Skin\\1366x768\\Background.png"));
  std::filesystem::copy_file(SetupHost("Background.png"), SetupHost("Skin\\Background.png"));
  const Seen seen = RunAndLook();
  EXPECT_EQ(seen.picture, u"C:\\Users\\User\\Downloads\\ZKTAudioSetup\\\\Background.png");
}

TEST_F(BackgroundTest, UnloadablePictureShowsTheErrorAndTheWizardOverTheBuiltInPicture) {
  std::filesystem::remove(SetupHost("Skin\\1366x768\\Background.png"));
  std::ofstream(SetupHost("Background.png"), std::ios::binary) << "GIF89a not a png";
  const Seen seen = RunAndLook();
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_NE(Boxes()[0].text.find(u"is not a valid PNG image"), std::u16string::npos);
  EXPECT_TRUE(seen.picture.empty());  // the built-in picture
  EXPECT_TRUE(seen.wizardShown);
}

TEST_F(BackgroundTest, NoPictureMakesTheWindowSeeThrough) {
  SetConfig("Install", "InstallBackgroundFileName", "");
  const Seen seen = RunAndLook();
  EXPECT_FALSE(seen.imageVisible);
  EXPECT_TRUE(seen.transparent);
  EXPECT_TRUE(seen.wizardShown);
}

struct ScreenCase {
  int width, height;
  const char* folder;
};

class BackgroundScreenTest : public BackgroundTest, public testing::WithParamInterface<ScreenCase> {
 protected:
  std::string MachineIni() const override {
    return "[Screen]\nWidth=" + std::to_string(GetParam().width) +
           "\nHeight=" + std::to_string(GetParam().height) + "\n";
  }
};

TEST_P(BackgroundScreenTest, AreaBoundariesAreStrict) {
  const Seen seen = RunAndLook();
  const std::u16string folder = text::FromUtf8(GetParam().folder);
  if (folder.empty())
    EXPECT_EQ(seen.picture, u"C:\\Users\\User\\Downloads\\ZKTAudioSetup\\\\Background.png");
  else
    EXPECT_EQ(seen.picture,
              u"C:\\Users\\User\\Downloads\\ZKTAudioSetup\\Skin\\" + folder + u"\\Background.png");
}

INSTANTIATE_TEST_SUITE_P(Screens, BackgroundScreenTest,
                         testing::Values(ScreenCase{1920, 1200, "1920x1080"},
                                         ScreenCase{1920, 1080, "1366x768"},
                                         ScreenCase{1366, 768, "960x540"},
                                         ScreenCase{1367, 768, "1366x768"},
                                         ScreenCase{960, 540, ""}, ScreenCase{800, 600, ""}));

}  // namespace
