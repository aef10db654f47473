// The wizard's pages, buttons, messages and endings, run through the simulated person.
#include "tests/app/wizard_scenario.h"

#include <algorithm>

#include "app/UBackgroundForm.h"
#include "app/UMainForm.h"
#include "platform/os_files.h"
#include "platform/sim/sim_threads.h"

namespace {

class WizardTest : public WizardScenario {
 protected:
  // The anti-virus tip boxes among all boxes (the install steps may show their own).
  std::vector<::sim::MessageBoxRecord> TipBoxes() const {
    std::vector<::sim::MessageBoxRecord> tips;
    for (const auto& box : Boxes())
      if (box.text.rfind(u"Some anti-virus programs", 0) == 0) tips.push_back(box);
    return tips;
  }
  // The last description of the finish page in the transcript.
  static std::string FinishScreen(const ui::sim::Person& person) {
    std::string screen;
    for (const auto& line : person.Transcript())
      if (line.rfind("[FinishPage]", 0) == 0) screen = line;
    return screen;
  }
};

TEST_F(WizardTest, DefaultPersonInstallsAndStartsTheApplicationHidden) {
  SetConfig("Install", "ShowRebootScreen", "0");
  // The installed main application, as the install sequence leaves it.
  const std::string app = "C:\\Program Files (x86)\\ZKT 72xx Audio\\ZKTAudioControl.exe";
  std::filesystem::create_directories(Host(app).parent_path());
  std::ofstream(Host(app), std::ios::binary) << "MZ";
  auto person = Run("");
  EXPECT_TRUE(person->FailedAction().empty()) << person->FailedAction();
  // The tip box comes first; the second Next starts the installation.
  ASSERT_EQ(TipBoxes().size(), 1u);
  EXPECT_EQ(Boxes()[0].text, TipBoxes()[0].text);
  EXPECT_EQ(Boxes()[0].caption, u"Install");
  const auto session = ::sim::Session();
  ASSERT_EQ(session.started.size(), 1u);
  const std::u16string path = u"C:\\Program Files (x86)\\ZKT 72xx Audio\\ZKTAudioControl.exe";
  EXPECT_EQ(session.started[0].file, path);
  EXPECT_EQ(session.started[0].parameters, path);  // its own path, unquoted
  EXPECT_EQ(session.started[0].show, 0);
  EXPECT_TRUE(session.shutdownRequests.empty());
  EXPECT_EQ(person->Page(), u"FinishPage");
  EXPECT_FALSE(person->ActionsLeft());
}

TEST_F(WizardTest, AntivirusTipIsShownOnceEvenAfterALanguageChange) {
  auto person = Run("next,language=German,next,cancel");
  ASSERT_EQ(TipBoxes().size(), 1u);
  for (const auto& box : Boxes()) EXPECT_EQ(box.text.find(u"Virenscanner"), std::u16string::npos);
  // The second Next started the installation, so Cancel was no longer shown.
  EXPECT_EQ(person->FailedAction(), "cancel: CancelBitBtn is not shown");
  EXPECT_EQ(person->Page(), u"FinishPage");
}

TEST_F(WizardTest, EmptyAntivirusTipStartsAtOnce) {
  WriteLanguage("English", {"LabelNextBtn=Next >", "LabelTitle=T", "AntivirusTip="});
  auto person = Run("next");
  EXPECT_TRUE(TipBoxes().empty());
  EXPECT_EQ(person->Page(), u"FinishPage");
}

TEST_F(WizardTest, FinishPageFollowsShowRebootScreen) {
  // Without a suggested reboot (the flag stays 0 here) "No, reboot later" stays selected
  // when the choice is offered, and both choices are hidden otherwise.
  for (const char* value : {"0", "1", "2"}) {
    SCOPED_TRACE(value);
    SetConfig("Install", "ShowRebootScreen", value);
    SetConfig("Install", "InstallWindowsKB", "0");  // no STEP10, so no reboot is suggested
    ::sim::ClearMessageBoxes();
    auto person = Run("next,next");
    const bool shown = std::string(value) == "1";
    EXPECT_EQ(person->View(u"RebootRadioButton").showing, shown);
    EXPECT_EQ(person->View(u"NoRebootRadioButton").showing, shown);
    EXPECT_FALSE(person->View(u"RebootRadioButton").checked);
    EXPECT_TRUE(person->View(u"NoRebootRadioButton").checked);
    EXPECT_TRUE(person->View(u"FinishBitBtn").enabled);
    EXPECT_FALSE(person->View(u"NextBitBtn").showing);
    EXPECT_FALSE(person->View(u"CancelBitBtn").showing);
  }
}

TEST_F(WizardTest, RebootChoiceEnablesThePrivilegeAndRestartsWindows) {
  SetConfig("Install", "ShowRebootScreen", "1");
  Run("next,next,reboot-yes,finish");
  const auto session = ::sim::Session();
  ASSERT_EQ(session.shutdownRequests.size(), 1u);
  EXPECT_EQ(session.shutdownRequests[0], 2u);  // EWX_REBOOT
  ASSERT_EQ(session.enabledPrivileges.size(), 1u);
  EXPECT_EQ(session.enabledPrivileges[0], u"SeShutdownPrivilege");
  EXPECT_TRUE(session.started.empty());
}

TEST_F(WizardTest, RefusedRebootStillClosesTheSetup) {
  SetConfig("Install", "ShowRebootScreen", "1");
  machine().InjectFault({"AdjustTokenPrivileges", 0, -1, ERROR_ACCESS_DENIED, ""});
  auto person = Run("next,next,reboot-yes,finish,next");
  EXPECT_TRUE(::sim::Session().shutdownRequests.empty());
  EXPECT_TRUE(person->LoopEnded());
  EXPECT_TRUE(person->ActionsLeft());  // the setup ended before the last action
}

TEST_F(WizardTest, CloseBoxOnTheFinishPageNeitherRebootsNorStartsTheApplication) {
  SetConfig("Install", "ShowRebootScreen", "1");
  auto person = Run("next,next,reboot-yes,close,finish");
  const auto session = ::sim::Session();
  EXPECT_TRUE(session.shutdownRequests.empty());
  EXPECT_TRUE(session.started.empty());
  EXPECT_TRUE(person->LoopEnded());
}

TEST_F(WizardTest, ApplicationThatDoesNotStartIsNotReportedAndTheSetupCloses) {
  machine().InjectFault({"ShellExecuteExW", 0, -1, ERROR_FILE_NOT_FOUND, ""});
  auto person = Run("next,next,finish,next");
  EXPECT_TRUE(::sim::Session().started.empty());
  const auto& lines = person->Transcript();
  const auto finish = std::find(lines.begin(), lines.end(), "> finish");
  ASSERT_NE(finish, lines.end());
  for (auto it = finish; it != lines.end(); ++it) EXPECT_NE(it->rfind("message box", 0), 0u) << *it;
  EXPECT_TRUE(person->LoopEnded());
  EXPECT_TRUE(person->ActionsLeft());  // the setup closed after Finish
}

TEST_F(WizardTest, ProfileCopyIsMadeOnceAndRemembersTheLanguage) {
  Run("language=German,cancel");
  const auto profile = Host("C:\\Users\\User\\AppData\\Roaming\\ZKT 72xx Audio\\AudioConfig.cfg");
  ASSERT_TRUE(std::filesystem::exists(profile));
  EXPECT_TRUE(std::filesystem::exists(profile.parent_path() / "DefaultProfile.ini"));
  ReopenMachine();
  auto second = Run("cancel");
  EXPECT_EQ(second->View(u"ComboBox").items[second->View(u"ComboBox").itemIndex], u"Deutsch");
  EXPECT_EQ(second->View(u"NextBitBtn").caption, u"Weiter >");
}

TEST_F(WizardTest, ProfileFolderWithAnotherFirstFileIsCopiedAfresh) {
  const auto folder = Host("C:\\Users\\User\\AppData\\Roaming\\ZKT 72xx Audio\\");
  std::filesystem::create_directories(folder);
  std::ofstream(folder / "Aaa.txt") << "x";
  std::ofstream(folder / "AudioConfig.cfg") << "[Language]\r\nDefaultLanguage=German\r\n";
  auto person = Run("cancel");
  // Refreshed from the sample, whose default language is English.
  EXPECT_EQ(person->View(u"NextBitBtn").caption, u"Next >");
}

// An install that did not complete says so on the finish page, offers no reboot, and Finish
// only closes the setup: after a failed step and after the old filter's warning alike.
TEST_F(WizardTest, FailedInstallEndsOnAPageThatSaysSoAndFinishOnlyCloses) {
  struct Case {
    const char* name;
    std::string machineIni;
    ::sim::FaultRule fault;
  } const cases[] = {
      {"application unwritable",
       "",
       {"CreateFileW", 0, 1, ERROR_SHARING_VIOLATION, "ZKTAudioControl.exe"}},
      {"old filter loaded", "[ControlDevices]\nClass#UsbAudioExtension&B7D2&00=1\n", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    OpenMachine(c.machineIni);
    CopySample();
    ::sim::ClearMessageBoxes();
    ::sim::ClearSession();
    SetConfig("Install", "ShowRebootScreen", "1");
    if (!c.fault.call.empty()) machine().InjectFault(c.fault);
    auto person = Run("next,next,finish,next");
    ASSERT_EQ(Boxes().size(), 2u);  // the tip, then the failure
    // The finish page as the person saw it before pressing Finish.
    const std::string page = FinishScreen(*person);
    EXPECT_NE(page.find("\n  text: The installation did not complete. Finish closes the setup "
                        "without restarting Windows."),
              std::string::npos)
        << page;
    EXPECT_EQ(page.find("choice:"), std::string::npos) << page;
    const auto session = ::sim::Session();
    EXPECT_TRUE(session.shutdownRequests.empty());
    EXPECT_TRUE(session.started.empty());
    EXPECT_TRUE(person->LoopEnded());
    EXPECT_TRUE(person->ActionsLeft());  // Finish closed the setup
  }
}

TEST_F(WizardTest, FailedInstallTextFallsBackToEnglishWhenTheLanguageHasNone) {
  WriteLanguage("English", {"LabelNextBtn=Next >", "LabelReboot=(null)", "AntivirusTip="});
  machine().InjectFault({"CreateFileW", 0, 1, ERROR_ACCESS_DENIED, "ZEVor.sys"});
  auto person = Run("next,finish");
  // Shown also where the language hides the reboot text.
  EXPECT_NE(FinishScreen(*person).find("text: " + text::ToUtf8(kInstallFailedText)),
            std::string::npos);
  EXPECT_TRUE(::sim::Session().started.empty());
}

TEST_F(WizardTest, LanguageFilesTranslateTheFailedInstallText) {
  SetConfig("Install", "ShowRebootScreen", "1");
  machine().InjectFault({"CreateFileW", 0, 1, ERROR_ACCESS_DENIED, "ZEVor.sys"});
  auto person = Run("language=German,next,next");
  EXPECT_EQ(
      person->View(u"RebootLabel").caption,
      u"Die Installation wurde nicht abgeschlossen. \u201EFertig\u201C beendet das Setup ohne "
      u"Neustart von Windows.");
}

// The completion handler and the close rule, driven directly on the forms.
class WizardFormTest : public WizardScenario {
 protected:
  void SetUp() override {
    WizardScenario::SetUp();
    forms_ = std::make_unique<WizardForms>();
    app_ = forms_->app.get();
  }
  void TearDown() override {
    forms_.reset();
    WizardScenario::TearDown();
  }
  void Complete(int showRebootScreen, int rebootSuggested) {
    MainForm->ShowRebootScreen = showRebootScreen;
    MainForm->RebootSuggestedFlag = rebootSuggested;
    MainForm->Window().Perform(WM_INSTALL_COMPLETE, 0, 0);
  }
  std::unique_ptr<WizardForms> forms_;
  ui::Application* app_ = nullptr;
};

TEST_F(WizardFormTest, CompletionCombinationsOfShowRebootScreenAndSuggestedReboot) {
  struct Case {
    int show, suggested;
    bool rebootChecked, noRebootChecked;
  } const cases[] = {
      {0, 0, false, true}, {0, 1, false, false}, {1, 0, false, true},
      {1, 1, true, false}, {2, 0, false, true},  {2, 1, true, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message()
                 << "ShowRebootScreen " << c.show << " suggested " << c.suggested);
    MainForm->RebootRadioButton.SetChecked(false);
    MainForm->NoRebootRadioButton.SetChecked(true);
    Complete(c.show, c.suggested);
    EXPECT_EQ(MainForm->RebootRadioButton.Checked(), c.rebootChecked);
    EXPECT_EQ(MainForm->NoRebootRadioButton.Checked(), c.noRebootChecked);
    EXPECT_EQ(MainForm->Notebook.PageIndex(), 2);
    EXPECT_TRUE(MainForm->FinishBitBtn.Enabled());
    EXPECT_FALSE(MainForm->CancelBitBtn.Enabled());
    EXPECT_FALSE(MainForm->NextBitBtn.Visible());
  }
}

TEST_F(WizardFormTest, ProgressMessageMovesTheBar) {
  MainForm->Window().Perform(WM_INSTALL_PROGRESS, 42, 0);
  EXPECT_EQ(MainForm->ProgressBar.Position(), 42);
}

TEST_F(WizardFormTest, NothingClosesTheSetupWhileTheWorkerRunsAndTheFinishPageFollows) {
  MainForm->Window().Show();
  MainForm->ComboBox.SetItemIndex(0);
  MainForm->Labels[LABEL_ANTIVIRUS_TIP].Text[0] = u'\0';
  EXPECT_TRUE(MainForm->CancelBitBtn.Enabled());
  EXPECT_TRUE(MainForm->Window().CloseBoxEnabled());
  MainForm->NextBitBtn.Click();
  ASSERT_TRUE(MainForm->InstallRunning());
  EXPECT_FALSE(MainForm->CancelBitBtn.Enabled());
  EXPECT_FALSE(MainForm->Window().CloseBoxEnabled());
  // Requests that come another way are refused: WM_CLOSE from outside, the taskbar's Close.
  MainForm->Window().Perform(WM_CLOSE, 0, 0);
  BackgroundForm->Window().Close();
  EXPECT_TRUE(MainForm->Window().Visible());
  EXPECT_FALSE(app_->Terminated());
  ::sim::WaitForThreads();
  app_->ProcessMessages();  // the completion message arrives
  EXPECT_FALSE(MainForm->InstallRunning());
  EXPECT_EQ(MainForm->Notebook.PageIndex(), 2);
  EXPECT_FALSE(app_->Terminated());  // the finish page stays for the person to read
  EXPECT_TRUE(MainForm->Window().CloseBoxEnabled());
  MainForm->Window().Close();
  EXPECT_TRUE(app_->Terminated());
}

TEST_F(WizardFormTest, WorkerThatCannotStartEndsAsAFailedInstall) {
  MainForm->Window().Show();
  MainForm->Labels[LABEL_ANTIVIRUS_TIP].Text[0] = u'\0';
  machine().InjectFault({"CreateThread", 0, 1, ERROR_NOT_ENOUGH_MEMORY, ""});
  ::sim::ClearMessageBoxes();
  MainForm->NextBitBtn.Click();
  app_->ProcessMessages();
  // The person is told, with the reason Windows gave.
  ASSERT_EQ(::sim::MessageBoxes().size(), 1u);
  EXPECT_EQ(::sim::MessageBoxes()[0].text,
            std::u16string(MainForm->Labels[LABEL_WARNING2].Text) + u"(error 8)");
  EXPECT_EQ(MainForm->Notebook.PageIndex(), 2);
  EXPECT_EQ(MainForm->InstallFailedFlag.load(), 1);
  EXPECT_FALSE(MainForm->RebootRadioButton.Visible());
}

// A profile copy that failed half-way (one file missing, one left read-only) is made again by
// the next run instead of staying broken.
TEST_F(WizardTest, ProfileCopyThatFailedHalfWayIsMadeAgain) {
  const std::string folder = "C:\\Users\\User\\AppData\\Roaming\\ZKT 72xx Audio\\";
  machine().InjectFault({"CopyFileW", 0, 1, 112 /* ERROR_DISK_FULL */, "DefaultProfile.ini"});
  Run("cancel");
  EXPECT_FALSE(std::filesystem::exists(Host(folder + "DefaultProfile.ini")));
  ReopenMachine();
  Run("cancel");
  EXPECT_TRUE(std::filesystem::exists(Host(folder + "DefaultProfile.ini")));

  const std::u16string config = text::FromUtf8(folder) + u"AudioConfig.cfg";
  ASSERT_TRUE(os::SetFileAttributesW(config, FILE_ATTRIBUTE_READONLY));
  ReopenMachine();
  Run("cancel");
  EXPECT_EQ(os::GetFileAttributesW(config) & FILE_ATTRIBUTE_READONLY, 0u);
}

// The APPDATA value is read into 256 characters: one that does not fit reads as empty.
class ProfileFolderTest : public WizardScenario {
 protected:
  std::u16string ProfileFolderWithAppData(std::size_t length) {
    const std::string appData = "C:\\" + std::string(length - 3, 'a');
    OpenMachine("[Environment]\nAPPDATA=" + appData + "\n");
    CopySample();
    WizardForms forms;
    MainForm->Window().Show();
    return MainForm->ProfileFolderPath;
  }
};

TEST_F(ProfileFolderTest, AppDataOf256CharactersOrMoreReadsAsEmpty) {
  EXPECT_EQ(ProfileFolderWithAppData(255),
            u"C:\\" + std::u16string(252, u'a') + u"\\ZKT 72xx Audio\\");
  EXPECT_EQ(ProfileFolderWithAppData(256), u"\\ZKT 72xx Audio\\");
  EXPECT_EQ(ProfileFolderWithAppData(300), u"\\ZKT 72xx Audio\\");
}

}  // namespace
