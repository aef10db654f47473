// The registry of the simulated machine: HKLM and HKCU as a tree of keys, saved as
// registry.reg in the registry editor's version 5 text format.
#pragma once

#include <filesystem>
#include <string>

namespace sim {

class Machine;

class Registry {
 public:
  Registry();
  ~Registry();
  void Clear();
  // The keys a fresh Windows installation has (Run, Uninstall, Services ...).
  void InstallDefaults(const Machine& machine);
  bool Load(const std::filesystem::path& file, std::string* error);
  bool Save(const std::filesystem::path& file, std::string* error) const;
};

}  // namespace sim
