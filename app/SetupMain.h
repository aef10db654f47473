// The setup program's portable entry, called by the Windows entry point and by the sim tools.
#pragma once

#include <cstddef>

// The longest executable path (file name included, UTF-16 units) the setup starts from.
constexpr std::size_t kMaxSetupPathLength = 180;

// Runs the setup; the exit code is always 0.
int SetupMain();
