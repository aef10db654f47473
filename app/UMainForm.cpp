// TMainForm: construction, the wizard's pages, buttons, private messages and the worker.
#include "app/UMainForm.h"

#include "app/UBackgroundForm.h"
#include "config/DefaultAudioSettings.h"
#include "payload/common/ProductNames.h"
#include "platform/FolderHelpers.h"
#include "platform/OwnedHandles.h"
#include "platform/os_files.h"
#include "platform/os_shell_execute.h"
#include "platform/os_shutdown.h"
#include "platform/os_system.h"
#include "platform/os_thread.h"
#include "platform/os_ui.h"
#include "platform/text.h"
#include "platform/trace.h"
#include "ui/Graphics.h"

TMainForm* MainForm = nullptr;

namespace {

constexpr int kPageLanguage = 0;
constexpr int kPageInstall = 1;
constexpr int kPageFinish = 2;

constexpr int kLabelFontHeight = -13;  // Tahoma 10 points
constexpr int kRadioFontHeight = -12;  // Tahoma 9 points

ui::FormDesc MainFormDescription() {
  using ui::Kind;
  ui::FormDesc d;
  d.name = u"MainForm";
  d.caption = u"ZKT 7.1 USB Audio Setup";
  d.border = ui::BorderStyle::Single;
  d.clientWidth = 430;
  d.clientHeight = 153;
  d.font = ui::Font{u"Tahoma", -11, ui::clWindowText};
  // One control per line, as the form designer lists them.
  // clang-format off
  d.controls = {
      {Kind::BitBtn, u"BackBitBtn", -1, 8, 119, 75, 25, u"< Back", ui::kHidden | ui::kDisabled},
      {Kind::BitBtn, u"NextBitBtn", -1, 120, 119, 75, 25, u"Next >", ui::kDefaultButton},
      {Kind::BitBtn, u"FinishBitBtn", -1, 232, 119, 75, 25, u"Finish", ui::kDisabled},
      {Kind::BitBtn, u"CancelBitBtn", -1, 339, 119, 75, 25, u"Cancel", 0},
      {Kind::Notebook, u"Notebook", -1, 0, 0, 430, 115, u"", 0, 0,
       {u"Language", u"InstallPage", u"FinishPage"}, kPageFinish},
      {Kind::Label, u"SelectLangLabel", kPageLanguage, 16, 52, 103, 16, u"Select Language :", 0,
       kLabelFontHeight},
      {Kind::Label, u"VersionLabel", kPageLanguage, 184, 20, 200, 16,
       u"Select language version of 7.1 USB", 0, kLabelFontHeight},
      {Kind::Label, u"AudioExtLabel", kPageLanguage, 184, 52, 175, 16,
       u"Audio Extension for installation", 0, kLabelFontHeight},
      {Kind::ComboBox, u"ComboBox", kPageLanguage, 16, 74, 153, 21, u"", 0},
      {Kind::Label, u"InstallLabel", kPageInstall, 16, 24, 63, 16, u"Installing...", 0,
       kLabelFontHeight},
      {Kind::ProgressBar, u"ProgressBar", kPageInstall, 16, 60, 361, 25, u"", ui::kSmooth, 0, {}, 100},
      {Kind::Label, u"RebootLabel", kPageFinish, 40, 10, 315, 16,
       u"Setup will reboot your computer to complete the Install", ui::kWordWrap, kLabelFontHeight},
      {Kind::RadioButton, u"RebootRadioButton", kPageFinish, 40, 67, 374, 24, u"Yes, reboot now", 0,
       kRadioFontHeight},
      {Kind::RadioButton, u"NoRebootRadioButton", kPageFinish, 40, 93, 374, 17, u"No, reboot later",
       ui::kChecked, kRadioFontHeight},
      {Kind::DirectoryListBox, u"DirectoryListBox", -1, 269, 256, 145, 46, u"", ui::kHidden},
      {Kind::ComboBox, u"OriginalComboBox", -1, 16, 25, 153, 21, u"", ui::kHidden},
  };
  // clang-format on
  return d;
}

// Both files of the per-user profile copy are there as plain files: a copy that failed half-way
// (one file missing, or still read-only or hidden from its source) is made again.
bool ProfileCopyIntact(const std::u16string& folder) {
  for (const char16_t* name : {payload::kConfigFileName, u"DefaultProfile.ini"}) {
    const os::DWORD attributes = os::GetFileAttributesW(folder + name);
    if (attributes == INVALID_FILE_ATTRIBUTES ||
        (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                       FILE_ATTRIBUTE_SYSTEM)))
      return false;
  }
  return true;
}

}  // namespace

// The shutdown privilege is off in an administrator's token until the program enables it.
void EnableShutdownPrivilege() {
  const os::HANDLE token = os::OpenProcessToken(TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY);
  if (!token) return;
  os::Luid luid;
  os::LookupPrivilegeValueW(u"SeShutdownPrivilege", &luid);  // result ignored, as the adjustment's
  os::AdjustTokenPrivilege(token, luid, SE_PRIVILEGE_ENABLED);
  os::CloseTokenHandle(token);
}

TMainForm::TMainForm(ui::Application& app)
    : form_(app, MainFormDescription()),
      BackBitBtn(form_.Find(u"BackBitBtn")),
      NextBitBtn(form_.Find(u"NextBitBtn")),
      FinishBitBtn(form_.Find(u"FinishBitBtn")),
      CancelBitBtn(form_.Find(u"CancelBitBtn")),
      Notebook(form_.Find(u"Notebook")),
      SelectLangLabel(form_.Find(u"SelectLangLabel")),
      VersionLabel(form_.Find(u"VersionLabel")),
      AudioExtLabel(form_.Find(u"AudioExtLabel")),
      ComboBox(form_.Find(u"ComboBox")),
      InstallLabel(form_.Find(u"InstallLabel")),
      ProgressBar(form_.Find(u"ProgressBar")),
      RebootLabel(form_.Find(u"RebootLabel")),
      RebootRadioButton(form_.Find(u"RebootRadioButton")),
      NoRebootRadioButton(form_.Find(u"NoRebootRadioButton")),
      DirectoryListBox(form_.Find(u"DirectoryListBox")),
      OriginalComboBox(form_.Find(u"OriginalComboBox")) {
  form_.OnShow = [this](ui::Form& f) { FormShow(f); };
  form_.OnCloseQuery = [this](ui::Form& f, bool& canClose) { FormCloseQuery(f, canClose); };
  form_.OnClose = [this](ui::Form& f, ui::CloseAction& action) { FormClose(f, action); };
  form_.OnMessage = [this](ui::Form&, ui::Message& message) { return WindowProc(message); };
  NextBitBtn.OnClick = [this](ui::Control& c) { NextBitBtnClick(c); };
  FinishBitBtn.OnClick = [this](ui::Control& c) { FinishBitBtnClick(c); };
  CancelBitBtn.OnClick = [this](ui::Control& c) { CancelBitBtnClick(c); };
  ComboBox.OnChange = [this](ui::Control& c) { ComboBoxChange(c); };

  trace::Write(u"\n");
  trace::Enter(u"TMainForm::TMainForm");
  const std::u16string exePath = os::GetModuleFileNameW();
  GetFileVersionText(exePath, &VersionText);
  int wow64 = 0;
  QueryWow64Process(&wow64);
  IsWow64 = wow64;
  OSClass = OS_CLASS_WINXP;
  if (GetOSVersionInfo(&OSClass, &OSVersionCode, &ServicePackMajor) != 0)
    trace::Write(u"***** Get Windows Version FAIL! *****\n");
  // A configuration that cannot be read or a Program Files folder nobody names would install
  // files without names or into the root of the drive: the setup stops with the reason.
  const std::u16string problem = LoadSetupConfig(payload::kConfigFileName, exePath, SetupConfig);
  if (!problem.empty()) throw ui::Exception(problem);

  const std::u16string iconFile =
      SetupConfig.SourceFolderFullPath + SetupConfig.InstallIconFileName;
  app.LoadIconFromFile(iconFile);
  form_.LoadIconFromFile(iconFile);
  app.SetTitle(SetupConfig.InstallAppTitle);

  UninstallInfo.RegistryKey = payload::kUninstallKey;
  UninstallInfo.DisplayName = SetupConfig.UninstallDisplayName;
  UninstallInfo.UninstallString =
      SetupConfig.InstallFolderPath + SetupConfig.UninstallFileName + u".exe";
  UninstallInfo.DisplayIcon = UninstallInfo.UninstallString;
  UninstallInfo.DisplayVersion = VersionText;
  UninstallInfo.Publisher = SetupConfig.Publisher;

  RebootSuggestedFlag = 0;
  AntivirusTipShown = 0;
  PluginEnabled = 0;
  DesktopShortcutEnable = 0;
  InstallWindowsKB = 0;
  ShowRebootScreen = 0;
  MultiDisplaySetting = 0;
}

TMainForm::~TMainForm() = default;

void TMainForm::FormShow(ui::Form&) {
  trace::Enter(u"TMainForm::FormShow");
  GetFileVersionText(os::GetModuleFileNameW(), &VersionText);
  if (BackgroundForm)
    BackgroundForm->Window().MoveWindow(0, 0, BackgroundForm->BackgroundWidth,
                                        BackgroundForm->BackgroundHeight);

  if (!PublishDeviceIdGroups()) {
    form_.PostFormMessage(WM_QUIT, 0, 0);
    return;
  }

  Notebook.SetPageIndex(kPageLanguage);
  form_.FocusControl(NextBitBtn);
  PrepareInstall();
}

bool TMainForm::PublishDeviceIdGroups() {
  return LoadDeviceIdGroup(UsbDeviceIdMgr, payload::kConfigFileName, u"USB_VID_PID",
                           payload::kUsbGroupName) == DEVICE_GROUP_LOADED &&
         LoadDeviceIdGroup(HidDeviceIdMgr, payload::kConfigFileName, u"HID_VID_PID",
                           payload::kHidGroupName) == DEVICE_GROUP_LOADED;
}

void TMainForm::PrepareInstall() {
  std::u16string appData;
  // Read into a zeroed buffer of 256 characters: a value that does not fit with its
  // terminator leaves the buffer empty, as a missing variable does.
  if (!os::GetEnvironmentVariableW(u"APPDATA", &appData) || appData.size() > 255) appData.clear();
  ProfileFolderPath = appData + u"\\" + SetupConfig.InstallFolderName + u"\\";

  std::u16string firstFile;
  FindFirstFileName(ProfileFolderPath, firstFile);
  if (firstFile != payload::kConfigFileName || !ProfileCopyIntact(ProfileFolderPath)) {
    // A profile copy that is missing or not in its usual state is refreshed; failures only
    // mean that the language choice is not remembered.
    CreateFolderPath(ProfileFolderPath);
    for (const char16_t* name : {payload::kConfigFileName, u"DefaultProfile.ini"}) {
      CopyFileOverwrite(SetupConfig.SourceFolderFullPath + name, ProfileFolderPath + name);
      os::SetFileAttributesW(ProfileFolderPath + name, FILE_ATTRIBUTE_NORMAL);
    }
  }

  std::u16string languageName;
  ReadDefaultLanguage(languageName);
  LoadSetupFlags();
  CheckLanguageFile(languageName);
  FillLanguageList(languageName);
  LoadLabels(languageName);
  ApplyLabels();
  WriteDefaultAudioSettings(SetupConfig.SourceFolderFullPath + payload::kConfigFileName);
  os::Sleep(100);
}

std::int32_t TMainForm::LoadDeviceIdGroup(DEVICEID_MGR::CDeviceIdMgr& manager,
                                          std::u16string fileName, std::u16string sectionName,
                                          std::u16string groupName) {
  if (manager.LoadGroup(SetupConfig.SourceFolderFullPath + fileName, sectionName) != 0)
    return DEVICE_GROUP_NOT_LOADED;
  if (manager.SaveToRegistry(groupName) != 0) return DEVICE_GROUP_NOT_PUBLISHED;
  return DEVICE_GROUP_LOADED;
}

std::int32_t TMainForm::FindFirstFileName(const std::u16string& folder, std::u16string& name) {
  os::FindData data;
  const os::OwnedFind find(os::FindFirstFileW(folder + u"*.*", &data));
  if (!find) return 0;
  do {
    if (data.fileName.empty() || data.fileName[0] == u'.' ||
        (data.attributes & FILE_ATTRIBUTE_DIRECTORY))
      continue;
    name = data.fileName;
    return 1;
  } while (os::FindNextFileW(find.get(), &data));
  return 0;
}

std::int32_t TMainForm::LoadSetupFlags() {
  const _SETUP_SWITCHES switches =
      ReadSetupSwitches(SetupConfig.SourceFolderFullPath + payload::kConfigFileName);
  PluginEnabled = switches.PluginEnabled;
  DesktopShortcutEnable = switches.DesktopShortcutEnable;
  InstallWindowsKB = switches.InstallWindowsKB;
  ShowRebootScreen = switches.ShowRebootScreen;
  RebootRadioButton.SetVisible(ShowRebootScreen == 1);
  NoRebootRadioButton.SetVisible(ShowRebootScreen == 1);
  MultiDisplaySetting = switches.MultiDisplaySetting;
  if (MultiDisplaySetting == 1) {
    const std::u16string folder = ResolutionFolderFor(os::GetScreenWidth(), os::GetScreenHeight());
    if (!folder.empty()) ResolutionFolder = folder;
  }
  return 0;
}

void TMainForm::NextBitBtnClick(ui::Control&) {
  if (Notebook.PageIndex() != kPageLanguage) return;
  const std::u16string tip = Labels[LABEL_ANTIVIRUS_TIP].Text;
  if (!tip.empty() && AntivirusTipShown == 0) {
    form_.App().ShowMessageBox(&form_, tip, u"Install", MB_OK);
    AntivirusTipShown = 1;
    return;
  }
  Notebook.SetPageIndex(kPageInstall);
  BackBitBtn.SetEnabled(false);
  NextBitBtn.SetEnabled(false);
  // The worker uses this form's members: nothing closes the setup until it has ended, and the
  // finish page always follows.
  CancelBitBtn.SetEnabled(false);
  form_.EnableCloseBox(false);
  installRunning_ = true;
  if (!os::CreateThread(&InstallWorker, this)) {
    // Without a worker nothing will ever complete: tell why and finish at once, as a failed
    // sequence does.
    const os::DWORD error = os::GetLastError();
    trace::Write(u"***** Create install thread FAIL! *****\n");
    InstallFailedFlag = 1;
    form_.App().ShowMessageBox(&form_,
                               Labels[LABEL_WARNING2].Text + text::Format(32, u"(error %u)", error),
                               u"Install", MB_OK);
    form_.PostFormMessage(WM_INSTALL_COMPLETE, 0, 0);
  }
}

os::DWORD InstallWorker(void* form) {
  auto* mainForm = static_cast<TMainForm*>(form);
  mainForm->Install();
  os::Sleep(500);
  mainForm->Window().PostFormMessage(WM_INSTALL_COMPLETE, 0, 0);
  return 0;
}

bool TMainForm::WindowProc(ui::Message& message) {
  if (message.msg == WM_INSTALL_PROGRESS) InstallProgress(message);
  if (message.msg == WM_INSTALL_COMPLETE) InstallComplete();
  return false;  // the standard processing follows for every message
}

void TMainForm::InstallProgress(ui::Message& message) {
  ProgressBar.SetPosition(static_cast<int>(message.wParam));
  form_.App().ProcessMessages();  // repaint now
}

void TMainForm::InstallComplete() {
  installRunning_ = false;
  form_.EnableCloseBox(true);
  Notebook.SetPageIndex(kPageFinish);
  if (InstallFailedFlag == 1) {
    ShowInstallFailed();
  } else {
    if (RebootSuggestedFlag == 1) RebootRadioButton.SetChecked(true);
    if (ShowRebootScreen == 0) RebootRadioButton.SetChecked(false);
  }
  BackBitBtn.SetEnabled(false);
  NextBitBtn.SetEnabled(false);
  CancelBitBtn.SetEnabled(false);
  FinishBitBtn.SetEnabled(true);
  NextBitBtn.Hide();
  CancelBitBtn.Hide();
}

void TMainForm::ShowInstallFailed() {
  _LABEL_INFO record = InstallFailedLabel;
  const std::u16string text = record.Text;
  if (text.empty() || text == u"(null)") CopyLabelText(record.Text, 128, kInstallFailedText);
  ApplyLabel(record, RebootLabel);
  RebootRadioButton.SetChecked(false);
  RebootRadioButton.Hide();
  NoRebootRadioButton.Hide();
}

void TMainForm::FinishBitBtnClick(ui::Control&) {
  if (InstallFailedFlag == 1) {
    // Neither a reboot nor an application that may not be installed: the setup only closes.
    form_.PostFormMessage(WM_CLOSE, 0, 0);
    return;
  }
  if (RebootRadioButton.Checked()) {
    EnableShutdownPrivilege();
    os::ExitWindowsEx(EWX_REBOOT, 0);  // a refused request is not detected; the setup closes
  } else {
    os::ShellExecuteInfo info;
    info.cbSize = 60;
    info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
    info.file = SetupConfig.InstallFolderPath + SetupConfig.APPFileName + u".exe";
    info.parameters = info.file;
    info.nShow = SW_HIDE;
    os::ShellExecuteExW(&info);              // an application that does not start is not reported
    os::OwnedObject started(info.hProcess);  // nobody waits for it
  }
  form_.PostFormMessage(WM_CLOSE, 0, 0);
}

void TMainForm::CancelBitBtnClick(ui::Control&) { form_.Close(); }

void TMainForm::FormCloseQuery(ui::Form&, bool& canClose) {
  // Cancel and the close box are disabled while the worker runs; a close request that comes
  // another way (WM_CLOSE from outside) is refused as well.
  if (installRunning_) canClose = false;
}

void TMainForm::FormClose(ui::Form&, ui::CloseAction&) {
  if (BackgroundForm) BackgroundForm->Window().Close();
}
