// Broadcast window messages on the simulated machine: recorded, in memory and in messages.log.
#pragma once

#include <string>
#include <vector>

namespace sim {

// One line per broadcast since the machine was opened: "broadcast <name> (0xC0xx) wParam lParam".
std::vector<std::string> BroadcastLog();

}  // namespace sim
