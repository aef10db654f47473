// The errors the sweep makes a seam call fail with: per call family, errors that call can
// really return on Windows. A call the table does not know (a new seam call) fails with
// ERROR_ACCESS_DENIED, which every Windows call that touches a protected object can return.
#pragma once

#include <string>
#include <vector>

#include "platform/os_types.h"

struct CallFamily {
  std::string name;               // "file", "registry", "service", ...
  std::vector<os::DWORD> errors;  // tried in turn, one per recorded call
};

const CallFamily& FamilyOf(const std::string& call);
std::string ErrorName(os::DWORD error);
