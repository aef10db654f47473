// The fault sweep: records the seam calls of a whole setup run on a reference machine, then
// runs it again from the same starting machine once per recorded call with exactly that call
// failing, each run in a child process, and checks what every run left behind.
#pragma once

#include <algorithm>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "tools/zkt-fault-sweep/MachineState.h"
#include "tools/zkt-fault-sweep/Ownership.h"
#include "tools/zkt-fault-sweep/SilentList.h"

struct ReferenceMachine {
  std::string name;        // "win10-x64"
  std::string machineIni;  // its machine.ini
  bool windows64 = true;
};
const std::vector<ReferenceMachine>& ReferenceMachines();

struct SeamCall {
  std::string call;
  std::u16string subject;
};

// How one faulted run ended.
enum class Outcome {
  NotReached,  // the call was not made again (the run took another path)
  Installed,   // the fault made no difference: the product is installed as without it
  Message,     // not installed, and the person was shown a message with its code
  Silent,      // not installed without a message, on the reviewed silent list
  Violation,   // one of the checks failed
  Open,        // a check failed as an open finding describes
};

struct CaseResult {
  std::string call;
  std::string family;
  std::string error;
  std::string stage;
  Outcome outcome = Outcome::Violation;
  bool healed = false;
  // An install that did not end as without the fault: its uninstaller "removed" everything,
  // or all but what only the installed AudioConfig.cfg names ("unnamed": that file is missing,
  // and it says so), or the run left "no-entry" to start it from.
  std::string uninstall;
  std::vector<std::string> violations;
  const SilentEntry* open = nullptr;  // the open finding these violations are
};

struct SweepSettings {
  std::filesystem::path work;      // scratch folder
  std::filesystem::path setup;     // the setup folder beside the program
  std::filesystem::path payloads;  // payload manifest
  std::vector<SilentEntry> silent;
  std::vector<SilentEntry> open;  // open findings
  int every = 1;                  // sweep every Nth recorded call
  int timeoutSeconds = 120;       // a run that takes longer hangs
  int jobs = 1;                   // cases run at the same time
  bool verbose = false;
  std::vector<std::string> phases;  // install, reinstall, uninstall; empty: all
  bool Sweeps(const std::string& phase) const {
    return phases.empty() || std::find(phases.begin(), phases.end(), phase) != phases.end();
  }
};

struct PhaseReport {
  std::string machine, phase;
  std::size_t calls = 0;  // recorded
  std::vector<CaseResult> cases;
  std::vector<std::string> violations;  // of the phase itself (clean runs)
};

// Sweeps the install, reinstall and uninstall phases of one reference machine.
std::vector<PhaseReport> SweepMachine(const ReferenceMachine& machine,
                                      const SweepSettings& settings);
