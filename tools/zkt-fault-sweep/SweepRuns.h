// What every phase of the sweep shares: runs in child processes (a crash, sanitizer finding or
// hang of one run is that run's finding), machine copies, the result lines a child writes, and
// the loop that fails each recorded call once.
#pragma once

#include <sys/types.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "platform/sim/sim_machine.h"
#include "tools/zkt-fault-sweep/Sweep.h"

namespace sweep {

std::string OneLine(std::string s);

struct Child {
  pid_t pid = -1;
  int fd = -1;
};
// Starts `body` in a child process; what it writes comes back through FinishChild.
Child StartChild(const std::function<void(std::string*)>& body, int timeoutSeconds);
// The child's text; a crash, a sanitizer finding or a hang is reported in `failure`.
std::string FinishChild(const Child& child, int timeoutSeconds, std::string* failure);
std::string InChild(const std::function<void(std::string*)>& body, int timeoutSeconds,
                    std::string* failure);

void CopyFolder(const std::filesystem::path& from, const std::filesystem::path& to);
// The lines "<tag>\t..." of a child's text, without the tag.
std::vector<std::string> Lines(const std::string& text, const std::string& tag);
// The first few items, "; "-separated.
std::string First(const std::vector<std::string>& items, std::size_t most = 4);
MachineState Capture(const std::filesystem::path& folder, std::vector<std::string>* problems);

// What existed in `before`, is not the setup's own, and is gone or changed in `after`.
std::vector<std::string> ForeignChanges(const MachineState& before, const MachineState& after,
                                        const OwnedSet& owned);

// The fault that fails exactly the index-th recorded call.
sim::FaultRule FaultFor(const std::vector<SeamCall>& calls, std::size_t index, os::DWORD error);

// Runs one faulted case in a child: copies the phase's start into `caseFolder`, runs with
// `rule`, checks, and writes "stage", "outcome", "healed" and "violation" lines.
using CaseCheck = std::function<void(const std::filesystem::path& caseFolder,
                                     const sim::FaultRule& rule, std::string* out)>;
// Fails each (every Nth) recorded call in turn, `settings.jobs` cases at a time. For a
// `removal` the errors that mean "not there" (file, path or service not found) are not used.
bool IsAbsentError(os::DWORD error);
PhaseReport SweepCalls(const ReferenceMachine& reference, const std::string& phaseName,
                       const std::vector<SeamCall>& calls, const SweepSettings& settings,
                       const CaseCheck& check, bool removal = false);

// The uninstall phase: the uninstaller of the `installed` machine run through its uninstall
// entry with the person answering Yes, and with /S too when `quietToo`.
std::vector<PhaseReport> SweepUninstall(const ReferenceMachine& reference,
                                        const std::filesystem::path& installed, bool quietToo,
                                        const OwnedSet& owned, const SweepSettings& settings);

// The uninstaller of what a run left in `folder`, started as the person starts it from the list
// of installed programs (answering Yes), then a restart of Windows.
struct AfterUninstall {
  bool noEntry = false;  // the run left no uninstall entry: nothing to start, nothing checked
  std::string problem;   // the entry names no program there, or the machine was not kept
  int exitCode = -1;
  std::vector<std::string> boxes;
  MachineState state;  // the machine after the restart
};
AfterUninstall UninstallAndRestart(const std::filesystem::path& folder);

}  // namespace sweep
