// The fifteen launch-mode values the setup records for the service: for each companion
// application (group C main, B effect, D sound effect) five command lines.
#pragma once

#include <string>
#include <vector>

namespace payload {

struct LaunchModeName {
  std::u16string name;  // e.g. "SystemPrivilegeExecutionOnBoot_C3"
  char16_t group;       // 'C', 'B' or 'D'
  bool onBoot;          // the line starts the application at system start
};
// In the order the setup writes them.
std::vector<LaunchModeName> LaunchModeNames();

// The switches of the launch lines.
constexpr char16_t kServiceStartSwitch[] = u"-servicestart";
constexpr char16_t kServiceBootSwitch[] = u"-serviceboot";
// The line the setup records for `name`: the quoted application path and the value's switch.
std::u16string MakeLaunchLine(const LaunchModeName& name, const std::u16string& appPath);

// A launch line: a double quote, the application path, a double quote, a space, a switch.
struct LaunchLine {
  bool ok = false;
  std::u16string path;
  std::u16string argument;
  std::u16string problem;  // why a line is not usable
};
LaunchLine ParseLaunchLine(const std::u16string& line);
// The line fits its value: a boot value carries -serviceboot, the others -servicestart.
LaunchLine CheckLaunchValue(const LaunchModeName& name, const std::u16string& data);

}  // namespace payload
