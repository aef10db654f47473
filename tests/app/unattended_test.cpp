// The unattended install ("/S"): every exit code, no window or message box, the complete
// entry in the list of installed programs; read back through the machine folder.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <functional>

#include "app/SetupExitCodes.h"
#include "platform/sim/sim_session.h"
#include "platform/sim/sim_ui.h"
#include "support/reg_file.h"
#include "tests/app/wizard_scenario.h"

namespace fs = std::filesystem;

namespace {

const std::string kInstall = "C:\\Program Files (x86)\\ZKT 72xx Audio\\";
const std::string kEntry =
    "HKEY_LOCAL_MACHINE\\SOFTWARE\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\"
    "ZKT72xxAudioExt";

class Unattended : public WizardScenario {
 protected:
  // Runs the setup with `args` and no person at the wizard; the exit code as Windows reports it.
  std::uint32_t RunSetup(const std::vector<std::u16string>& args) {
    const auto code = static_cast<std::uint32_t>(SetupMain(args));
    std::string error;
    EXPECT_TRUE(machine().Save(&error)) << error;
    return code;
  }
  std::string Entry() { return RegKeyBlock(ReadRegFile(folder_ / "registry.reg"), kEntry); }
  bool Exists(const std::string& winPath) { return fs::exists(Host(winPath)); }
  static bool Contains(const std::string& haystack, const std::string& needle) {
    return haystack.find(needle) != std::string::npos;
  }
};

TEST_F(Unattended, EndsWithTheCodeOfHowItWent) {
  struct Case {
    const char* name;
    std::vector<std::u16string> args;
    std::string machineExtra;  // machine.ini lines
    ::sim::FaultRule fault;
    std::function<void()> prepare;
    std::uint32_t code;
    bool installed;  // the application reached the install folder
  };
  const std::vector<Case> cases = {
      {"reboot suggested (STEP10 ran)", {u"/S"}, "", {}, nullptr, SETUP_EXIT_REBOOT_REQUIRED, true},
      {"/quiet, other case, unknown arguments",
       {u"-QUIET", u"/whatever", u"x"},
       "",
       {},
       nullptr,
       SETUP_EXIT_REBOOT_REQUIRED,
       true},
      {"no update step: plain success",
       {u"/S"},
       "",
       {},
       [this] { SetConfig("Install", "InstallWindowsKB", "0"); },
       SETUP_EXIT_SUCCESS,
       true},
      {"/forcerestart restarts",
       {u"/S", u"/forcerestart"},
       "",
       {},
       nullptr,
       SETUP_EXIT_REBOOT_INITIATED,
       true},
      {"/norestart after /forcerestart wins",
       {u"/S", u"/forcerestart", u"/norestart"},
       "",
       {},
       nullptr,
       SETUP_EXIT_REBOOT_REQUIRED,
       true},
      {"a refused restart still asks for one",
       {u"/S", u"/forcerestart"},
       "",
       {"ExitWindowsEx", 0, -1, ERROR_ACCESS_DENIED, ""},
       nullptr,
       SETUP_EXIT_REBOOT_REQUIRED,
       true},
      {"STEP1 fails",
       {u"/S"},
       "",
       {"RegCreateKeyExW", 0, 1, ERROR_ACCESS_DENIED, "Services\\ZEVor"},
       nullptr,
       0x80000001,
       false},
      {"STEP2 fails",
       {u"/S"},
       "[Program:AudioDeviceService.exe]\nStartError=5\n",
       {},
       nullptr,
       0x80000002,
       false},
      {"STEP4 fails",
       {u"/S"},
       "",
       {"CreateFileW", 0, 1, ERROR_ACCESS_DENIED, "ZKTAudioUninstall"},
       nullptr,
       0x80000004,
       true},
      {"STEP3 fails",
       {u"/S"},
       "",
       {"CreateFileW", 0, 1, ERROR_SHARING_VIOLATION, "ZKTAudioControl.exe"},
       nullptr,
       0x80000003,
       false},
      {"STEP8.1 fails",
       {u"/S"},
       "",
       {"CreateFileW", 0, 1, ERROR_ACCESS_DENIED, "ZKTSoundEffect.exe"},
       nullptr,
       0x80000008,
       true},
      {"STEP10 fails",
       {u"/S"},
       "[Windows]\nVersion=6.1\nServicePack=1\n",
       {"ShellExecuteExW", 0, 1, ERROR_ACCESS_DENIED, ".msu"},
       nullptr,
       0x80000006,
       true},
      {"previous filter still loaded",
       {u"/S"},
       "[ControlDevices]\nClass#UsbAudioExtension&B7D2&00=1\n",
       {},
       nullptr,
       SETUP_EXIT_PREVIOUS_FILTER_LOADED,
       false},
      {"device-ID group unverifiable",
       {u"/S"},
       "",
       {},
       [this] { RemoveSection("HID_VID_PID"); },
       SETUP_EXIT_DEVICE_ID_GROUP_FAILED,
       false},
      {"no configuration file",
       {u"/S"},
       "",
       {},
       [this] { fs::remove(SetupHost("AudioConfig.cfg")); },
       SETUP_EXIT_CONFIG_NOT_LOADED,
       false},
      {"wizard icon unreadable",
       {u"/S"},
       "",
       {},
       [this] { std::ofstream(SetupHost("Setup.ico"), std::ios::binary) << "text"; },
       SETUP_EXIT_CONFIG_NOT_LOADED,
       false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    OpenMachine(c.machineExtra);
    CopySample();
    ::sim::ClearMessageBoxes();
    ::sim::ClearSession();
    if (c.prepare) c.prepare();
    if (!c.fault.call.empty()) machine().InjectFault(c.fault);
    EXPECT_EQ(RunSetup(c.args), c.code);
    EXPECT_TRUE(::sim::MessageBoxes().empty()) << text::ToUtf8(::sim::MessageBoxes()[0].text);
    EXPECT_EQ(Exists(kInstall + "ZKTAudioControl.exe"), c.installed);
    EXPECT_EQ(!::sim::Session().shutdownRequests.empty(), c.code == SETUP_EXIT_REBOOT_INITIATED);
    EXPECT_TRUE(::sim::Session().started.empty());  // no application started at the end
  }
}

TEST_F(Unattended, TooLongPathEndsAtOnceWithoutABox) {
  std::u16string path =
      u"C:\\" + std::u16string(kMaxSetupPathLength, u'd') + u"\\ZKTAudioSetup.exe";
  machine().SetModulePath(path);
  EXPECT_EQ(RunSetup({u"/S"}), SETUP_EXIT_PATH_TOO_LONG);
  EXPECT_TRUE(::sim::MessageBoxes().empty());
  EXPECT_FALSE(Exists(kInstall));
  EXPECT_EQ(DebugText().find("TMainForm"), std::string::npos);  // no form was made
}

TEST_F(Unattended, WithoutArgumentsTheWizardRunsAsBefore) {
  auto person = Run("");  // the default person; SetupMain() returns 0 (checked by Run)
  EXPECT_EQ(person->Page(), u"FinishPage");
  EXPECT_EQ(::sim::MessageBoxes().size(), 1u);  // the anti-virus tip
}

TEST_F(Unattended, UsesTheRememberedLanguage) {
  Run("language=German,cancel");  // the wizard remembers the choice in the user's profile
  machine().InjectFault({"CreateFileW", 0, 1, ERROR_ACCESS_DENIED, "ZKTAudioControl.exe"});
  EXPECT_EQ(RunSetup({u"/S"}), 0x80000003u);
  std::ifstream in(Host("C:\\Users\\User\\AppData\\Local\\Temp\\ZKTAudioSetup.log"));
  const std::string log((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  // The message the wizard would have shown, in German, and the step's own code.
  EXPECT_TRUE(
      Contains(log, "Die Installation konnte nicht abgeschlossen werden.(Code = 0x80000003)"))
      << log;
  EXPECT_TRUE(Contains(log, "Step result 0x80000302")) << log;
}

TEST_F(Unattended, EntryInTheListOfInstalledProgramsIsComplete) {
  SetConfig("Install", "InstallWindowsKB", "0");
  ASSERT_EQ(RunSetup({u"/S"}), SETUP_EXIT_SUCCESS);
  const std::string entry = Entry();
  const std::string folder = "C:\\\\Program Files (x86)\\\\ZKT 72xx Audio\\\\";
  EXPECT_TRUE(Contains(entry, "\"InstallLocation\"=\"" + folder + "\"\n")) << entry;
  EXPECT_TRUE(Contains(entry, "\"InstallDate\"=\"20240301\"\n")) << entry;
  EXPECT_TRUE(Contains(entry, "\"NoModify\"=dword:00000001\n")) << entry;
  EXPECT_TRUE(Contains(entry, "\"NoRepair\"=dword:00000001\n")) << entry;
  EXPECT_TRUE(Contains(
      entry, "\"QuietUninstallString\"=\"\\\"" + folder + "ZKTAudioUninstall.exe\\\" /S\"\n"))
      << entry;
  // The size of everything the steps put into the folder, counted on the host, in KB.
  std::uintmax_t bytes = 0;
  for (const auto& item : fs::recursive_directory_iterator(Host(kInstall)))
    if (item.is_regular_file()) bytes += item.file_size();
  char expected[32];
  std::snprintf(expected, sizeof expected, "\"EstimatedSize\"=dword:%08x\n",
                static_cast<unsigned>((bytes + 1023) / 1024));
  EXPECT_GT(bytes, 1024u * 50);  // more than the uninstaller and application alone
  EXPECT_TRUE(Contains(entry, expected)) << entry << "expected " << expected;
}

TEST_F(Unattended, InstallDateFollowsTheClock) {
  OpenMachine("[Windows]\nLocalTime=2028-02-29 08:00:00\n");
  CopySample();
  RunSetup({u"/S"});
  EXPECT_TRUE(Contains(Entry(), "\"InstallDate\"=\"20280229\"")) << Entry();
}

TEST_F(Unattended, LogHasAHeaderAndEveryTraceLine) {
  fs::create_directories(Host("C:\\Logs"));
  EXPECT_EQ(RunSetup({u"/S", u"/log=C:\\Logs\\setup.log"}), SETUP_EXIT_REBOOT_REQUIRED);
  std::ifstream in(Host("C:\\Logs\\setup.log"), std::ios::binary);
  const std::string log((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_FALSE(Exists("C:\\Users\\User\\AppData\\Local\\Temp\\ZKTAudioSetup.log"));
  const std::string t = "2024-03-01 09:00:00.000 ";
  EXPECT_EQ(log.find("\r\n" + t + "===== ZKT audio setup started =====\r\n"), 0u) << log;
  EXPECT_TRUE(Contains(
      log, t + "Program: C:\\Users\\User\\Downloads\\ZKTAudioSetup\\ZKTAudioSetup.exe, version "));
  EXPECT_TRUE(Contains(
      log,
      t + "Windows: 10.0.19045 Service Pack 0, 64-bit (this 32-bit program runs under WOW64)\r\n"));
  EXPECT_TRUE(Contains(log, t + "Arguments: /S /log=C:\\Logs\\setup.log\r\n"));
  EXPECT_TRUE(Contains(log, t + "Setup folder: C:\\Users\\User\\Downloads\\ZKTAudioSetup\\\r\n"));
  // Every line of the debugger channel is in the log, in order.
  std::string debug = DebugText(), rest = log;
  std::size_t lines = 0;
  for (std::size_t at = 0, end; (end = debug.find('\n', at)) != std::string::npos; at = end + 1) {
    const std::string line = debug.substr(at, end - at);
    if (line.empty()) continue;
    const std::size_t found = rest.find(line + "\r\n");
    ASSERT_NE(found, std::string::npos) << "not in the log: " << line;
    rest = rest.substr(found + line.size());
    ++lines;
  }
  EXPECT_GT(lines, 30u);
  EXPECT_TRUE(Contains(log, " ===== Install STEP10 =====\r\n"));
  EXPECT_TRUE(Contains(log, " Setup ended with exit code 3010 (0x00000BC2)\r\n"));
  // A second run appends to the same file.
  ReopenMachine();
  RunSetup({u"/S", u"/log=C:\\Logs\\setup.log"});
  std::ifstream again(Host("C:\\Logs\\setup.log"), std::ios::binary);
  const std::string both((std::istreambuf_iterator<char>(again)), std::istreambuf_iterator<char>());
  EXPECT_EQ(both.compare(0, log.size(), log), 0);
  EXPECT_NE(both.find("===== ZKT audio setup started", log.size()), std::string::npos);
}

TEST_F(Unattended, WizardLogsToTempToo) {
  Run("");
  std::ifstream in(Host("C:\\Users\\User\\AppData\\Local\\Temp\\ZKTAudioSetup.log"));
  const std::string log((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_TRUE(Contains(log, "Arguments: (none)\r\n")) << log;
  EXPECT_TRUE(Contains(log, "==> TMainForm::FormShow\r\n")) << log;
  EXPECT_TRUE(Contains(log, "Setup ended with exit code 0 (0x00000000)\r\n")) << log;
}

// What a run leaves on the machine, without the log file itself.
std::string MachineState(const fs::path& folder) {
  std::string state = ReadRegFile(folder / "registry.reg");
  std::vector<std::string> files;
  for (const auto& item : fs::recursive_directory_iterator(folder / "C")) {
    const std::string path = fs::relative(item.path(), folder / "C").string();
    if (path.find("ZKTAudioSetup.log") == std::string::npos) files.push_back(path);
  }
  std::sort(files.begin(), files.end());
  for (const auto& f : files) state += f + "\n";
  return state;
}

TEST_F(Unattended, LogThatCannotBeWrittenChangesNothingElse) {
  const std::uint32_t code = RunSetup({u"/S"});
  const std::string debug = DebugText();
  const std::string state = MachineState(folder_);
  struct Case {
    const char* name;
    ::sim::FaultRule fault;
    bool folderInItsPlace;
  } cases[] = {
      {"cannot be opened", {"CreateFileW", 0, -1, ERROR_ACCESS_DENIED, "ZKTAudioSetup.log"}, false},
      {"first write fails", {"WriteFile", 0, -1, ERROR_WRITE_PROTECT, "ZKTAudioSetup.log"}, false},
      {"a later write fails",
       {"WriteFile", 20, 1, ERROR_WRITE_PROTECT, "ZKTAudioSetup.log"},
       false},
      {"a folder in its place", {}, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    OpenMachine("");
    CopySample();
    if (c.folderInItsPlace)
      fs::create_directories(Host("C:\\Users\\User\\AppData\\Local\\Temp\\ZKTAudioSetup.log"));
    if (!c.fault.call.empty()) machine().InjectFault(c.fault);
    EXPECT_EQ(RunSetup({u"/S"}), code);
    EXPECT_EQ(DebugText(), debug);
    EXPECT_EQ(MachineState(folder_), state);
  }
}

}  // namespace
