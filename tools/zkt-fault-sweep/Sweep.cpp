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

#include "app/SetupMain.h"
#include "platform/os_registry.h"
#include "platform/sim/sim_machine.h"
#include "platform/sim/sim_resources.h"
#include "platform/sim/sim_session.h"
#include "platform/sim/sim_ui.h"
#include "platform/text.h"
#include "tools/zkt-fault-sweep/ErrorTable.h"
#include "ui/sim/sim_person.h"

namespace fs = std::filesystem;

namespace {

// A device of the product, whose filter list the install rewrites, and one of another maker,
// which it must leave alone.
const char kProductDevice[] = "ZKT 72xx";
const char kDevices[] =
    "[Device:ZKT 72xx]\nHardwareIds=USB\\VID_B7D2&PID_7201&REV_0100&MI_00\n"
    "LowerFilters=ZEVor,OtherFilter\n"
    "[Device:Other]\nHardwareIds=USB\\VID_1234&PID_5678&REV_0100&MI_00\nLowerFilters=OtherFilter\n";

std::string U8(const std::u16string& s) { return text::ToUtf8(s); }

std::string OneLine(std::string s) {
  for (auto& c : s)
    if (c == '\n' || c == '\r' || c == '\t') c = ' ';
  return s;
}

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

struct Child {
  pid_t pid = -1;
  int fd = -1;
};

// Starts `body` in a child process; what it writes comes back through FinishChild.
Child StartChild(const std::function<void(std::string*)>& body, int timeoutSeconds) {
  int fds[2];
  if (pipe(fds) != 0) return {};
  std::cout.flush();
  const pid_t pid = fork();
  if (pid == 0) {
    close(fds[0]);
    alarm(static_cast<unsigned>(timeoutSeconds));
    std::string out;
    body(&out);
    for (std::size_t done = 0; done < out.size();) {
      const ssize_t n = write(fds[1], out.data() + done, out.size() - done);
      if (n <= 0) _exit(4);
      done += static_cast<std::size_t>(n);
    }
    close(fds[1]);
    _exit(0);
  }
  close(fds[1]);
  if (pid < 0) {
    close(fds[0]);
    return {};
  }
  return {pid, fds[0]};
}

// The child's text; a crash, a sanitizer finding or a hang (no end within the time-out) is
// reported in `failure`.
std::string FinishChild(const Child& child, int timeoutSeconds, std::string* failure) {
  if (child.pid < 0) {
    *failure = "cannot start a child process";
    return "";
  }
  std::string out;
  char buffer[4096];
  for (ssize_t n; (n = read(child.fd, buffer, sizeof buffer)) > 0;) out.append(buffer, n);
  close(child.fd);
  int status = 0;
  waitpid(child.pid, &status, 0);
  if (WIFSIGNALED(status))
    *failure = WTERMSIG(status) == SIGALRM
                   ? "hang: no end within " + std::to_string(timeoutSeconds) + " s"
                   : "crash: signal " + std::to_string(WTERMSIG(status));
  else if (WEXITSTATUS(status) != 0)
    *failure = "crash or sanitizer finding: exit code " + std::to_string(WEXITSTATUS(status));
  return out;
}

std::string InChild(const std::function<void(std::string*)>& body, int timeoutSeconds,
                    std::string* failure) {
  return FinishChild(StartChild(body, timeoutSeconds), timeoutSeconds, failure);
}

void CopyFolder(const fs::path& from, const fs::path& to) {
  std::error_code ec;
  fs::remove_all(to, ec);
  fs::create_directories(to.parent_path(), ec);
  fs::copy(from, to, fs::copy_options::recursive, ec);
}

std::vector<std::string> Lines(const std::string& text, const std::string& tag) {
  std::vector<std::string> out;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);)
    if (line.rfind(tag + "\t", 0) == 0) out.push_back(line.substr(tag.size() + 1));
  return out;
}

std::string First(const std::vector<std::string>& items, std::size_t most = 4) {
  std::string out;
  for (std::size_t i = 0; i < items.size() && i < most; ++i) out += (i ? "; " : "") + items[i];
  if (items.size() > most) out += "; ... " + std::to_string(items.size() - most) + " more";
  return out;
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

MachineState Capture(const fs::path& folder, std::vector<std::string>* problems) {
  MachineState state;
  std::string error;
  if (!MachineState::Capture(folder, &state, &error)) problems->push_back(error);
  return state;
}

// The fault that fails exactly the index-th recorded call: its subject, and how many earlier
// calls of that name the same subject filter lets through.
sim::FaultRule FaultFor(const std::vector<SeamCall>& calls, std::size_t index, os::DWORD error) {
  const SeamCall& target = calls[index];
  const std::u16string wanted = text::ToUpper(target.subject);
  sim::FaultRule rule;
  rule.call = target.call;
  rule.match = U8(target.subject);
  rule.count = 1;
  rule.error = error;
  for (std::size_t i = 0; i < index; ++i)
    if (calls[i].call == target.call &&
        text::ToUpper(calls[i].subject).find(wanted) != std::u16string::npos)
      ++rule.skip;
  return rule;
}

struct PhaseMachines {
  fs::path start;  // where the phase starts
  MachineState startState;
  MachineState cleanEnd;   // the phase's run without faults
  MachineState healedEnd;  // one more run without faults after that
  std::vector<std::string> cleanBoxes;
};

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
  std::vector<std::string> foreign;
  for (const auto& [name, content] : phase.startState.entries) {
    if (owned.Owns(name)) continue;
    const auto it = after.entries.find(name);
    if (it == after.entries.end()) foreign.push_back(name + " (gone)");
    else if (it->second != content) foreign.push_back(name + " (changed)");
  }
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

Outcome ParseOutcome(const std::string& word) {
  if (word == "installed") return Outcome::Installed;
  if (word == "message") return Outcome::Message;
  if (word == "silent") return Outcome::Silent;
  if (word == "not-reached") return Outcome::NotReached;
  return Outcome::Violation;
}

PhaseReport SweepPhase(const ReferenceMachine& reference, const std::string& phaseName,
                       const PhaseMachines& phase, const std::vector<SeamCall>& calls,
                       const OwnedSet& owned, const SweepSettings& settings) {
  PhaseReport report{reference.name, phaseName, calls.size(), {}, {}};
  struct Running {
    Child child;
    std::size_t index;
    CaseResult result;
  };
  std::deque<Running> running;
  // Collects the oldest case; the others go on meanwhile.
  auto finish = [&] {
    Running done = std::move(running.front());
    running.pop_front();
    CaseResult& result = done.result;
    std::string failure;
    const std::string out = FinishChild(done.child, settings.timeoutSeconds, &failure);
    if (!failure.empty()) result.violations.push_back("a: " + failure);
    const auto outcomes = Lines(out, "outcome");
    result.outcome = outcomes.empty() ? Outcome::Violation : ParseOutcome(outcomes[0]);
    const auto stages = Lines(out, "stage");
    result.stage = stages.empty() ? "" : stages[0];
    result.healed = !Lines(out, "healed").empty();
    for (const auto& v : Lines(out, "violation")) result.violations.push_back(v);
    if (outcomes.empty() && result.violations.empty())
      result.violations.push_back("a: the run gave no result: " + OneLine(out.substr(0, 300)));
    if (!result.violations.empty()) {
      result.outcome = Outcome::Violation;
      result.open = FindSilent(settings.open, result.stage, result.call);
      if (result.open && failure.empty()) result.outcome = Outcome::Open;
    }
    const std::string where = reference.name + " " + phaseName + " call " +
                              std::to_string(done.index + 1) + "/" + std::to_string(calls.size()) +
                              " " + result.call + " [" + OneLine(U8(calls[done.index].subject)) +
                              "] " + result.error + " at " +
                              (result.stage.empty() ? "?" : result.stage);
    for (auto& v : result.violations) v = where + ": " + v;
    if (settings.verbose) std::cout << where << "\n";
    report.cases.push_back(std::move(result));
  };
  std::map<std::string, std::size_t> occurrence;
  std::size_t slot = 0;
  for (std::size_t i = 0; i < calls.size(); ++i) {
    const std::size_t nth = occurrence[calls[i].call]++;
    if (i % static_cast<std::size_t>(settings.every) != 0) continue;
    const CallFamily& family = FamilyOf(calls[i].call);
    const os::DWORD error = family.errors[nth % family.errors.size()];
    const sim::FaultRule rule = FaultFor(calls, i, error);
    Running next;
    next.index = i;
    next.result.call = calls[i].call;
    next.result.family = family.name;
    next.result.error = ErrorName(error);
    const fs::path caseFolder =
        settings.work / reference.name / ("case" + std::to_string(slot++ % settings.jobs));
    if (running.size() >= static_cast<std::size_t>(settings.jobs)) finish();
    next.child = StartChild(
        [&](std::string* text) { CheckCase(phase, caseFolder, rule, owned, settings, text); },
        settings.timeoutSeconds);
    running.push_back(std::move(next));
  }
  while (!running.empty()) finish();
  return report;
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
                        {}};
  PhaseMachines reinstall{
      root / "run1", install.cleanEnd, install.healedEnd, Capture(root / "run3", &problems), {}};
  // The boxes of a run without faults (the anti-virus tip) are not failure messages.
  MachineState unused;
  std::string failure;
  const std::string boxes = InChild(
      [&](std::string* out) {
        CopyFolder(root / "fresh", root / "boxes");
        for (const auto& box : RunSetup(root / "boxes", settings, nullptr, false).boxes)
          *out += "box\t" + box + "\n";
      },
      settings.timeoutSeconds, &failure);
  install.cleanBoxes = reinstall.cleanBoxes = Lines(boxes, "box");

  for (const auto& p : problems) setupProblems.violations.push_back(reference.name + ": " + p);
  if (!setupProblems.violations.empty()) return {setupProblems};
  reports.push_back(SweepPhase(reference, "install", install, installRun.calls, owned, settings));
  reports.push_back(
      SweepPhase(reference, "reinstall", reinstall, reinstallRun.calls, owned, settings));
  return reports;
}
