// The child processes, machine copies and per-call loop that every phase of the sweep shares.
#include "tools/zkt-fault-sweep/SweepRuns.h"

#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <deque>
#include <iostream>
#include <map>
#include <sstream>

#include "platform/text.h"
#include "tools/zkt-fault-sweep/ErrorTable.h"

namespace fs = std::filesystem;

namespace sweep {

namespace {

std::string U8(const std::u16string& s) { return text::ToUtf8(s); }

}  // namespace

std::string OneLine(std::string s) {
  for (auto& c : s)
    if (c == '\n' || c == '\r' || c == '\t') c = ' ';
  return s;
}

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

std::string First(const std::vector<std::string>& items, std::size_t most) {
  std::string out;
  for (std::size_t i = 0; i < items.size() && i < most; ++i) out += (i ? "; " : "") + items[i];
  if (items.size() > most) out += "; ... " + std::to_string(items.size() - most) + " more";
  return out;
}

MachineState Capture(const fs::path& folder, std::vector<std::string>* problems) {
  MachineState state;
  std::string error;
  if (!MachineState::Capture(folder, &state, &error)) problems->push_back(error);
  return state;
}

std::vector<std::string> ForeignChanges(const MachineState& before, const MachineState& after,
                                        const OwnedSet& owned) {
  std::vector<std::string> foreign;
  for (const auto& [name, content] : before.entries) {
    if (owned.Owns(name)) continue;
    const auto it = after.entries.find(name);
    if (it == after.entries.end()) foreign.push_back(name + " (gone)");
    else if (it->second != content) foreign.push_back(name + " (changed)");
  }
  return foreign;
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

Outcome ParseOutcome(const std::string& word) {
  if (word == "installed") return Outcome::Installed;
  if (word == "message") return Outcome::Message;
  if (word == "silent") return Outcome::Silent;
  if (word == "not-reached") return Outcome::NotReached;
  return Outcome::Violation;
}

bool IsAbsentError(os::DWORD error) {
  return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ||
         error == ERROR_SERVICE_DOES_NOT_EXIST;
}

PhaseReport SweepCalls(const ReferenceMachine& reference, const std::string& phaseName,
                       const std::vector<SeamCall>& calls, const SweepSettings& settings,
                       const CaseCheck& check, bool removal) {
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
    const auto uninstall = Lines(out, "uninstall");
    result.uninstall = uninstall.empty() ? "" : uninstall[0];
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
    os::DWORD error = family.errors[nth % family.errors.size()];
    // To a removal "not found" means done: Windows does not say it of what is there.
    for (std::size_t next = nth + 1;
         removal && IsAbsentError(error) && next <= nth + family.errors.size(); ++next)
      error = family.errors[next % family.errors.size()];
    const sim::FaultRule rule = FaultFor(calls, i, error);
    Running next;
    next.index = i;
    next.result.call = calls[i].call;
    next.result.family = family.name;
    next.result.error = ErrorName(error);
    const fs::path caseFolder =
        settings.work / reference.name / ("case" + std::to_string(slot++ % settings.jobs));
    if (running.size() >= static_cast<std::size_t>(settings.jobs)) finish();
    next.child = StartChild([&](std::string* text) { check(caseFolder, rule, text); },
                            settings.timeoutSeconds);
    running.push_back(std::move(next));
  }
  while (!running.empty()) finish();
  return report;
}

}  // namespace sweep
