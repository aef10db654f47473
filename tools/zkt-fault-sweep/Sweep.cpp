#include "tools/zkt-fault-sweep/Sweep.h"

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <deque>
#include <fstream>
#include <functional>
#include <iostream>
#include <mutex>
#include <regex>
#include <sstream>
#include <tuple>

#include "app/SetupMain.h"
#include "platform/os_registry.h"
#include "platform/sim/sim_machine.h"
#include "platform/sim/sim_resources.h"
#include "platform/sim/sim_session.h"
#include "platform/sim/sim_ui.h"
#include "platform/text.h"
#include "tools/zkt-fault-sweep/ErrorTable.h"
#include "tools/zkt-fault-sweep/SweepRuns.h"
#include "ui/sim/sim_person.h"

namespace fs = std::filesystem;
using namespace sweep;

namespace {

// A device of the product, whose filter list the install rewrites, and one of another maker,
// which it must leave alone.
const char kProductDevice[] = "ZKT 72xx";
const char kDevices[] =
    "[Device:ZKT 72xx]\nHardwareIds=USB\\VID_B7D2&PID_7201&REV_0100&MI_00\n"
    "LowerFilters=ZEVor,OtherFilter\n"
    "[Device:Other]\nHardwareIds=USB\\VID_1234&PID_5678&REV_0100&MI_00\nLowerFilters=OtherFilter\n";

std::string U8(const std::u16string& s) { return text::ToUtf8(s); }

// The person of every run: Next until the installation starts, "reboot later" when the finish
// page offers it, then Finish.
std::vector<ui::sim::Action> PersonActions() {
  return {{"next-until-install", "", false}, {"reboot-no", "", true}, {"finish", "", false}};
}

// The last stage trace line ("==> ..." or "===== ... =====") before `at`, or "start-up".
std::string StageOf(const std::u16string& trace) {
  const std::string log = U8(trace);
  std::size_t at = log.rfind("=====");
  const std::size_t arrow = log.rfind("==>");
  if (at == std::string::npos || (arrow != std::string::npos && arrow > at)) at = arrow;
  if (at == std::string::npos) return "start-up";
  const std::size_t begin = log.rfind('\n', at);
  const std::size_t end = log.find('\n', at);
  return log.substr(begin == std::string::npos ? 0 : begin + 1,
                    end == std::string::npos ? std::string::npos : end - begin - 1);
}

// The end of a run whose start-up error box (the framework's, naming the file and the reason)
// ended the program before the wizard appeared.
const char kStartupError[] = "start-up error";

struct RunFacts {
  bool fired = false;
  std::string stage;
  std::string end;  // "finish", "silent" or what kept the person from leaving
  std::vector<std::string> boxes;
  std::vector<SeamCall> calls;
};

// One run of the setup on the machine folder, in this process (a child).
RunFacts RunSetup(const fs::path& folder, const SweepSettings& settings,
                  const sim::FaultRule* fault, bool record) {
  RunFacts facts;
  auto& machine = sim::Machine::Current();
  std::string error;
  if (!machine.Open(folder, &error) || !sim::SetPayloadManifest(settings.payloads, &error)) {
    facts.end = "the machine cannot be opened: " + error;
    return facts;
  }
  sim::ClearMessageBoxes();
  sim::ClearSession();
  std::mutex mutex;
  machine.SetCallObserver([&](const char* call, const std::u16string& subject, bool failed) {
    std::lock_guard<std::mutex> lock(mutex);
    if (record) facts.calls.push_back({call, subject});
    if (failed) {
      facts.fired = true;
      facts.stage = StageOf(sim::Machine::Current().DebugOutput());
    }
  });
  if (fault) machine.InjectFault(*fault);
  {
    ui::sim::Person person(PersonActions());
    person.Attach();
    SetupMain();
    person.Detach();
    if (!person.FailedAction().empty()) facts.end = "the person could not " + person.FailedAction();
    else if (person.LeftOpen()) facts.end = "the setup stayed open after the person's last action";
    else if (!person.LoopEnded())
      // The program returned before its message loop: an error box at start-up, or nothing.
      facts.end = sim::MessageBoxes().empty() ? "the setup ended before its wizard without a word"
                                              : kStartupError;
    else facts.end = person.ActionsLeft() ? "silent" : "finish";
  }
  machine.SetCallObserver(nullptr);
  for (const auto& box : sim::MessageBoxes()) facts.boxes.push_back(OneLine(U8(box.text)));
  if (!machine.Save(&error)) facts.end = "the machine cannot be saved: " + error;
  return facts;
}

bool Ended(const RunFacts& facts) {
  return facts.end == "finish" || facts.end == "silent" || facts.end == kStartupError;
}

// A fresh machine of the description, with things of other software on it and the setup
// folder beside the program; prepared in a child so that this process never opens a machine.
bool PrepareMachine(const ReferenceMachine& reference, const SweepSettings& settings,
                    const fs::path& folder, std::string* error) {
  std::error_code ec;
  fs::remove_all(folder, ec);
  fs::create_directories(folder);
  {
    std::ofstream ini(folder / "machine.ini", std::ios::binary);
    ini << reference.machineIni << kDevices;
  }
  std::string failure;
  const std::string out = InChild(
      [&](std::string* result) {
        auto& machine = sim::Machine::Current();
        std::string why;
        if (!machine.Open(folder, &why)) {
          *result = "error\t" + why;
          return;
        }
        const fs::path setupHost =
            folder / "C" / "Users" / U8(machine.UserName()) / "Downloads" / "ZKTAudioSetup";
        fs::create_directories(setupHost);
        fs::copy(settings.setup, setupHost, fs::copy_options::recursive);
        auto set = [](os::HKEY root, const std::u16string& key, const std::u16string& name,
                      const std::u16string& value) {
          os::HKEY handle = nullptr;
          os::RegCreateKeyExW(root, key, u"", 0, KEY_SET_VALUE, &handle, nullptr);
          os::RegSetValueExW(handle, name, REG_SZ, value.c_str(),
                             static_cast<os::DWORD>((value.size() + 1) * 2));
          os::RegCloseKey(handle);
        };
        const std::u16string cv = u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\";
        set(HKEY_LOCAL_MACHINE, cv + u"Run", u"OtherTray", u"\"C:\\Other\\tray.exe\" -boot");
        set(HKEY_LOCAL_MACHINE, cv + u"Uninstall\\OtherProduct", u"DisplayName", u"Other");
        set(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Other Vendor\\Settings", u"Level", u"3");
        set(HKEY_LOCAL_MACHINE, u"SYSTEM\\CurrentControlSet\\Services\\OtherService", u"ImagePath",
            u"C:\\Windows\\System32\\other.exe");
        set(HKEY_CURRENT_USER, u"Software\\Other Vendor", u"Theme", u"dark");
        const fs::path c = folder / "C";
        const std::string user = U8(machine.UserName());
        for (const fs::path& file :
             {c / (reference.windows64 ? "Program Files (x86)" : "Program Files") / "Other Vendor" /
                  "app.exe",
              c / "Windows" / "System32" / "drivers" / "other.sys",
              c / "ProgramData" / "Microsoft" / "Windows" / "Start Menu" / "Programs" /
                  "Other Vendor" / "Other.lnk",
              c / "Users" / user / "Desktop" / "notes.txt",
              c / "Users" / user / "AppData" / "Roaming" / "Other Vendor" / "settings.ini"}) {
          fs::create_directories(file.parent_path());
          std::ofstream(file, std::ios::binary) << "other software's " << file.filename().string();
        }
        if (!machine.Save(&why)) *result = "error\t" + why;
      },
      settings.timeoutSeconds, &failure);
  const auto errors = Lines(out, "error");
  if (!failure.empty() || !errors.empty()) {
    *error = reference.name + ": cannot prepare the machine: " + failure + First(errors);
    return false;
  }
  return true;
}

struct CleanFacts {
  std::vector<SeamCall> calls;
  std::vector<std::string> boxes;
};

// A run without faults from `from`, leaving its machine in `to`; the recorded calls and boxes,
// and any problem with the run itself.
CleanFacts CleanRun(const fs::path& from, const fs::path& to, const SweepSettings& settings,
                    std::vector<std::string>* problems) {
  CopyFolder(from, to);
  std::string failure;
  const std::string out = InChild(
      [&](std::string* result) {
        const RunFacts facts = RunSetup(to, settings, nullptr, true);
        *result += "end\t" + facts.end + "\n";
        for (const auto& box : facts.boxes) *result += "box\t" + box + "\n";
        for (const auto& c : facts.calls)
          *result += "call\t" + c.call + "\t" + OneLine(U8(c.subject)) + "\n";
      },
      settings.timeoutSeconds, &failure);
  if (!failure.empty()) problems->push_back("run without faults: " + failure);
  const auto ends = Lines(out, "end");
  if (ends.empty() || ends[0] != "finish")
    problems->push_back("run without faults did not reach Finish: " + First(ends));
  CleanFacts facts;
  for (const auto& line : Lines(out, "call")) {
    const auto tab = line.find('\t');
    facts.calls.push_back({line.substr(0, tab), text::FromUtf8(line.substr(tab + 1))});
  }
  facts.boxes = Lines(out, "box");
  return facts;
}

struct PhaseMachines {
  fs::path start;  // where the phase starts
  MachineState startState;
  MachineState cleanEnd;   // the phase's run without faults
  MachineState healedEnd;  // one more run without faults after that
  std::vector<std::string> cleanBoxes;
  MachineState uninstalledEnd;  // the clean end uninstalled, after the restart of Windows
};

// e: the uninstaller of what a faulted run left removes everything it removes after a run
// without faults (what a failed install never wrote it need not find). Two ends it documents
// are kept apart: a run that failed before it registered the uninstaller leaves nothing to start
// (the setup run again heals that), and one that left no installed AudioConfig.cfg leaves the
// uninstaller without the names of the program files and shortcuts: it removes all else and says
// that those names are unknown.
void CheckUninstallAfter(const PhaseMachines& phase, const fs::path& caseFolder,
                         const MachineState& after, const OwnedSet& owned,
                         std::vector<std::string>* violations, std::string* out) {
  const std::size_t before = violations->size();
  const fs::path uninstalled = caseFolder.string() + "-uninstalled";
  CopyFolder(caseFolder, uninstalled);
  const AfterUninstall removal = UninstallAndRestart(uninstalled);
  if (removal.noEntry) {
    *out += "uninstall\tno-entry\n";
    return;
  }
  const bool unnamed = after.entries.count(owned.InstalledConfiguration()) == 0;
  const auto stays =
      Leftovers(phase.uninstalledEnd, removal.state, [&owned, unnamed](const std::string& name) {
        return owned.ChangesEveryRun(name) || (unnamed && owned.NamedByConfiguration(name));
      });
  const auto foreign = ForeignChanges(phase.startState, removal.state, owned);
  const std::string exit = " (exit code " + std::to_string(removal.exitCode) + ")";
  const bool told =
      std::any_of(removal.boxes.begin(), removal.boxes.end(), [](const std::string& box) {
        return box.find("so their names are unknown") != std::string::npos;
      });
  if (!removal.problem.empty())
    violations->push_back("e: the uninstaller after it: " + removal.problem);
  if (!stays.empty())
    violations->push_back("e: the uninstaller after it" + exit + " leaves: " + First(stays));
  if (unnamed && (removal.exitCode != 2 || !told))
    violations->push_back("e: the uninstaller after it" + exit +
                          " did not say that the names of the program files are unknown");
  if (!foreign.empty())
    violations->push_back("d: the uninstaller after it" + exit +
                          " changed what it does not own: " + First(foreign));
  if (violations->size() == before)
    *out += unnamed ? "uninstall\tunnamed\n" : "uninstall\tremoved\n";
}

// The checks of one faulted run and the run that heals it, in the child.
void CheckCase(const PhaseMachines& phase, const fs::path& caseFolder, const sim::FaultRule& rule,
               const OwnedSet& owned, const SweepSettings& settings, std::string* out) {
  CopyFolder(phase.start, caseFolder);
  const RunFacts facts = RunSetup(caseFolder, settings, &rule, false);
  std::vector<std::string> violations;
  std::vector<std::string> problems;
  const MachineState after = Capture(caseFolder, &problems);
  *out += "stage\t" + (facts.fired ? facts.stage : "") + "\n";
  if (!Ended(facts)) violations.push_back("b: " + facts.end);

  // d: what existed before and is not the setup's own is unchanged.
  const auto foreign = ForeignChanges(phase.startState, after, owned);
  if (!foreign.empty()) violations.push_back("d: changed what it does not own: " + First(foreign));

  const auto runLog = [&owned](const std::string& name) { return owned.ChangesEveryRun(name); };
  const auto missing = Differences(phase.cleanEnd, after, runLog);
  std::string outcome = "installed";
  if (!facts.fired) {
    outcome = "not-reached";
  } else if (!missing.empty()) {
    std::vector<std::string> shown;
    for (const auto& box : facts.boxes)
      if (std::find(phase.cleanBoxes.begin(), phase.cleanBoxes.end(), box) ==
          phase.cleanBoxes.end())
        shown.push_back(box);
    // The step's code, or the error number of the framework's error box.
    const bool withCode = std::any_of(shown.begin(), shown.end(), [](const std::string& box) {
      return box.find("Code") != std::string::npos || box.find("0x") != std::string::npos ||
             std::regex_search(box, std::regex("error [0-9]+"));
    });
    // A start-up error box says what stopped the setup before anything was installed.
    if (withCode || (facts.end == kStartupError && !shown.empty())) {
      outcome = "message";
    } else if (const SilentEntry* entry = FindSilent(settings.silent, facts.stage, rule.call)) {
      outcome = "silent";
      *out += "silent-entry\t" + std::to_string(entry->line) + "\n";
    } else {
      violations.push_back("c: not installed and not told" +
                           (shown.empty() ? std::string() : " (shown: " + First(shown, 2) + ")") +
                           ": " + First(missing));
    }
  }

  if (facts.fired && !missing.empty())
    CheckUninstallAfter(phase, caseFolder, after, owned, &violations, out);

  // e: the same setup run again without faults heals the machine. A run that ended as the run
  // without faults did needs no healing: its next run is the reference run itself.
  if (missing.empty() && violations.empty()) {
    *out += "healed\t1\noutcome\t" + outcome + "\n";
    return;
  }
  const RunFacts heal = RunSetup(caseFolder, settings, nullptr, false);
  if (heal.end != "finish") violations.push_back("e: the run after it did not finish: " + heal.end);
  const MachineState healed = Capture(caseFolder, &problems);
  const auto left = Differences(phase.healedEnd, healed, runLog);
  if (left.empty()) *out += "healed\t1\n";
  else violations.push_back("e: not healed by a run without faults: " + First(left));
  for (const auto& p : problems) violations.push_back("machine: " + p);
  *out += "outcome\t" + outcome + "\n";
  for (const auto& v : violations) *out += "violation\t" + OneLine(v) + "\n";
}

}  // namespace

const std::vector<ReferenceMachine>& ReferenceMachines() {
  static const std::vector<ReferenceMachine> machines = {
      {"win10-x64", "[Windows]\nVersion=10.0\nArchitecture=x64\n", true},
      {"win7-x64-sp1", "[Windows]\nVersion=6.1\nServicePack=1\nArchitecture=x64\n", true},
      {"win7-x86", "[Windows]\nVersion=6.1\nServicePack=1\nArchitecture=x86\n", false},
  };
  return machines;
}

std::vector<PhaseReport> SweepMachine(const ReferenceMachine& reference,
                                      const SweepSettings& settings) {
  std::vector<PhaseReport> reports;
  const fs::path root = settings.work / reference.name;
  std::string error;
  PhaseReport setupProblems{reference.name, "install", 0, {}, {}};
  if (!PrepareMachine(reference, settings, root / "fresh", &error)) {
    setupProblems.violations.push_back(error);
    return {setupProblems};
  }
  sim::MachineIni config;
  if (!config.Load(settings.setup / "AudioConfig.cfg", &error)) {
    setupProblems.violations.push_back("AudioConfig.cfg: " + error);
    return {setupProblems};
  }
  const OwnedSet owned(config, reference.windows64, "User", {kProductDevice});

  // Runs without faults: install, reinstall, and one more after each (the healed state).
  std::vector<std::string> problems;
  const CleanFacts installRun = CleanRun(root / "fresh", root / "run1", settings, &problems);
  const CleanFacts reinstallRun = CleanRun(root / "run1", root / "run2", settings, &problems);
  CleanRun(root / "run2", root / "run3", settings, &problems);

  PhaseMachines install{root / "fresh",
                        Capture(root / "fresh", &problems),
                        Capture(root / "run1", &problems),
                        Capture(root / "run2", &problems),
                        {},
                        {}};
  PhaseMachines reinstall{root / "run1",
                          install.cleanEnd,
                          install.healedEnd,
                          Capture(root / "run3", &problems),
                          {},
                          {}};
  // The boxes of a run without faults (the anti-virus tip) are not failure messages.
  std::string failure;
  const std::string boxes = InChild(
      [&](std::string* out) {
        CopyFolder(root / "fresh", root / "boxes");
        for (const auto& box : RunSetup(root / "boxes", settings, nullptr, false).boxes)
          *out += "box\t" + box + "\n";
      },
      settings.timeoutSeconds, &failure);
  install.cleanBoxes = reinstall.cleanBoxes = Lines(boxes, "box");
  // What the uninstaller leaves of each phase's end without faults.
  for (const auto& [end, phase] :
       {std::pair(root / "run1", &install), std::pair(root / "run2", &reinstall)}) {
    const fs::path uninstalled = end.string() + "-uninstalled";
    const std::string removal = InChild(
        [&](std::string* out) {
          CopyFolder(end, uninstalled);
          const AfterUninstall after = UninstallAndRestart(uninstalled);
          if (after.noEntry || !after.problem.empty() || after.exitCode != 0)
            *out += "problem\tthe uninstaller after a run without faults: exit code " +
                    std::to_string(after.exitCode) + " " + after.problem + "\n";
        },
        settings.timeoutSeconds, &failure);
    for (const auto& p : Lines(removal, "problem")) problems.push_back(p);
    phase->uninstalledEnd = Capture(uninstalled, &problems);
  }
  if (!failure.empty()) problems.push_back(failure);

  for (const auto& p : problems) setupProblems.violations.push_back(reference.name + ": " + p);
  if (!setupProblems.violations.empty()) return {setupProblems};
  for (const auto& [name, phase, calls] :
       {std::tuple(std::string("install"), &install, &installRun.calls),
        std::tuple(std::string("reinstall"), &reinstall, &reinstallRun.calls)}) {
    if (!settings.Sweeps(name)) continue;
    const PhaseMachines& machines = *phase;
    reports.push_back(
        SweepCalls(reference, name, *calls, settings,
                   [&](const fs::path& folder, const sim::FaultRule& rule, std::string* out) {
                     CheckCase(machines, folder, rule, owned, settings, out);
                   }));
  }
  // The uninstaller of the installed machine; quietly too on the first machine.
  if (settings.Sweeps("uninstall"))
    for (auto& report :
         SweepUninstall(reference, root / "run1",
                        reference.name == ReferenceMachines().front().name, owned, settings))
      reports.push_back(std::move(report));
  return reports;
}
