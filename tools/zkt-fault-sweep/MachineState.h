// What a machine folder holds, as named entries that two runs can be compared by: every registry
// key and value, every folder and file of drive C: (content and attributes), and the state the
// simulated machine keeps of services and devices. Logs of a run are not part of it.
#pragma once

#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

struct MachineState {
  // Entry name (upper-cased, so that names compare as Windows compares them) -> content.
  //   "REG <key>"            a key; "REG <key> :: <value name>" a value, its text as exported
  //   "DIR <path>"           a folder; "FILE <path>" a file (size, digest and attributes)
  //   "SERVICE <name>"       the state a service keeps between runs
  //   "DEVICE <label> <key>" what a device keeps between runs
  std::map<std::string, std::string> entries;

  // False with a reason when the folder cannot be read (registry.reg malformed).
  static bool Capture(const std::filesystem::path& machineFolder, MachineState* out,
                      std::string* error);
};

// Names of entries that differ between two states (in `a` only, in `b` only, or changed), in
// name order, each with a short note.
// Entries for which `skip` is true are left out.
std::vector<std::string> Differences(const MachineState& a, const MachineState& b,
                                     const std::function<bool(const std::string&)>& skip);

// Whether two contents of the entry are the same to Windows: a device's filter list names
// services, whose names Windows compares without regard to case; all else byte for byte.
bool SameToWindows(const std::string& name, const std::string& a, const std::string& b);

// Names of entries of `b` that `a` does not have, or has with content not the same to Windows:
// what a run left that the reference run did not. Entries for which `skip` is true are left out.
std::vector<std::string> Leftovers(const MachineState& a, const MachineState& b,
                                   const std::function<bool(const std::string&)>& skip);
