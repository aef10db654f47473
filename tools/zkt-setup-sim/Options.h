// Command line of zkt-setup-sim.
#pragma once

#include <string>
#include <vector>

#include "ui/sim/sim_person.h"

struct SimOptions {
  std::string machine;   // empty: a fresh folder under the build tree
  std::string setup;     // folder that lies beside the program
  std::string exe;       // Windows path of the running program
  std::string payloads;  // payload manifest
  std::vector<ui::sim::Action> actions;
  std::vector<std::u16string> args;  // the program's own arguments (--args)
  bool help = false;
  // --uninstall: run the uninstaller through the machine's UninstallString instead of the
  // setup; --user then lists the answers to its boxes.
  bool uninstall = false;
  std::vector<int> answers;
};

// A command line split into arguments as Windows' CommandLineToArgvW does (quotes group,
// backslashes before a quote escape).
std::vector<std::u16string> SplitCommandLine(const std::u16string& line);
// False with a one-line reason on a usage error.
bool ParseOptions(int argc, char** argv, SimOptions* options, std::string* error);
extern const char kUsage[];
