// Simulated machine: what a run asked of Windows beyond files and registry: programs started
// through the shell, privileges enabled and shutdown requests. Kept in memory for the tests and
// the transcript of zkt-setup-sim.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/os_types.h"

namespace sim {

struct StartedProgram {
  std::u16string file;
  std::u16string parameters;
  std::u16string directory;
  int show = 0;
};

struct SessionRecord {
  std::vector<StartedProgram> started;
  std::vector<std::u16string> enabledPrivileges;
  std::vector<os::UINT> shutdownRequests;  // ExitWindowsEx flags that Windows accepted
};

SessionRecord Session();
void ClearSession();
// Called after each started program or accepted shutdown request, with a one-line description.
void SetSessionListener(std::function<void(const std::string&)> listener);

}  // namespace sim
