// The unattended install ("/S"): the whole install without the wizard, the background or any
// message box, for management tools that read the exit code.
#pragma once

#include <cstdint>

#include "app/SetupArguments.h"

// Returns one of app/SetupExitCodes.h, or the code of the step that failed.
std::uint32_t RunUnattended(const SetupOptions& options);
