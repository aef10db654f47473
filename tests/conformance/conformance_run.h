// What the backend mains of the conformance program tell the harness, and the run itself.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

namespace conf {

struct RunSettings {
  bool onSim = false;
  // Windows folder holding the fixture files (ending in "\\"), and their names.
  std::u16string fixtureFolder;
  std::vector<std::u16string> fixtureNames;
  // Runs only the scenarios whose name starts with this (all when empty).
  std::string only;
};

// Runs the registered scenarios in ascending order (ties by name), each under a heading, and
// writes every line to `out` with "\n" line ends. Returns the number of scenarios run.
int RunAll(const RunSettings& settings, std::FILE* out);

// Names of the registered scenarios in run order.
std::vector<std::string> ScenarioNames();

}  // namespace conf
