// The wizard on screens of 100 %, 125 %, 150 % and 200 %: design values scaled by DPI / 96,
// exactly the design at 96, the window centred as a whole, the background in physical pixels.
#include "tests/app/wizard_scenario.h"

#include <cstdlib>

#include "app/UBackgroundForm.h"
#include "app/UMainForm.h"
#include "platform/sim/sim_threads.h"
#include "ui/Backend.h"

namespace {

struct Screen {
  int dpi, width, height;
  const char16_t* skinFolder;  // chosen by the physical size (strictly greater areas)
};

class DpiTest : public WizardScenario, public testing::WithParamInterface<Screen> {
 protected:
  std::string MachineIni() const override {
    return "[Screen]\nWidth=" + std::to_string(GetParam().width) +
           "\nHeight=" + std::to_string(GetParam().height) +
           "\nDpi=" + std::to_string(GetParam().dpi) + "\n";
  }
  // A design value at this screen's DPI, rounded half away from zero as MulDiv rounds.
  int At(int design) const {
    const double exact = design * GetParam().dpi / 96.0;
    return static_cast<int>(exact < 0 ? exact - 0.5 : exact + 0.5);
  }
};

TEST_P(DpiTest, WizardIsTheDesignScaledByTheScreensDpi) {
  auto person = Run("cancel");
  // The buttons of the form description (left, top, width, height).
  struct Expected {
    const char16_t* name;
    int left, top, width, height;
  } const controls[] = {
      {u"NextBitBtn", 120, 119, 75, 25},
      {u"FinishBitBtn", 232, 119, 75, 25},
      {u"CancelBitBtn", 339, 119, 75, 25},
      {u"ComboBox", 16, 74, 153, 21},
      {u"SelectLangLabel", 16, 52, 103, 16},
      // The sample's English file places this label itself: 184, 20, 230, 16 and 10 points.
      {u"VersionLabel", 184, 20, 230, 16},
  };
  for (const Expected& c : controls) {
    SCOPED_TRACE(text::ToUtf8(c.name));
    const auto& view = person->View(c.name);
    EXPECT_EQ(view.left, At(c.left));
    EXPECT_EQ(view.top, At(c.top));
    EXPECT_EQ(view.width, At(c.width));
    EXPECT_EQ(view.height, At(c.height));
  }
  // Font heights round toward zero, so that text needs no more room than its control has.
  const int dpi = GetParam().dpi;
  EXPECT_EQ(person->View(u"NextBitBtn").font.height, -11 * dpi / 96);       // Tahoma 8 points
  EXPECT_EQ(person->View(u"SelectLangLabel").font.height, -13 * dpi / 96);  // 10 points
  EXPECT_EQ(person->View(u"VersionLabel").font.height, -13 * dpi / 96);     // 10 points, file
  if (GetParam().dpi == 96) {
    EXPECT_EQ(person->View(u"NextBitBtn").left, 120);  // the design, not a rounding of it
    EXPECT_EQ(person->View(u"NextBitBtn").font.height, -11);
  }
}

class DpiFormTest : public DpiTest {
 protected:
  void SetUp() override {
    DpiTest::SetUp();
    forms_ = std::make_unique<WizardForms>();
    BackgroundForm->Window().Show();  // shows the wizard
  }
  void TearDown() override {
    forms_.reset();
    DpiTest::TearDown();
  }
  std::unique_ptr<WizardForms> forms_;
};

TEST_P(DpiFormTest, WizardWindowIsCentredAsAWhole) {
  ui::Form& wizard = MainForm->Window();
  EXPECT_EQ(wizard.Dpi(), GetParam().dpi);
  EXPECT_EQ(wizard.ClientWidth(), At(430));
  EXPECT_EQ(wizard.ClientHeight(), At(153));
  const ui::backend::FrameInsets frame = ui::backend::FrameOf(wizard);
  ASSERT_GT(frame.top, frame.bottom);  // the title bar
  const int outerWidth = frame.left + wizard.ClientWidth() + frame.right;
  const int outerHeight = frame.top + wizard.ClientHeight() + frame.bottom;
  // The outer window's centre is the screen's (to the pixel that an odd size leaves over).
  EXPECT_LE(std::abs(2 * wizard.Left() + outerWidth - GetParam().width), 1);
  EXPECT_LE(std::abs(2 * wizard.Top() + outerHeight - GetParam().height), 1);
}

TEST_P(DpiFormTest, BackgroundCoversTheScreenInPhysicalPixelsAndSkinFollowsThem) {
  ui::Form& background = BackgroundForm->Window();
  EXPECT_EQ(background.Left(), 0);
  EXPECT_EQ(background.Top(), 0);
  EXPECT_EQ(background.ClientWidth(), GetParam().width);
  EXPECT_EQ(background.ClientHeight(), GetParam().height);
  const ui::Rect image = BackgroundForm->Image.PixelBounds();
  EXPECT_EQ(image.width, GetParam().width);
  EXPECT_EQ(image.height, GetParam().height);
  // The skin folder is chosen by the physical screen, not by its size at 96 DPI.
  EXPECT_EQ(BackgroundForm->ResolutionFolder, GetParam().skinFolder);
}

TEST_P(DpiFormTest, MovingToAMonitorOfAnotherDpiScalesAgainWithoutDrift) {
  ui::Form& wizard = MainForm->Window();
  ui::Control& next = MainForm->NextBitBtn;
  for (int dpi : {120, 192, 144, 96, GetParam().dpi}) {
    SCOPED_TRACE(dpi);
    wizard.ChangeDpi(dpi, 3000 + dpi, 40);
    EXPECT_EQ(wizard.Dpi(), dpi);
    EXPECT_EQ(wizard.Left(), 3000 + dpi);  // where Windows suggests
    EXPECT_EQ(wizard.Top(), 40);
    EXPECT_EQ(wizard.ClientWidth(), ui::ScaleForDpi(430, dpi));
    EXPECT_EQ(next.PixelBounds().left, ui::ScaleForDpi(120, dpi));
    EXPECT_EQ(next.PixelBounds().width, ui::ScaleForDpi(75, dpi));
    EXPECT_EQ(MainForm->VersionLabel.PixelFont().height, -13 * dpi / 96);
  }
  EXPECT_EQ(next.PixelBounds().left, At(120));
  // The background stays as it was placed, in pixels of its screen.
  EXPECT_EQ(BackgroundForm->Window().ClientWidth(), GetParam().width);
}

const Screen kScreens[] = {
    {96, 1920, 1080, u"1366x768\\"},   {120, 1920, 1080, u"1366x768\\"},
    {144, 2880, 1620, u"1920x1080\\"}, {192, 3840, 2160, u"1920x1080\\"},
    {144, 1366, 768, u"960x540\\"},
};

std::string ScreenName(const testing::TestParamInfo<Screen>& info) {
  return std::to_string(info.param.dpi) + "dpi_" + std::to_string(info.param.width) + "x" +
         std::to_string(info.param.height);
}

INSTANTIATE_TEST_SUITE_P(Screens, DpiTest, testing::ValuesIn(kScreens), ScreenName);
INSTANTIATE_TEST_SUITE_P(Screens, DpiFormTest, testing::ValuesIn(kScreens), ScreenName);

}  // namespace
