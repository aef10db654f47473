// The uninstall phase of the sweep: the uninstaller run through the uninstall entry of a machine
// the install left, interactively (the person answers Yes) and quietly (/S), each of its calls
// failing once in turn.
#include <algorithm>
#include <mutex>

#include "platform/os_ui.h"
#include "platform/sim/sim_machine.h"
#include "platform/sim/sim_paths.h"
#include "platform/sim/sim_pending_renames.h"
#include "platform/sim/sim_ui.h"
#include "platform/text.h"
#include "tools/zkt-fault-sweep/SweepRuns.h"
#include "tools/zkt-setup-sim/UninstallRun.h"

namespace fs = std::filesystem;
using namespace sweep;

namespace {

struct Variant {
  std::string phase;
  std::vector<std::u16string> arguments;
  std::vector<int> answers;
  bool quiet = false;
};

// The person starts the uninstaller from the list of installed programs and answers Yes; the
// question about the settings and the report get their default buttons (No, OK).
const Variant kInteractive{"uninstall", {}, {IDYES}, false};
// A management tool runs the entry's QuietUninstallString.
const Variant kQuiet{"uninstall /S", {u"/S"}, {}, true};

struct UninstallFacts {
  bool fired = false;
  std::string stage;
  std::string problem;   // the uninstaller could not be started, or the machine not kept
  bool noEntry = false;  // the machine has no uninstall entry to start it from
  int exitCode = -1;
  std::vector<std::string> boxes;
  std::vector<SeamCall> calls;
};

// The last action the uninstaller traced before the failing call, or "uninstall start-up"
// before any.
std::string UninstallStage(const std::u16string& debug) {
  const std::string log = text::ToUtf8(debug);
  const std::size_t at = log.rfind("Uninstall: ");
  if (at == std::string::npos) return "uninstall start-up";
  return log.substr(at, log.find('\n', at) - at);
}

// One run of the uninstaller on the machine folder, in this process (a child).
UninstallFacts RunUninstall(const fs::path& folder, const Variant& variant,
                            const sim::FaultRule* fault, bool record) {
  UninstallFacts facts;
  auto& machine = sim::Machine::Current();
  std::string error;
  if (!machine.Open(folder, &error)) {
    facts.problem = "the machine cannot be opened: " + error;
    return facts;
  }
  sim::ClearMessageBoxes();
  machine.ClearDebugOutput();
  // A new process: WOW64 redirection is on, whatever an earlier run on this thread left.
  sim::SetThreadRedirectionDisabled(false);
  std::mutex mutex;
  const UninstallRun run = RunUninstallerFromEntry(variant.arguments, variant.answers, [&] {
    machine.SetCallObserver([&](const char* call, const std::u16string& subject, bool failed) {
      std::lock_guard<std::mutex> lock(mutex);
      if (record) facts.calls.push_back({call, subject});
      if (failed) {
        facts.fired = true;
        facts.stage = UninstallStage(sim::Machine::Current().DebugOutput());
      }
    });
    if (fault) machine.InjectFault(*fault);
  });
  machine.SetCallObserver(nullptr);
  machine.ClearFaults();
  if (!run.started) facts.problem = "the uninstaller was not started: " + run.error;
  facts.noEntry = !run.started && run.program.empty();
  facts.exitCode = run.exitCode;
  for (const auto& box : sim::MessageBoxes())
    facts.boxes.push_back(OneLine(text::ToUtf8(box.text)));
  if (!machine.Save(&error)) facts.problem = "the machine cannot be saved: " + error;
  return facts;
}

// What Windows does with the queued removals when it restarts; then the machine's state.
MachineState RestartAndCapture(const fs::path& folder, std::vector<std::string>* problems) {
  auto& machine = sim::Machine::Current();
  std::string error;
  if (!machine.Open(folder, &error)) problems->push_back(error);
  sim::RestartWindows();
  if (!machine.Save(&error)) problems->push_back(error);
  return Capture(folder, problems);
}

// b: an end the uninstaller defines, and the person told of it when someone is at the screen.
std::string EndProblem(const UninstallFacts& facts, const Variant& variant) {
  const int code = facts.exitCode;
  if (code != 0 && code != 1 && code != 2 && code != 1605)
    return "exit code " + std::to_string(code) + " is none the uninstaller defines";
  if (variant.quiet) return facts.boxes.empty() ? "" : "a box under /S: " + facts.boxes[0];
  return "";
}

// c: the failure was told: a non-zero exit code and, with a person at the screen, a box after
// the question that lists what stayed or says that nothing was changed.
bool Told(const UninstallFacts& facts, const Variant& variant) {
  if (facts.exitCode == 0) return false;
  if (variant.quiet) return true;
  return std::any_of(facts.boxes.begin(), facts.boxes.end(), [](const std::string& box) {
    return box.find("Could not be removed:") != std::string::npos ||
           box.find("Left alone:") != std::string::npos ||
           box.find("Nothing was changed.") != std::string::npos;
  });
}

struct UninstallMachines {
  fs::path installed;         // the machine the install left: where each run starts
  MachineState start;         // its state
  MachineState cleanRemoved;  // after the run without faults and a restart of Windows
};

void CheckUninstallCase(const UninstallMachines& phase, const Variant& variant,
                        const fs::path& caseFolder, const sim::FaultRule& rule,
                        const OwnedSet& owned, const SweepSettings& settings, std::string* out) {
  CopyFolder(phase.installed, caseFolder);
  const UninstallFacts facts = RunUninstall(caseFolder, variant, &rule, false);
  std::vector<std::string> violations, problems;
  if (!facts.problem.empty()) violations.push_back("b: " + facts.problem);
  const MachineState after = Capture(caseFolder, &problems);
  *out += "stage\t" + (facts.fired ? facts.stage : "") + "\n";
  if (const std::string end = EndProblem(facts, variant); !end.empty())
    violations.push_back("b: " + end);

  // d: what existed before and is not the product's is unchanged.
  const auto foreign = ForeignChanges(phase.start, after, owned);
  if (!foreign.empty()) violations.push_back("d: changed what it does not own: " + First(foreign));

  // c: what the run left behind (after the restart that takes what was queued) is told.
  const fs::path restarted = caseFolder.string() + "-restarted";
  CopyFolder(caseFolder, restarted);
  const auto runLog = [&owned](const std::string& name) { return owned.ChangesEveryRun(name); };
  const auto left =
      Differences(phase.cleanRemoved, RestartAndCapture(restarted, &problems), runLog);
  std::string outcome = "installed";  // the fault made no difference
  if (!facts.fired) {
    outcome = "not-reached";
  } else if (!left.empty()) {
    if (Told(facts, variant)) {
      outcome = "message";
    } else if (const SilentEntry* entry = FindSilent(settings.silent, facts.stage, rule.call)) {
      outcome = "silent";
      *out += "silent-entry\t" + std::to_string(entry->line) + "\n";
    } else {
      violations.push_back("c: left behind without a word (exit code " +
                           std::to_string(facts.exitCode) + "): " + First(left));
    }
  }

  // e: the same uninstall again, without faults, removes all a clean one does.
  if (left.empty() && violations.empty()) {
    *out += "healed\t1\noutcome\t" + outcome + "\n";
    return;
  }
  const UninstallFacts heal = RunUninstall(caseFolder, variant, nullptr, false);
  if (!heal.problem.empty()) violations.push_back("e: " + heal.problem);
  const auto stays =
      Differences(phase.cleanRemoved, RestartAndCapture(caseFolder, &problems), runLog);
  if (stays.empty()) *out += "healed\t1\n";
  else
    violations.push_back("e: the uninstall run again (exit code " + std::to_string(heal.exitCode) +
                         ") leaves: " + First(stays));
  for (const auto& p : problems) violations.push_back("machine: " + p);
  *out += "outcome\t" + outcome + "\n";
  for (const auto& v : violations) *out += "violation\t" + OneLine(v) + "\n";
}

}  // namespace

namespace sweep {

AfterUninstall UninstallAndRestart(const fs::path& folder) {
  AfterUninstall after;
  const UninstallFacts facts = RunUninstall(folder, kInteractive, nullptr, false);
  after.noEntry = facts.noEntry;
  if (facts.noEntry) return after;
  after.problem = facts.problem;
  after.exitCode = facts.exitCode;
  after.boxes = facts.boxes;
  std::vector<std::string> problems;
  after.state = RestartAndCapture(folder, &problems);
  if (after.problem.empty() && !problems.empty()) after.problem = First(problems);
  return after;
}

std::vector<PhaseReport> SweepUninstall(const ReferenceMachine& reference,
                                        const fs::path& installed, bool quietToo,
                                        const OwnedSet& owned, const SweepSettings& settings) {
  std::vector<PhaseReport> reports;
  std::vector<Variant> variants = {kInteractive};
  if (quietToo) variants.push_back(kQuiet);
  const fs::path root = settings.work / reference.name;
  for (const Variant& variant : variants) {
    PhaseReport problems{reference.name, variant.phase, 0, {}, {}};
    const fs::path clean = root / ("uninstall-clean" + std::to_string(&variant - &variants[0]));
    CopyFolder(installed, clean);
    std::string failure;
    const std::string out = InChild(
        [&](std::string* result) {
          const UninstallFacts facts = RunUninstall(clean, variant, nullptr, true);
          *result += "exit\t" + std::to_string(facts.exitCode) + "\n";
          if (!facts.problem.empty()) *result += "problem\t" + facts.problem + "\n";
          for (const auto& c : facts.calls)
            *result += "call\t" + c.call + "\t" + OneLine(text::ToUtf8(c.subject)) + "\n";
        },
        settings.timeoutSeconds, &failure);
    if (!failure.empty()) problems.violations.push_back("uninstall without faults: " + failure);
    for (const auto& p : Lines(out, "problem")) problems.violations.push_back(p);
    const auto exits = Lines(out, "exit");
    if (exits.empty() || exits[0] != "0")
      problems.violations.push_back("uninstall without faults did not end with 0: " + First(exits));
    std::vector<SeamCall> calls;
    for (const auto& line : Lines(out, "call")) {
      const auto tab = line.find('\t');
      calls.push_back({line.substr(0, tab), text::FromUtf8(line.substr(tab + 1))});
    }
    std::vector<std::string> captureProblems;
    UninstallMachines phase{installed, Capture(installed, &captureProblems), {}};
    InChild(
        [&](std::string*) {
          std::vector<std::string> ignored;
          RestartAndCapture(clean, &ignored);
        },
        settings.timeoutSeconds, &failure);
    phase.cleanRemoved = Capture(clean, &captureProblems);
    for (const auto& p : captureProblems) problems.violations.push_back(p);
    if (!problems.violations.empty()) {
      reports.push_back(problems);
      continue;
    }
    reports.push_back(SweepCalls(
        reference, variant.phase, calls, settings,
        [&](const fs::path& folder, const sim::FaultRule& rule, std::string* text) {
          CheckUninstallCase(phase, variant, folder, rule, owned, settings, text);
        },
        true));
  }
  return reports;
}

}  // namespace sweep
