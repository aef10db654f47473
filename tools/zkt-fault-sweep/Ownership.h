// What the setup owns on a machine: the keys, values, files and folders that installing the
// product may create or change. Written down from what the setup and its uninstaller document
// (payload/UNINSTALL.md), never derived from a run; everything else that existed before a run
// must be byte-identical after it.
#pragma once

#include <string>
#include <vector>

#include "platform/sim/sim_machine.h"

class OwnedSet {
 public:
  // `config` is the AudioConfig.cfg the setup runs with (its names say where things go).
  // `productDevices` are the labels of the machine's devices of the product, whose filter
  // list the setup rewrites and which it restarts.
  OwnedSet(const sim::MachineIni& config, bool windows64, const std::string& userName,
           const std::vector<std::string>& productDevices);

  bool Owns(const std::string& entryName) const;
  // A log that every run appends to: owned, and never compared between two runs.
  bool ChangesEveryRun(const std::string& entryName) const;
  // Items the uninstaller finds only by the names in the installed AudioConfig.cfg: the program
  // files, the shortcuts and the autostart value. Without that file it leaves them and says so.
  bool NamedByConfiguration(const std::string& entryName) const;
  // The entry of the installed AudioConfig.cfg.
  const std::string& InstalledConfiguration() const { return installedConfiguration_; }
  // One line per owned item with the reason it is the setup's.
  const std::vector<std::string>& Describe() const { return lines_; }

 private:
  void Tree(const std::string& kind, const std::string& path, const std::string& why);
  void RunLog(const std::string& path, const std::string& why);
  void Value(const std::string& key, const std::string& name, const std::string& why);
  void Item(const std::string& entry, const std::string& why);

  struct Rule {
    std::string entry;  // upper-cased entry name
    bool tree;          // also everything below it
    bool everyRun = false;
    bool byName = false;  // found by the uninstaller through the configuration's names
  };
  // Marks the last `count` rules (a folder tree has two: its folders and its files).
  void ByName(std::size_t count = 1) {
    for (std::size_t i = 0; i < count; ++i) rules_[rules_.size() - 1 - i].byName = true;
  }
  bool Matches(const Rule& rule, const std::string& entryName) const;
  std::vector<Rule> rules_;
  std::vector<std::string> lines_;
  std::string installedConfiguration_;
};
