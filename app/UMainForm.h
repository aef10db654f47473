// TMainForm: the three-page wizard, and the owner of everything the setup works with.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "app/Labels.h"
#include "install/RegUninstallInfo.h"
#include "config/DeviceIdMgr.h"
#include "config/SetupConfig.h"
#include "platform/InstallMgr.h"
#include "platform/VersionInfoMgr.h"
#include "ui/Application.h"

// Private messages posted to the wizard's window.
constexpr os::UINT WM_INSTALL_PROGRESS = WM_USER + 32;  // wParam: bar position 0..100
constexpr os::UINT WM_INSTALL_COMPLETE = WM_USER + 33;

class TMainForm {
 public:
  explicit TMainForm(ui::Application& app);  // throws when the wizard icon cannot be loaded
  ~TMainForm();
  TMainForm(const TMainForm&) = delete;
  TMainForm& operator=(const TMainForm&) = delete;

  ui::Form& Window() { return form_; }

  // Handlers bound in the form description.
  void FormShow(ui::Form& sender);
  void FormCloseQuery(ui::Form& sender, bool& canClose);
  void FormClose(ui::Form& sender, ui::CloseAction& action);
  void NextBitBtnClick(ui::Control& sender);
  void FinishBitBtnClick(ui::Control& sender);
  void CancelBitBtnClick(ui::Control& sender);
  void ComboBoxChange(ui::Control& sender);

  // The verified USB and HID device-ID groups, loaded and published; false when either fails.
  bool PublishDeviceIdGroups();
  // What showing the wizard prepares besides its pages: the per-user profile copy, language,
  // labels, switches and the default audio settings.
  void PrepareInstall();
  // The unattended install (/S): what showing the wizard and pressing Next do, without any
  // window or message box, on the calling thread. Returns the process exit code.
  std::uint32_t InstallUnattended(bool forceRestart);

  enum DeviceGroupResult : std::int32_t {
    DEVICE_GROUP_LOADED = 0,
    DEVICE_GROUP_NOT_LOADED = 1,     // the section could not be loaded
    DEVICE_GROUP_NOT_PUBLISHED = 2,  // the group could not be written to the registry
  };
  // One of the DeviceGroupResult values.
  std::int32_t LoadDeviceIdGroup(DEVICEID_MGR::CDeviceIdMgr& manager, std::u16string fileName,
                                 std::u16string sectionName, std::u16string groupName);
  // 1 and the name of the folder's first plain file not starting with "."; 0 when none.
  std::int32_t FindFirstFileName(const std::u16string& folder, std::u16string& name);
  // Reads the switches from the source copy, shows or hides the reboot choice and picks the
  // language sub-folder for the screen. Returns 0.
  std::int32_t LoadSetupFlags();
  // The install sequence, run on the worker thread (install/InstallSequence.cpp).
  void Install();
  // The install steps: 0 success, an internal failure code otherwise (install/*Step*.cpp).
  std::uint32_t Install_FilterDriver();
  std::uint32_t Install_Service();
  std::uint32_t Install_Application();
  std::uint32_t Install_EffectApplication();
  std::uint32_t Install_SoundEffectApplication();
  std::uint32_t Install_Uninstaller();
  std::uint32_t Install_SupportFiles();
  std::uint32_t Install_Manual();
  std::uint32_t Install_Plugins();
  std::uint32_t Install_KB3033929();
  std::uint32_t Copy_KB3033929();
  std::uint32_t InstallPluginApplication(std::uint16_t id, const std::u16string& name);
  // Posts WM_INSTALL_PROGRESS with the bar position to the wizard's window.
  void PostProgress(int position);

  // Language and labels.
  void ReadDefaultLanguage(std::u16string& name);
  void CheckLanguageFile(const std::u16string& languageName);
  std::int32_t FillLanguageList(const std::u16string& languageName);
  void LoadLabels(const std::u16string& languageName);
  void LoadLabel(_LABEL_INFO& record, const std::u16string& key, const std::u16string& languageDir);
  void ApplyLabels();
  void ApplyLabel(const _LABEL_INFO& record, ui::Control& label);
  void SaveDefaultLanguage(const std::u16string& name);

  // True from the start of the install worker until its completion message is handled.
  bool InstallRunning() const { return installRunning_; }

 private:
  bool WindowProc(ui::Message& message);
  // The sequence's message box ("Install", OK); only traced when unattended.
  void ShowInstallMessage(const std::u16string& text);
  void InstallProgress(ui::Message& message);
  void InstallComplete();
  // The finish page of an install that did not complete: its text, no reboot choice.
  void ShowInstallFailed();

  ui::Form form_;

 public:
  ui::Control& BackBitBtn;
  ui::Control& NextBitBtn;
  ui::Control& FinishBitBtn;
  ui::Control& CancelBitBtn;
  ui::Control& Notebook;
  ui::Control& SelectLangLabel;
  ui::Control& VersionLabel;
  ui::Control& AudioExtLabel;
  ui::Control& ComboBox;
  ui::Control& InstallLabel;
  ui::Control& ProgressBar;
  ui::Control& RebootLabel;
  ui::Control& RebootRadioButton;
  ui::Control& NoRebootRadioButton;
  ui::Control& DirectoryListBox;
  ui::Control& OriginalComboBox;

  std::int32_t IsWow64 = 0;
  std::u16string VersionText;
  std::int32_t OSClass = 0;
  std::int32_t OSVersionCode = 0;
  std::int32_t ServicePackMajor = 0;
  // Written by the worker before it posts WM_INSTALL_COMPLETE, read when that is handled.
  std::atomic<std::int32_t> RebootSuggestedFlag{0};
  // How the install sequence ended when not with success: the exit code of an unattended run.
  std::uint32_t InstallExitCode = 0;
  // 1 when the sequence ended early (a step's coded failure, the old filter still loaded) or
  // never ran; written and read like RebootSuggestedFlag.
  std::atomic<std::int32_t> InstallFailedFlag{0};
  std::int32_t ShowRebootScreen = 0;
  std::int32_t MultiDisplaySetting = 0;
  std::u16string ResolutionFolder;
  std::int32_t PluginEnabled = 0;
  std::int32_t DesktopShortcutEnable = 0;
  std::int32_t InstallWindowsKB = 0;
  std::uint8_t AntivirusTipShown = 0;
  _LABEL_INFO Labels[LABEL_COUNT] = {};
  // The optional "LabelInstallFailed" entry: the finish page's text after a failed install.
  _LABEL_INFO InstallFailedLabel = {};

  // Members in the order the form constructs them.
  std::u16string ProfileFolderPath;
  DEVICEID_MGR::CDeviceIdMgr UsbDeviceIdMgr;
  DEVICEID_MGR::CDeviceIdMgr HidDeviceIdMgr;
  _APPLICATION_FOLDER_PATH SetupConfig;
  INSTALL_MGR::_REG_UNINSTALL_INFO UninstallInfo;
  DEVICEID_MGR::CDeviceIdMgr DeviceIdMgr3;
  DEVICEID_MGR::CDeviceIdMgr DeviceIdMgr4;
  DEVICEID_MGR::CDeviceIdMgr WhitelistDeviceIdMgr;  // unused: the sequence takes UsbDeviceIdMgr
  DEVICEID_MGR::CDeviceIdMgr DeviceIdMgr6;
  INSTALL_MGR::CInstallMgr InstallMgr;
  VERSIONINFO_MGR::CVersionInfoMgr VersionInfoMgr;
  std::u16string UnusedStrings[6];

 private:
  bool installRunning_ = false;
  bool unattended_ = false;
};

// The worker thread: runs the install sequence, waits 500 ms and posts WM_INSTALL_COMPLETE.
os::DWORD InstallWorker(void* form);
// Enables SeShutdownPrivilege in the process token (needed before ExitWindowsEx).
void EnableShutdownPrivilege();

extern TMainForm* MainForm;
