// TBackgroundForm: picture from the skin folder, window size, and showing the wizard.
#include "app/UBackgroundForm.h"

#include "app/UMainForm.h"
#include "config/ProfileValue.h"
#include "config/SetupConfig.h"
#include "payload/common/ProductNames.h"
#include "platform/os_files.h"
#include "platform/os_system.h"
#include "platform/trace.h"

TBackgroundForm* BackgroundForm = nullptr;

namespace {

ui::FormDesc BackgroundFormDescription() {
  ui::FormDesc d;
  d.name = u"BackgroundForm";
  d.caption = u"";
  d.border = ui::BorderStyle::None;
  d.clientWidth = 651;
  d.clientHeight = 338;
  d.font = ui::Font{u"Tahoma", -11, ui::clWindowText};
  d.color = ui::clBtnFace;
  d.controls = {{ui::Kind::Image, u"Image", -1, 0, 0, 651, 338, u"", ui::kAlignClient}};
  return d;
}

bool FileExists(const std::u16string& path) {
  const os::DWORD attributes = os::GetFileAttributesW(path);
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace

ui::Picture BuiltInBackgroundPicture() {
  ui::Picture picture;
  picture.width = 1280;
  picture.height = 768;
  return picture;
}

TBackgroundForm::TBackgroundForm(ui::Application& app)
    : form_(app, BackgroundFormDescription()), Image(form_.Find(u"Image")) {
  form_.OnShow = [this](ui::Form& f) { FormShow(f); };
  form_.OnCloseQuery = [this](ui::Form& f, bool& canClose) { FormCloseQuery(f, canClose); };
  Image.SetPicture(BuiltInBackgroundPicture());

  trace::Write(u"\n");
  trace::Enter(u"TBackgroundForm::TBackgroundForm");
  const std::u16string exePath = os::GetModuleFileNameW();
  SetupFolder = exePath.substr(0, exePath.rfind(u'\\') + 1);
  const int screenWidth = os::GetScreenWidth();
  const int screenHeight = os::GetScreenHeight();
  ResolutionFolder = ResolutionFolderFor(screenWidth, screenHeight);

  const std::u16string configFile = SetupFolder + payload::kConfigFileName;
  std::u16string width, height;
  ReadProfileValue(configFile, u"Install", u"BackgroundWidth", width);
  ReadProfileValue(configFile, u"Install", u"BackgroundHeight", height);
  BackgroundWidth = DecimalValue(width);
  BackgroundHeight = DecimalValue(height);
  if (BackgroundWidth == 0 || BackgroundHeight == 0) {
    BackgroundWidth = screenWidth;
    BackgroundHeight = screenHeight;
  }
}

TBackgroundForm::~TBackgroundForm() = default;

void TBackgroundForm::FormShow(ui::Form&) {
  trace::Enter(u"TBackgroundForm::FormShow");
  const std::u16string configFile = SetupFolder + payload::kConfigFileName;
  ReadProfileValue(configFile, u"Install", u"InstallBackgroundFileName", BackgroundFileName);
  if (BackgroundFileName.empty()) {
    Image.Hide();
    Image.SetTransparent(true);
    form_.SetTransparentColor(true, form_.GetColor());
    if (MainForm) MainForm->Window().Show();
    return;
  }
  std::u16string skin;
  ReadProfileValue(configFile, u"Skin", u"SkinFolderName", skin);
  std::u16string path = SetupFolder + skin + u"\\" + ResolutionFolder + BackgroundFileName;
  if (!FileExists(path)) {
    ResolutionFolder.clear();
    skin.clear();
    path = SetupFolder + skin + u"\\" + ResolutionFolder + BackgroundFileName;
  }
  try {
    Image.LoadPictureFromFile(path);
  } catch (const ui::Exception& error) {
    // The error is shown; the wizard then comes up over the built-in picture.
    form_.App().ShowException(error);
  }
  if (MainForm) MainForm->Window().Show();
}

void TBackgroundForm::FormCloseQuery(ui::Form&, bool& canClose) {
  // Ending the program would destroy what the install worker is using.
  if (MainForm && MainForm->InstallRunning()) canClose = false;
}
