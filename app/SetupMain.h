// The setup program's portable entry, called by the Windows entry point and by the sim tools.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

// The longest executable path (file name included, UTF-16 units) the setup starts from.
constexpr std::size_t kMaxSetupPathLength = 180;

// Runs the setup with its arguments (without the program name): the wizard, or with "/S" the
// unattended install. The wizard's exit code is always 0; an unattended run ends with one of
// app/SetupExitCodes.h.
int SetupMain(const std::vector<std::u16string>& args = {});
