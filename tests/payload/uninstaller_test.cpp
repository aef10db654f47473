// The uninstaller on the simulated machine, started through the uninstall entry of a whole
// install, as zkt-setup-sim --uninstall and the fault sweep start it.
#include <gtest/gtest.h>

#include "payload/common/ProductNames.h"
#include "payload/uninstall/UninstallMain.h"
#include "platform/os_files.h"
#include "platform/os_ui.h"
#include "platform/sim/sim_pending_renames.h"
#include "support/reg_file.h"
#include "tests/app/wizard_scenario.h"
#include "tools/zkt-setup-sim/UninstallRun.h"

namespace fs = std::filesystem;

namespace {

const std::string kInstall = "C:\\Program Files (x86)\\ZKT 72xx Audio\\";
const std::string kUninstaller = kInstall + "ZKTAudioUninstall.exe";
const std::string kEntry =
    "HKEY_LOCAL_MACHINE\\SOFTWARE\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\"
    "ZKT72xxAudioExt";
const std::string kLogFolder = "C:\\ProgramData\\ZKT 72xx Software";

class Uninstaller : public WizardScenario {
 protected:
  void SetUp() override {
    WizardScenario::SetUp();
    Run("");
    std::string error;
    ASSERT_TRUE(machine().Save(&error)) << error;
    ASSERT_TRUE(fs::exists(Host(kUninstaller)));
    ::sim::ClearMessageBoxes();
  }
  UninstallRun Uninstall(std::vector<std::u16string> args, std::vector<int> answers) {
    ::sim::ClearMessageBoxes();
    return RunUninstallerFromEntry(args, answers);
  }
  bool Exists(const std::string& winPath) { return fs::exists(Host(winPath)); }
  bool EntryExists() {
    std::string error;
    EXPECT_TRUE(machine().Save(&error)) << error;
    return ReadRegFile(folder_ / "registry.reg").find("[" + kEntry + "]") != std::string::npos;
  }
  std::string LastBox() const { return Boxes().empty() ? "" : text::ToUtf8(Boxes().back().text); }
};

TEST_F(Uninstaller, YesRemovesEverythingAndTheRestartTakesItsOwnFile) {
  const UninstallRun run = Uninstall({}, {IDYES});
  ASSERT_TRUE(run.started) << run.error;
  EXPECT_EQ(run.exitCode, 0);
  ASSERT_EQ(Boxes().size(), 3u);  // the question, the settings question (No), the report
  EXPECT_NE(text::ToUtf8(Boxes()[0].text).find("Do you want to remove"), std::string::npos);
  EXPECT_NE(LastBox().find("has been removed from this computer."), std::string::npos);
  EXPECT_FALSE(EntryExists());
  EXPECT_FALSE(Exists(kInstall + "ZKTAudioControl.exe"));
  EXPECT_FALSE(Exists(kInstall + "AudioConfig.cfg"));
  EXPECT_FALSE(Exists(kUninstaller));  // moved aside: a running program's file is held
  EXPECT_TRUE(Exists(kInstall));
  ::sim::RestartWindows();
  EXPECT_FALSE(Exists(kInstall));
  EXPECT_TRUE(Exists("C:\\Users\\User\\AppData\\Roaming\\ZKT 72xx Audio"));  // kept: No
}

TEST_F(Uninstaller, QuietRunAsksNothingAndNoChangesWithoutYes) {
  EXPECT_EQ(Uninstall({u"/S"}, {}).exitCode, 0);
  EXPECT_TRUE(Boxes().empty());
  EXPECT_FALSE(EntryExists());
}

TEST_F(Uninstaller, NoAndBadArgumentsChangeNothing) {
  EXPECT_EQ(Uninstall({}, {IDNO}).exitCode, 1);
  EXPECT_EQ(Uninstall({u"/Bogus"}, {}).exitCode, 87);
  EXPECT_NE(LastBox().find("Unknown argument \"/Bogus\""), std::string::npos);
  EXPECT_TRUE(EntryExists());
  EXPECT_TRUE(Exists(kInstall + "ZKTAudioControl.exe"));
}

TEST_F(Uninstaller, AFailureKeepsTheEntryTheNamesAndItselfSoThatARunAgainFinishes) {
  machine().InjectFault({"DeleteFileW", 0, -1, ERROR_ACCESS_DENIED, "bee.wav"});
  machine().InjectFault({"MoveFileExW", 0, -1, ERROR_ACCESS_DENIED, "bee.wav"});
  const UninstallRun failed = Uninstall({}, {IDYES});
  EXPECT_EQ(failed.exitCode, 2);
  EXPECT_NE(
      LastBox().find("Could not be removed:\n  " + kInstall + "bee.wav: Access is denied (5)"),
      std::string::npos);
  EXPECT_NE(LastBox().find("run it again to finish"), std::string::npos);
  EXPECT_TRUE(EntryExists());
  EXPECT_TRUE(Exists(kInstall + "AudioConfig.cfg"));
  EXPECT_TRUE(Exists(kUninstaller));
  EXPECT_FALSE(Exists(kInstall + "ZKTAudioControl.exe"));

  machine().ClearFaults();
  EXPECT_EQ(Uninstall({u"/S"}, {}).exitCode, 0);
  EXPECT_FALSE(EntryExists());
  EXPECT_FALSE(Exists(kInstall + "bee.wav"));
}

TEST_F(Uninstaller, AFolderWindowsDoesNotNameStopsItBeforeAnyChange) {
  machine().InjectFault({"SHGetSpecialFolderPathW", 0, 1, ERROR_ACCESS_DENIED, "Desktop"});
  EXPECT_EQ(Uninstall({}, {IDYES}).exitCode, 2);
  EXPECT_NE(LastBox().find("Nothing was changed."), std::string::npos);
  EXPECT_TRUE(EntryExists());
  EXPECT_TRUE(Exists("C:\\Users\\User\\Desktop\\ZKT Audio Control.lnk"));
}

// The names come from one read of the installed configuration: a read that fails (another
// program locked the file) stops the run before any change, and the next run finishes.
TEST_F(Uninstaller, AConfigurationThatCannotBeReadStopsItBeforeAnyChange) {
  for (const char* call : {"CreateFileW", "ReadFile"}) {
    SCOPED_TRACE(call);
    machine().InjectFault({call, 0, 1, 33, "AudioConfig.cfg"});  // ERROR_LOCK_VIOLATION
    EXPECT_EQ(Uninstall({}, {IDYES}).exitCode, 2);
    ASSERT_EQ(Boxes().size(), 1u) << "nothing asked before the reason";
    EXPECT_NE(LastBox().find("AudioConfig.cfg could not be read: "), std::string::npos)
        << LastBox();
    EXPECT_NE(LastBox().find("(33)\n\nNothing was changed."), std::string::npos) << LastBox();
    EXPECT_TRUE(EntryExists());
    EXPECT_TRUE(Exists(kInstall + "ZKTAudioControl.exe"));
    EXPECT_TRUE(Exists("C:\\Users\\User\\Desktop\\ZKT Audio Control.lnk"));
    machine().ClearFaults();
  }
  EXPECT_EQ(Uninstall({u"/S"}, {}).exitCode, 0);
  EXPECT_FALSE(EntryExists());
  EXPECT_FALSE(Exists(kInstall + "ZKTAudioControl.exe"));
  EXPECT_FALSE(Exists("C:\\Users\\User\\Desktop\\ZKT Audio Control.lnk"));
}

// The uninstaller queues its own file before the entry goes: a failure of either leaves the
// entry naming the uninstaller where it was, and a run again finishes.
TEST_F(Uninstaller, ItsOwnQueueingOrTheEntryFailingKeepsBothForARunAgain) {
  const std::vector<sim::FaultRule> faults = {
      {"MoveFileExW", 0, 1, ERROR_ACCESS_DENIED, "ZKTAudioUninstall.exe ->"},   // moved aside
      {"MoveFileExW", 1, 1, ERROR_ACCESS_DENIED, "ZKTAudioUninstall.exe."},     // then queued
      {"MoveFileExW", 0, 1, ERROR_ACCESS_DENIED, "(x86)\\ZKT 72xx Audio -> "},  // its folder
      {"RegDeleteKeyExW", 0, 1, ERROR_ACCESS_DENIED, "ZKT72xxAudioExt"}};
  for (const sim::FaultRule& fault : faults) {
    SCOPED_TRACE(fault.call + " " + fault.match);
    machine().InjectFault(fault);
    EXPECT_EQ(Uninstall({}, {IDYES}).exitCode, 2);
    EXPECT_NE(LastBox().find("run it again to finish"), std::string::npos) << LastBox();
    EXPECT_EQ(LastBox().find("ZKTAudioUninstall.exe\n"), std::string::npos)
        << "not listed as going at the restart: " << LastBox();
    EXPECT_TRUE(EntryExists());
    EXPECT_TRUE(Exists(kUninstaller));
    EXPECT_FALSE(Exists(kInstall + "AudioConfig.cfg")) << "it went before the failure";
    machine().ClearFaults();
  }
  // Without the configuration the run again cannot name what the first run already took: it
  // says so (exit code 2) and takes what is left.
  EXPECT_EQ(Uninstall({u"/S"}, {}).exitCode, 2);
  EXPECT_FALSE(EntryExists());
  ::sim::RestartWindows();
  EXPECT_FALSE(Exists(kInstall));
}

TEST_F(Uninstaller, TheLogOfAFolderAUserOwnsIsLeftAlone) {
  WriteFile(kLogFolder + "\\AudioDeviceService.log", "a user's file");
  std::ofstream(folder_ / "owners.txt") << "S-1-5-21-1-2-3-1001\tProgramData/ZKT 72xx Software\n";
  EXPECT_EQ(Uninstall({u"/S"}, {}).exitCode, 0);
  EXPECT_TRUE(Exists(kLogFolder + "\\AudioDeviceService.log"));
  fs::remove(folder_ / "owners.txt");
}

TEST_F(Uninstaller, TheLogOfTheServiceGoesWithItsFolder) {
  WriteFile(kLogFolder + "\\AudioDeviceService.log", "the service's log");
  EXPECT_EQ(Uninstall({u"/S"}, {}).exitCode, 0);
  EXPECT_FALSE(Exists(kLogFolder));
}

TEST_F(Uninstaller, ACopyElsewhereOrNoEntryChangesNothing) {
  std::u16string copy = u"C:\\Users\\User\\Downloads\\ZKTAudioUninstall.exe";
  ASSERT_TRUE(os::CopyFileW(text::FromUtf8(kUninstaller), copy, FALSE));
  machine().SetModulePath(copy);
  ::sim::ClearMessageBoxes();
  EXPECT_EQ(UninstallMain({}), 1605);
  EXPECT_NE(LastBox().find("is installed in C:\\Program Files (x86)\\ZKT 72xx Audio, not in"),
            std::string::npos);
  EXPECT_TRUE(EntryExists());
}

}  // namespace
