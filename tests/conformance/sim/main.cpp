// Conformance program, simulated-machine side: runs every scenario on a fresh sim machine.
//
//   zkt_conformance [--machine DIR] [--fixtures DIR] [--machine-ini FILE] [--32] [--only PREFIX]
//                   [--list]
//
// --machine      an empty or missing folder for the machine (default: a new temporary folder,
//                removed afterwards)
// --fixtures     host folder of fixture files; each is copied to C:\zkt-bin\ beside the
//                program, as the wine runner places them beside the Windows build. A file
//                named machine.ini there describes the machine (unless --machine-ini is given)
//                and is not copied.
// --machine-ini  the machine description to start from (default: the sim's defaults)
// --32           runs the scenarios as a 32-bit program (under WOW64 on a 64-bit machine), as
//                the i686 build runs under wine64's WoW64 mode; default: a 64-bit program
// --only         runs only the scenarios whose name starts with PREFIX
// --list         prints the scenario names in run order
#include <stdlib.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>

#include "platform/sim/sim_machine.h"
#include "platform/sim/sim_resources.h"
#include "platform/text.h"
#include "tests/conformance/conformance_run.h"

namespace fs = std::filesystem;

namespace {

// The Windows build runs as C:\zkt-bin\zkt_conformance.exe under wine; the sim run matches it.
constexpr char16_t kProgramFolder[] = u"C:\\zkt-bin\\";
constexpr char kProgramFolderOnDrive[] = "zkt-bin";
constexpr char kScratchOnDrive[] = "zkt-conformance";

int Usage(const std::string& reason) {
  std::fprintf(stderr, "zkt_conformance: %s\n", reason.c_str());
  std::fprintf(stderr,
               "usage: zkt_conformance [--machine DIR] [--fixtures DIR] [--machine-ini FILE] "
               "[--32] [--only PREFIX] [--list]\n");
  return 2;
}

bool IsEmptyOrMissing(const fs::path& folder) {
  std::error_code ec;
  if (!fs::exists(folder, ec)) return true;
  return fs::is_directory(folder, ec) && fs::is_empty(folder, ec);
}

}  // namespace

int main(int argc, char** argv) {
  fs::path machineFolder, fixtures, machineIni;
  conf::RunSettings settings;
  settings.onSim = true;
  bool list = false;
  bool process32 = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool hasValue = i + 1 < argc;
    if (arg == "--list") {
      list = true;
    } else if (arg == "--32") {
      process32 = true;
    } else if (arg == "--machine" && hasValue) {
      machineFolder = argv[++i];
    } else if (arg == "--fixtures" && hasValue) {
      fixtures = argv[++i];
    } else if (arg == "--machine-ini" && hasValue) {
      machineIni = argv[++i];
    } else if (arg == "--only" && hasValue) {
      settings.only = argv[++i];
    } else {
      return Usage("unknown or incomplete option " + arg);
    }
  }
  if (list) {
    for (const auto& name : conf::ScenarioNames()) std::printf("%s\n", name.c_str());
    return 0;
  }

  std::error_code ec;
  if (!fixtures.empty() && !fs::is_directory(fixtures, ec))
    return Usage("fixture folder " + fixtures.string() + " does not exist");
  if (machineIni.empty() && !fixtures.empty() && fs::is_regular_file(fixtures / "machine.ini", ec))
    machineIni = fixtures / "machine.ini";
  if (!machineIni.empty() && !fs::is_regular_file(machineIni, ec))
    return Usage("machine description " + machineIni.string() + " does not exist");

  bool temporary = false;
  if (machineFolder.empty()) {
    std::string pattern = (fs::temp_directory_path() / "zkt-conformance-XXXXXX").string();
    if (!::mkdtemp(&pattern[0])) return Usage("cannot create a temporary machine folder");
    machineFolder = pattern;
    temporary = true;
  } else if (!IsEmptyOrMissing(machineFolder)) {
    return Usage("machine folder " + machineFolder.string() +
                 " is not empty; a run needs a fresh machine");
  }
  fs::create_directories(machineFolder, ec);
  if (!machineIni.empty()) fs::copy_file(machineIni, machineFolder / "machine.ini", ec);
  if (ec) return Usage("cannot prepare " + machineFolder.string() + ": " + ec.message());

  auto& machine = sim::Machine::Current();
  std::string error;
  if (!machine.Open(machineFolder, &error)) return Usage(error);
  // wine64 runs the x86_64 build natively and the i686 build in its WoW64 mode.
  machine.SetProcessIs32Bit(process32);
  machine.SetModulePath(std::u16string(kProgramFolder) + u"zkt_conformance.exe");
  // The program's own resources, as the Windows build embeds them.
  if (!sim::SetPayloadManifest(ZKT_CONFORMANCE_RESOURCES, &error)) return Usage(error);

  const fs::path programFolder = machine.DriveRoot() / kProgramFolderOnDrive;
  fs::create_directories(programFolder, ec);
  fs::create_directories(machine.DriveRoot() / kScratchOnDrive, ec);
  if (ec) return Usage("cannot prepare drive C: of the machine: " + ec.message());
  settings.fixtureFolder = kProgramFolder;
  if (!fixtures.empty()) {
    for (const auto& entry : fs::directory_iterator(fixtures, ec)) {
      const std::string name = entry.path().filename().string();
      if (!entry.is_regular_file() || name == "machine.ini") continue;
      fs::copy_file(entry.path(), programFolder / name, fs::copy_options::overwrite_existing, ec);
      if (ec) return Usage("cannot copy fixture " + name + ": " + ec.message());
      settings.fixtureNames.push_back(text::FromUtf8(name));
    }
  }

  conf::RunAll(settings, stdout);

  if (!machine.Save(&error)) std::fprintf(stderr, "zkt_conformance: %s\n", error.c_str());
  machine.Reset();
  if (temporary) fs::remove_all(machineFolder, ec);
  return 0;
}
