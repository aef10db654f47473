// Whole installations on described machines, checked through the machine folder afterwards
// (registry.reg read as text, files on drive C:, the service and process logs, debug.log).
#include <gtest/gtest.h>

#include "platform/os_registry.h"
#include "platform/sim/sim_devices.h"
#include "platform/sim/sim_messages.h"
#include "platform/sim/sim_process.h"
#include "platform/sim/sim_resources.h"
#include "platform/sim/sim_services.h"
#include "support/reg_file.h"
#include "tests/app/wizard_scenario.h"

namespace fs = std::filesystem;

namespace {

const std::string kInstall = "C:\\Program Files (x86)\\ZKT 72xx Audio\\";
const std::string kPrograms = "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\";
const std::string kWow = "HKEY_LOCAL_MACHINE\\SOFTWARE\\WOW6432Node\\";
const std::string kCbs =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Component Based "
    "Servicing\\";

class InstallScenario : public WizardScenario {
 protected:
  // A fresh machine of the given description with the sample setup folder beside the program.
  void UseMachine(const std::string& ini) {
    OpenMachine(ini);
    CopySample();
  }
  // Runs the default person (Next until the installation starts, then Finish).
  std::unique_ptr<ui::sim::Person> Install(const std::string& actions = "") {
    auto person = Run(actions);
    std::string error;
    EXPECT_TRUE(machine().Save(&error)) << error;
    return person;
  }
  std::string RegText() { return ReadRegFile(folder_ / "registry.reg"); }
  std::string Reg(const std::string& key) { return RegKeyBlock(RegText(), key); }
  std::string FileText(const std::string& winPath) {
    std::ifstream in(Host(winPath), std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  }
  bool Exists(const std::string& winPath) { return fs::exists(Host(winPath)); }
  std::vector<std::u16string> BoxTexts() const {
    std::vector<std::u16string> texts;
    for (const auto& b : Boxes()) texts.push_back(b.text);
    return texts;
  }
  std::u16string LastBox() const { return Boxes().empty() ? u"" : Boxes().back().text; }
  static bool Contains(const std::string& haystack, const std::string& needle) {
    return haystack.find(needle) != std::string::npos;
  }
  bool Launched(const std::string& needle) {
    for (const auto& line : ::sim::ProcessLog())
      if (Contains(line, needle)) return true;
    return false;
  }
};

const char kWin10x64[] = "[Windows]\nVersion=10.0\nArchitecture=x64\n";
const char kWin7x64Sp1[] = "[Windows]\nVersion=6.1\nServicePack=1\nArchitecture=x64\n";
const char kWin7x64[] = "[Windows]\nVersion=6.1\nServicePack=0\nArchitecture=x64\n";
const char kWin7x86[] = "[Windows]\nVersion=6.1\nServicePack=1\nArchitecture=x86\n";

TEST_F(InstallScenario, Windows10x64InstallsEverythingInItsPlace) {
  UseMachine(kWin10x64);
  auto person = Install();
  EXPECT_EQ(BoxTexts().size(), 1u) << text::ToUtf8(LastBox());  // the anti-virus tip only
  EXPECT_EQ(person->Progress(),
            (std::vector<int>{1, 10, 20, 30, 40, 50, 60, 70, 80, 90, 95, 98, 98, 100}));
  EXPECT_EQ(person->Page(), u"FinishPage");

  // 64-bit driver and service in the 64-bit system folder (redirection was off), the update
  // package in the 32-bit one (written with redirection on).
  EXPECT_TRUE(Contains(FileText("C:\\Windows\\System32\\drivers\\ZEVor.sys"), "x64 build"));
  EXPECT_FALSE(Exists("C:\\Windows\\SysWOW64\\drivers\\ZEVor.sys"));
  EXPECT_TRUE(Contains(FileText("C:\\Windows\\System32\\AudioDeviceService.exe"), "x64 build"));
  EXPECT_TRUE(Exists("C:\\Windows\\SysWOW64\\Windows6.1-KB3033929-x64.msu"));
  EXPECT_FALSE(Exists("C:\\Windows\\System32\\Windows6.1-KB3033929-x64.msu"));

  const std::string driver = Reg("HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\ZEVor");
  EXPECT_TRUE(Contains(driver, "\"Start\"=dword:00000003")) << driver;
  EXPECT_TRUE(Contains(driver, "\"Type\"=dword:00000001")) << driver;

  // The registration run was the quoted image with " /Service", then the service started.
  EXPECT_TRUE(Launched("\"C:\\Windows\\system32\\AudioDeviceService.exe\" /Service"));
  EXPECT_EQ(::sim::ServiceState(u"AudioDeviceService"), 4u);  // SERVICE_RUNNING

  // The fifteen launch modes in the 32-bit view, quoted paths.
  const std::string modes = Reg(kWow + "ZKT 72xx Software");
  EXPECT_TRUE(Contains(modes,
                       "\"UserPrivilegeExecution_C0\"=\"\\\"C:\\\\Program Files (x86)"
                       "\\\\ZKT 72xx Audio\\\\ZKTAudioControl.exe\\\" -servicestart\""))
      << modes;
  EXPECT_TRUE(Contains(modes,
                       "\"AdminPrivilegeExecutionOnBoot_D4\"=\"\\\"C:\\\\Program Files "
                       "(x86)\\\\ZKT 72xx Audio\\\\Plugin\\\\ZKTSoundEffect\\\\"
                       "ZKTSoundEffect.exe\\\" -serviceboot\""))
      << modes;
  std::size_t launchModes = 0;
  for (std::size_t at = modes.find("PrivilegeExecution"); at != std::string::npos;
       at = modes.find("PrivilegeExecution", at + 1))
    ++launchModes;
  EXPECT_EQ(launchModes, 15u) << modes;

  const std::string run = Reg(kWow + "Microsoft\\Windows\\CurrentVersion\\Run");
  EXPECT_TRUE(Contains(run,
                       "\"ZKTAudioControl\"=\"\\\"C:\\\\Program Files (x86)\\\\ZKT 72xx "
                       "Audio\\\\ZKTAudioControl.exe\\\" -boot\""))
      << run;

  // The uninstall entry: the command quoted, the icon as the bare path.
  const std::string entry =
      Reg(kWow + "Microsoft\\Windows\\CurrentVersion\\Uninstall\\ZKT72xxAudioExt");
  EXPECT_TRUE(Contains(entry,
                       "\"UninstallString\"=\"\\\"C:\\\\Program Files (x86)\\\\ZKT 72xx "
                       "Audio\\\\ZKTAudioUninstall.exe\\\"\""))
      << entry;
  EXPECT_TRUE(Contains(entry,
                       "\"DisplayIcon\"=\"C:\\\\Program Files (x86)\\\\ZKT 72xx "
                       "Audio\\\\ZKTAudioUninstall.exe\""))
      << entry;
  EXPECT_TRUE(Contains(entry, "\"Publisher\"=\"ZKT\"")) << entry;

  // Applications, data and shortcuts.
  for (const char* file :
       {"ZKTAudioControl.exe", "ZKTAudioUninstall.exe", "AudioConfig.cfg", "Setup.ico", "bee.wav",
        "DLLZK_UsbAudio72xx_x32.dll", "Plugin\\ZKTEffect\\ZKTEffect.exe",
        "Plugin\\ZKTSoundEffect\\ZKTSoundEffect.exe", "Plugin\\ZKTEffect\\Presets.ini"})
    EXPECT_TRUE(Exists(kInstall + file)) << file;
  EXPECT_TRUE(Exists(kInstall + "Skin\\Skin\\1920x1080"));
  EXPECT_TRUE(Exists(kInstall + "Language\\Language\\English\\Language.ini"));
  EXPECT_TRUE(Exists(kPrograms + "ZKT 72xx Audio\\ZKT Audio Control.lnk"));
  EXPECT_TRUE(Exists(kPrograms + "ZKT 72xx Audio\\Uninstall ZKT 72xx Audio.lnk"));
  EXPECT_TRUE(Exists(kPrograms + "ZKT 72xx Audio\\ZKT Audio User Manual.lnk"));
  EXPECT_TRUE(Exists("C:\\Users\\User\\Desktop\\ZKT Audio Control.lnk"));

  // The trace of the run, in order.
  const std::string log = DebugText();
  std::size_t at = 0;
  for (const char* line :
       {"==> TMainForm::Install\n", "===== Install STEP1 =====\n", "===== Install STEP2 =====\n",
        "===== Install STEP5 =====\n", "ZKTAudioControlSetup:  ==> TMainForm::Copy_KB3033929\n",
        "===== Install STEP8.1 =====\n", "===== Install STEP9 =====\n",
        "===== Install STEP10 =====\n", "##### The OS is not Win7 #####\n"}) {
    const std::size_t next = log.find(line, at);
    ASSERT_NE(next, std::string::npos) << line << "\n" << log;
    at = next;
  }
  // The companion applications were asked to exit twice (sequence start and STEP2).
  const auto broadcasts = ::sim::BroadcastLog();
  ASSERT_EQ(broadcasts.size(), 2u);
  EXPECT_TRUE(Contains(broadcasts[0], "broadcast WM_ZKT72xxAPP_EXIT"));
}

TEST_F(InstallScenario, Windows7x86UsesThe32BitPayloadsAndTheOnlyViews) {
  UseMachine(kWin7x86);
  Install();
  EXPECT_EQ(BoxTexts().size(), 1u) << text::ToUtf8(LastBox());
  EXPECT_TRUE(Contains(FileText("C:\\Windows\\System32\\drivers\\ZEVor.sys"), "x86 build"));
  EXPECT_TRUE(Contains(FileText("C:\\Windows\\System32\\AudioDeviceService.exe"), "x86 build"));
  EXPECT_TRUE(Exists("C:\\Program Files\\ZKT 72xx Audio\\ZKTAudioControl.exe"));
  EXPECT_FALSE(Contains(RegText(), "WOW6432Node"));
  EXPECT_TRUE(Contains(Reg("HKEY_LOCAL_MACHINE\\SOFTWARE\\ZKT 72xx Software"),
                       "\"UserPrivilegeExecution_C0\""));
  EXPECT_TRUE(Contains(DebugText(), "##### The OS is 32-Bit #####\n"));
  EXPECT_FALSE(Launched(".msu"));
}

TEST_F(InstallScenario, Windows7x64Sp1WithoutTheUpdateLaunchesItAndSuggestsAReboot) {
  UseMachine(std::string(kWin7x64Sp1) + "[Program:Windows6.1-KB3033929-x64.msu]\nRunTime=90000\n");
  const std::uint64_t before = machine().Now();
  auto person = Install();
  // The package opened through its file association, from the 32-bit system folder's name.
  EXPECT_TRUE(Launched("\"C:\\Windows\\system32\\Windows6.1-KB3033929-x64.msu\""));
  EXPECT_GE(machine().Now() - before, 90000u);  // the setup waited for the update installer
  EXPECT_EQ(person->Progress().back(), 100);
  // The suggestion preselects the reboot, so the default Finish restarts Windows.
  ASSERT_EQ(::sim::Session().shutdownRequests.size(), 1u);
  EXPECT_EQ(::sim::Session().shutdownRequests[0], 2u);
  const std::string log = DebugText();
  EXPECT_TRUE(Contains(log,
                       "===== Install STEP10 =====\n"
                       "ZKTAudioControlSetup:  ==> TMainForm::Install_KB3033929\n"
                       "***** Service pack KDB3033929 not EXIST! *****\n"
                       "***** Service pack KDB3033929 not EXIST! *****\n"))
      << log;
}

TEST_F(InstallScenario, TheComponentStoreDecidesWhetherTheUpdateRuns) {
  struct Case {
    const char* name;
    std::string key;  // under HKLM, in the 64-bit view
    bool launched;
  } cases[] = {
      {"package key", kCbs + "Packages\\Package_for_KB3033929~31bf3856ad364e35~amd64~~6.1.1.1",
       false},
      {"applicability key only",
       kCbs + "ApplicabilityEvaluationCache\\Package_for_KB3033929~31bf3856ad364e35~amd64~~6.1.1.1",
       false},
      {"package key in other letter case",
       kCbs + "Packages\\package_for_kb3033929~31bf3856ad364e35~amd64~~6.1.1.1", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    UseMachine(kWin7x64Sp1);
    os::HKEY key = nullptr;
    os::DWORD disposition = 0;
    ASSERT_EQ(os::RegCreateKeyExW(HKEY_LOCAL_MACHINE, text::FromUtf8(c.key), u"", 0,
                                  KEY_ALL_ACCESS | KEY_WOW64_64KEY, &key, &disposition),
              ERROR_SUCCESS);
    os::RegCloseKey(key);
    ::sim::ClearMessageBoxes();
    auto person = Install();
    EXPECT_EQ(Launched("Windows6.1-KB3033929-x64.msu"), c.launched);
    EXPECT_EQ(person->Progress().back(), 100);  // a reboot is suggested in every case
  }
}

TEST_F(InstallScenario, Windows7x64WithoutServicePackSkipsTheUpdate) {
  UseMachine(kWin7x64);
  auto person = Install();
  EXPECT_FALSE(Launched(".msu"));
  EXPECT_TRUE(
      Contains(DebugText(), "##### The OS is Win7, but not install the service pack! #####\n"));
  EXPECT_TRUE(Exists("C:\\Windows\\SysWOW64\\Windows6.1-KB3033929-x64.msu"));
}

TEST_F(InstallScenario, LoadedFilterStopsEverythingWithTheFirstWarning) {
  UseMachine(std::string(kWin10x64) + "[ControlDevices]\nClass#UsbAudioExtension&B7D2&00=1\n");
  auto person = Install();
  ASSERT_EQ(Boxes().size(), 2u);
  EXPECT_TRUE(person->Progress().empty());
  EXPECT_EQ(person->Page(), u"FinishPage");  // the completion still arrives
  EXPECT_FALSE(Exists("C:\\Windows\\System32\\drivers\\ZEVor.sys"));
  EXPECT_FALSE(Contains(DebugText(), "===== Install STEP1"));
  EXPECT_FALSE(Contains(RegText(), "ZEVor"));
}

TEST_F(InstallScenario, EachFailingStepShowsItsCodeAndKeepsWhatWasDone) {
  struct Case {
    const char* name;
    std::string machineExtra;
    sim::FaultRule fault;
    const char16_t* code;
    const char* keptFile;  // written by an earlier step, still there
  } cases[] = {
      {"driver image unwritable",
       "",
       {"CreateFileW", 0, 1, ERROR_ACCESS_DENIED, "ZEVor.sys"},
       u"(Code = 0x80000001)",
       nullptr},
      {"registration run never ends",
       "[Program:AudioDeviceService.exe]\nRunTime=never\n",
       {},
       u"(Code = 0x80000002)",
       "C:\\Windows\\System32\\drivers\\ZEVor.sys"},
      {"registration run cannot start",
       "[Program:AudioDeviceService.exe]\nStartError=5\n",
       {},
       u"(Code = 0x80000002)",
       "C:\\Windows\\System32\\AudioDeviceService.exe"},
      {"Run key refused",
       "",
       {"RegCreateKeyExW", 0, 1, ERROR_ACCESS_DENIED, "CurrentVersion\\Run"},
       u"(Code = 0x80000003)",
       "C:\\Program Files (x86)\\ZKT 72xx Audio\\ZKTAudioControl.exe"},
      {"uninstaller unwritable",
       "",
       {"CreateFileW", 0, 1, ERROR_ACCESS_DENIED, "ZKTAudioUninstall"},
       u"(Code = 0x80000004)",
       "C:\\Program Files (x86)\\ZKT 72xx Audio\\ZKTAudioControl.exe"},
      {"effect application unwritable",
       "",
       {"CreateFileW", 0, 1, ERROR_ACCESS_DENIED, "ZKTEffect.exe"},
       u"(Code = 0x80000008)",
       "C:\\Program Files (x86)\\ZKT 72xx Audio\\ZKTAudioUninstall.exe"},
      {"sound-effect application unwritable",
       "",
       {"CreateFileW", 0, 1, ERROR_ACCESS_DENIED, "ZKTSoundEffect.exe"},
       u"(Code = 0x80000008)",
       "C:\\Program Files (x86)\\ZKT 72xx Audio\\Plugin\\ZKTEffect\\ZKTEffect.exe"},
      {"update launch failing",
       "",
       {"ShellExecuteExW", 0, 1, ERROR_ACCESS_DENIED, ".msu"},
       u"(Code = 0x80000006)",
       "C:\\Windows\\SysWOW64\\Windows6.1-KB3033929-x64.msu"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    UseMachine(std::string(kWin7x64Sp1) + c.machineExtra);
    if (!c.fault.call.empty()) machine().InjectFault(c.fault);
    ::sim::ClearMessageBoxes();
    auto person = Install();
    ASSERT_EQ(Boxes().size(), 2u);
    EXPECT_EQ(LastBox(), std::u16string(u"Setup could not complete the installation.") + c.code);
    EXPECT_EQ(Boxes().back().caption, u"Install");
    EXPECT_EQ(person->Page(), u"FinishPage");
    EXPECT_FALSE(person->View(u"RebootRadioButton").checked);  // no reboot suggested
    if (c.keptFile) {
      EXPECT_TRUE(Exists(c.keptFile)) << c.keptFile;
    }
  }
}

// Windows refusing to switch WOW64 redirection off would put the 64-bit driver or service
// into the 32-bit system folder, where nothing loads it; refusing to switch it back on would put
// the later 32-bit files (the update package) into the 64-bit one. The step fails instead.
TEST_F(InstallScenario, RedirectionThatCannotBeSwitchedFailsTheStepAndWritesNothingAstray) {
  for (const char* call : {"Wow64DisableWow64FsRedirection", "Wow64RevertWow64FsRedirection"}) {
    SCOPED_TRACE(call);
    // Which of the run's switches STEP1 and STEP2 make (start-up makes some of its own).
    UseMachine(kWin10x64);
    std::vector<int> inStep;
    int calls = 0;
    machine().SetCallObserver([&](const char* name, const std::u16string&, bool) {
      if (std::string(name) != call) return;
      const std::string log = DebugText();
      if (log.find("STEP1 =====") != std::string::npos &&
          log.find("STEP3 =====") == std::string::npos)
        inStep.push_back(calls);
      ++calls;
    });
    Install();
    machine().SetCallObserver(nullptr);
    ASSERT_EQ(inStep.size(), 2u);
    for (int step : {0, 1}) {
      const int skip = inStep[step];
      SCOPED_TRACE(step == 0 ? "driver" : "service");
      UseMachine(kWin10x64);
      machine().InjectFault({call, skip, 1, ERROR_INVALID_FUNCTION, ""});
      ::sim::ClearMessageBoxes();
      auto person = Install();
      EXPECT_EQ(LastBox(), std::u16string(u"Setup could not complete the installation.") +
                               (step == 0 ? u"(Code = 0x80000001)" : u"(Code = 0x80000002)"));
      EXPECT_EQ(person->Page(), u"FinishPage");
      EXPECT_FALSE(Exists("C:\\Windows\\SysWOW64\\drivers\\ZEVor.sys"));
      EXPECT_FALSE(Exists("C:\\Windows\\SysWOW64\\AudioDeviceService.exe"));
      EXPECT_FALSE(Exists("C:\\Windows\\System32\\Windows6.1-KB3033929-x64.msu"));
    }
  }
}

TEST_F(InstallScenario, MissingPayloadFailsItsStep) {
  UseMachine(kWin10x64);
  const fs::path manifest = folder_ / "payloads.ini";
  std::ofstream(manifest)
      << "DRIVER 103 " << (fs::path(ZKT_SOURCE_DIR) / "payload/placeholders/ZEVor-x64.sys").string()
      << "\n";
  std::string error;
  const fs::path bundled = ::sim::PayloadManifest();
  ASSERT_TRUE(::sim::SetPayloadManifest(manifest, &error)) << error;
  Install();
  ::sim::SetPayloadManifest(bundled, &error);
  EXPECT_EQ(LastBox(), u"Setup could not complete the installation.(Code = 0x80000002)");
  EXPECT_TRUE(Exists("C:\\Windows\\System32\\drivers\\ZEVor.sys"));
}

TEST_F(InstallScenario, PluginAndUpdateSwitches) {
  struct Case {
    const char* plugin;
    const char* kb;
    std::vector<int> tail;  // progress after 90
    bool step10;
  } cases[] = {
      {"", "1", {100}, true},
      {"Plugin", "0", {95, 98, 98}, false},
      {"Plugin", "2", {95, 98, 98}, false},
      {"", "0", {}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string("plugin '") + c.plugin + "' kb " + c.kb);
    UseMachine(kWin10x64);
    SetConfig("Plugin", "PluginFolderName", c.plugin);
    SetConfig("Install", "InstallWindowsKB", c.kb);
    auto person = Install();
    auto progress = person->Progress();
    ASSERT_GE(progress.size(), 10u);
    EXPECT_EQ(std::vector<int>(progress.begin() + 10, progress.end()), c.tail);
    EXPECT_EQ(Contains(DebugText(), "===== Install STEP10"), c.step10);
    EXPECT_EQ(Contains(DebugText(), "===== Install STEP7"), std::string(c.plugin) == "Plugin");
    EXPECT_EQ(Exists(kInstall + "Plugin"), std::string(c.plugin) == "Plugin");
    EXPECT_TRUE(Contains(DebugText(), "===== Install STEP9 =====\n"));
  }
}

TEST_F(InstallScenario, ReinstallOverAnInstallationReplacesAndRestartsTheService) {
  UseMachine(kWin10x64);
  Install();
  ASSERT_EQ(::sim::ServiceState(u"AudioDeviceService"), 4u);
  // Second run on the same machine folder, as a person running the setup again would.
  ReopenMachine();
  ::sim::ClearMessageBoxes();
  Install();
  EXPECT_EQ(BoxTexts().size(), 1u) << text::ToUtf8(LastBox());
  const auto log = ::sim::ServiceLog();
  // The running service got 128 and was stopped before its image was replaced, then started.
  const std::string all = [&] {
    std::string s;
    for (const auto& l : log) s += l + "\n";
    return s;
  }();
  EXPECT_TRUE(Contains(all, "AudioDeviceService control 128\nAudioDeviceService control 1\n"))
      << all;
  EXPECT_EQ(::sim::ServiceState(u"AudioDeviceService"), 4u);
  // One uninstall entry with the values of this run: the five and the six that complete it.
  const std::string entry =
      Reg(kWow + "Microsoft\\Windows\\CurrentVersion\\Uninstall\\ZKT72xxAudioExt");
  EXPECT_EQ(std::count(entry.begin(), entry.end(), '\n'), 11) << entry;
}

// An uninstall entry left behind whose security lets an administrator set values but not
// own the key (as after another account's install): the setup still writes its values there.
TEST_F(InstallScenario, AnEntryThatOnlyAllowsSettingValuesIsStillWritten) {
  UseMachine(kWin10x64);
  const std::string key = kWow + "Microsoft\\Windows\\CurrentVersion\\Uninstall\\ZKT72xxAudioExt";
  std::string error;
  ASSERT_TRUE(machine().Save(&error)) << error;
  const std::string before = RegText();
  std::ofstream(folder_ / "registry.reg", std::ios::binary)
      << before << "[" << key << "]\n;rights=00020003\n\"DisplayName\"=\"old\"\n";
  ASSERT_TRUE(machine().Open(folder_, &error)) << error;
  Install();
  const std::string entry = Reg(key);
  EXPECT_TRUE(Contains(entry, ";rights=00020003")) << entry;
  EXPECT_FALSE(Contains(entry, "\"DisplayName\"=\"old\"")) << entry;
  EXPECT_TRUE(Contains(entry,
                       "\"UninstallString\"=\"\\\"C:\\\\Program Files (x86)\\\\ZKT 72xx "
                       "Audio\\\\ZKTAudioUninstall.exe\\\"\""))
      << entry;
}

TEST_F(InstallScenario, NoManualForTheChosenLanguageMeansNoManualFolderAndNoShortcut) {
  UseMachine(kWin10x64);
  fs::remove_all(SetupHost("Manual\\English"));
  Install();
  EXPECT_FALSE(Exists(kInstall + "Manual"));
  EXPECT_FALSE(Exists(kPrograms + "ZKT 72xx Audio\\ZKT Audio User Manual.lnk"));
  EXPECT_EQ(BoxTexts().size(), 1u);
}

TEST_F(InstallScenario, TheUpdatePackageIsWrittenWithOneRetry) {
  // Once refused: the retry writes it and STEP10 launches it.
  UseMachine(kWin7x64Sp1);
  machine().InjectFault({"CreateFileW", 0, 1, ERROR_SHARING_VIOLATION, "KB3033929-x64.msu"});
  Install();
  EXPECT_EQ(BoxTexts().size(), 1u) << text::ToUtf8(LastBox());
  const std::string log = DebugText();
  const std::string copy = "ZKTAudioControlSetup:  ==> TMainForm::Copy_KB3033929\n";
  const std::size_t first = log.find(copy);
  ASSERT_NE(first, std::string::npos);
  EXPECT_NE(log.find(copy, first + 1), std::string::npos);  // called a second time
  EXPECT_TRUE(Launched("Windows6.1-KB3033929-x64.msu"));

  // Refused twice: STEP5 still succeeds, the launch of the missing package fails STEP10.
  UseMachine(kWin7x64Sp1);
  machine().InjectFault({"CreateFileW", 0, 2, ERROR_SHARING_VIOLATION, "KB3033929-x64.msu"});
  ::sim::ClearMessageBoxes();
  auto person = Install();
  EXPECT_EQ(LastBox(), u"Setup could not complete the installation.(Code = 0x80000006)");
  EXPECT_FALSE(Exists("C:\\Windows\\SysWOW64\\Windows6.1-KB3033929-x64.msu"));
  EXPECT_EQ(person->Progress().back(), 98);  // no 100: no reboot suggested
}

TEST_F(InstallScenario, TheFilterIsDetachedFromTheDevicesTheConfigurationLists) {
  UseMachine(std::string(kWin10x64) +
             "[Device:Headset]\nHardwareIds=USB\\VID_B7D2&PID_7230&REV_0100&MI_00,USB\\VID_B7D2\n"
             "LowerFilters=ksthunk,ZEVor,other\n"
             "[Device:Unplugged]\nHardwareIds=USB\\VID_B7D2&PID_7201&REV_0100&MI_00\n"
             "LowerFilters=zevor\nPresent=0\n"
             "[Device:Foreign]\nHardwareIds=USB\\VID_1234&PID_7230&REV_0100&MI_00\n"
             "LowerFilters=ZEVor\n");
  Install();
  std::string log;
  for (const auto& line : ::sim::DeviceLog()) log += line + "\n";
  // The present device matching "USB\VID_B7D2&PID_72XX&REV_0100&MI_00" keeps its other filters
  // and is restarted; the unplugged one is cleaned only; the other vendor's is left alone.
  EXPECT_TRUE(Contains(log, "Device:Headset LowerFilters written")) << log;
  EXPECT_TRUE(Contains(log, "Device:Headset disable")) << log;
  EXPECT_TRUE(Contains(log, "Device:Headset enable")) << log;
  EXPECT_TRUE(Contains(log, "Device:Unplugged LowerFilters deleted")) << log;
  EXPECT_FALSE(Contains(log, "Device:Unplugged disable")) << log;
  EXPECT_FALSE(Contains(log, "Device:Foreign")) << log;
}

}  // namespace
