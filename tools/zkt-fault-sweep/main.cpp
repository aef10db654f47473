// zkt-fault-sweep: fails each Windows call of a whole install, reinstall and uninstall in turn, on
// each reference machine of the simulation, and checks that nothing is lost (see Sweep.h).
//   zkt-fault-sweep [--work DIR] [--machines a,b] [--every N] [--jobs N] [--verbose] ...
// Exit code 0 when no run broke a rule, 1 when one did, 2 for a usage error.
#include <algorithm>
#include <chrono>
#include <iomanip>
#include <iostream>
#include <map>
#include <sstream>

#include "tools/zkt-fault-sweep/Sweep.h"

namespace fs = std::filesystem;

namespace {

const char kUsage[] =
    "usage: zkt-fault-sweep [--work DIR] [--setup DIR] [--payloads FILE] [--silent FILE]\n"
    "                       [--open FILE]\n"
    "                       [--machines NAME,...] [--phases PHASE,...] [--every N] [--jobs N]\n"
    "                       [--timeout SECONDS]\n"
    "                       [--verbose]\n"
    "machines: win10-x64, win7-x64-sp1, win7-x86 (default: all)\n"
    "phases: install, reinstall, uninstall (default: all; the uninstall runs interactively on\n"
    "        every machine and with /S on the first)\n";

int Usage(const std::string& reason) {
  std::cerr << kUsage << "zkt-fault-sweep: " << reason << "\n";
  return 2;
}

void PrintTable(const std::vector<PhaseReport>& reports) {
  // Calls failed per family and phase.
  std::map<std::string, std::map<std::string, int>> perFamily;  // family -> machine/phase -> n
  std::vector<std::string> columns;
  for (const auto& r : reports) {
    const std::string column = r.machine + " " + r.phase;
    columns.push_back(column);
    for (const auto& c : r.cases) ++perFamily[c.family][column];
  }
  std::cout << "\ncalls failed per family\n" << std::left << std::setw(10) << "family";
  for (const auto& column : columns) std::cout << " | " << std::setw(22) << column;
  std::cout << "\n";
  for (const auto& [family, counts] : perFamily) {
    std::cout << std::setw(10) << family;
    for (const auto& column : columns) {
      const auto it = counts.find(column);
      std::cout << " | " << std::setw(22) << (it == counts.end() ? 0 : it->second);
    }
    std::cout << "\n";
  }
  std::cout << "\noutcomes\n"
            << std::setw(24) << "machine phase" << std::right << std::setw(7) << "calls"
            << std::setw(10) << "installed" << std::setw(9) << "message" << std::setw(8) << "silent"
            << std::setw(8) << "healed" << std::setw(9) << "unreach" << std::setw(6) << "open"
            << std::setw(11) << "violation" << std::setw(10) << "uninst" << std::setw(9)
            << "unnamed" << std::setw(10) << "no entry"
            << "\n"
            << std::left;
  for (const auto& r : reports) {
    std::map<Outcome, int> n;
    int healed = 0, uninstalled = 0, unnamed = 0, noEntry = 0;
    for (const auto& c : r.cases) {
      ++n[c.outcome];
      healed += c.healed ? 1 : 0;
      uninstalled += c.uninstall == "removed" ? 1 : 0;
      unnamed += c.uninstall == "unnamed" ? 1 : 0;
      noEntry += c.uninstall == "no-entry" ? 1 : 0;
    }
    std::cout << std::setw(24) << (r.machine + " " + r.phase) << std::right << std::setw(7)
              << r.calls << std::setw(10) << n[Outcome::Installed] << std::setw(9)
              << n[Outcome::Message] << std::setw(8) << n[Outcome::Silent] << std::setw(8) << healed
              << std::setw(9) << n[Outcome::NotReached] << std::setw(6) << n[Outcome::Open]
              << std::setw(11) << n[Outcome::Violation] + static_cast<int>(r.violations.size())
              << std::setw(10) << uninstalled << std::setw(9) << unnamed << std::setw(10) << noEntry
              << "\n"
              << std::left;
  }
}

}  // namespace

int main(int argc, char** argv) {
  SweepSettings settings;
  settings.work = fs::temp_directory_path() / "zkt-fault-sweep";
  settings.setup = ZKT_SAMPLE_DIR;
  settings.payloads = ZKT_PAYLOAD_MANIFEST;
  fs::path silentFile = ZKT_SILENT_LIST;
  fs::path openFile = ZKT_OPEN_FINDINGS;
  std::vector<std::string> wanted;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    auto value = [&]() -> std::string { return i + 1 < argc ? argv[++i] : ""; };
    if (arg == "--work") settings.work = value();
    else if (arg == "--setup") settings.setup = value();
    else if (arg == "--payloads") settings.payloads = value();
    else if (arg == "--silent") silentFile = value();
    else if (arg == "--open") openFile = value();
    else if (arg == "--verbose") settings.verbose = true;
    else if (arg == "--every" || arg == "--timeout" || arg == "--jobs") {
      const std::string text = value();
      int number = 0;
      std::istringstream in(text);
      if (!(in >> number) || number < 1 || !in.eof()) return Usage(arg + " wants a number above 0");
      (arg == "--every"  ? settings.every
       : arg == "--jobs" ? settings.jobs
                         : settings.timeoutSeconds) = number;
    } else if (arg == "--machines") {
      std::stringstream list(value());
      for (std::string name; std::getline(list, name, ',');) wanted.push_back(name);
    } else if (arg == "--phases") {
      std::stringstream list(value());
      for (std::string name; std::getline(list, name, ',');) {
        if (name != "install" && name != "reinstall" && name != "uninstall")
          return Usage("unknown phase " + name);
        settings.phases.push_back(name);
      }
    } else if (arg == "--help") {
      std::cout << kUsage;
      return 0;
    } else {
      return Usage("unknown argument " + arg);
    }
  }
  std::string error;
  if (!LoadSilentList(silentFile, &settings.silent, &error) ||
      !LoadSilentList(openFile, &settings.open, &error))
    return Usage(error);
  if (!fs::is_directory(settings.setup)) return Usage("no setup folder " + settings.setup.string());

  std::vector<ReferenceMachine> machines;
  for (const auto& m : ReferenceMachines())
    if (wanted.empty() || std::find(wanted.begin(), wanted.end(), m.name) != wanted.end())
      machines.push_back(m);
  if (machines.size() < std::max<std::size_t>(wanted.size(), 1))
    return Usage("unknown machine in --machines");

  const auto started = std::chrono::steady_clock::now();
  std::vector<PhaseReport> reports;
  for (const auto& machine : machines) {
    for (auto& report : SweepMachine(machine, settings)) {
      std::cout << machine.name << " " << report.phase << ": " << report.cases.size() << " of "
                << report.calls << " calls failed in turn\n";
      reports.push_back(std::move(report));
    }
  }
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  PrintTable(reports);
  std::size_t violations = 0;
  std::map<const SilentEntry*, int> open;
  std::cout << "\nviolations\n";
  for (const auto& r : reports) {
    for (const auto& v : r.violations) std::cout << "  " << v << "\n", ++violations;
    for (const auto& c : r.cases) {
      if (c.outcome == Outcome::Open) {
        ++open[c.open];
        continue;
      }
      for (const auto& v : c.violations) std::cout << "  " << v << "\n", ++violations;
    }
  }
  std::cout << (violations ? "" : "  none\n") << "\nopen findings (not mended yet)\n";
  for (const auto& [entry, count] : open)
    std::cout << "  " << count << " runs: line " << entry->line << ": " << entry->reason << "\n";
  std::cout << "\nwall time " << std::fixed << std::setprecision(1) << seconds << " s\n";
  return violations ? 1 : 0;
}
