// zkt-setup-sim: runs the setup program (the same SetupMain as the Windows build) on a
// simulated machine, with a simulated person at the wizard, and prints what happened.
#include <filesystem>
#include <iostream>
#include <string>

#include "app/SetupArguments.h"
#include "app/SetupMain.h"
#include "platform/sim/sim_machine.h"
#include "platform/sim/sim_pending_renames.h"
#include "platform/sim/sim_resources.h"
#include "platform/sim/sim_session.h"
#include "platform/sim/sim_ui.h"
#include "platform/text.h"
#include "tools/zkt-setup-sim/Options.h"
#include "tools/zkt-setup-sim/UninstallRun.h"
#include "ui/sim/sim_person.h"

namespace fs = std::filesystem;

namespace {

int UsageError(const std::string& reason) {
  std::cerr << "zkt-setup-sim: " << reason << "\n";
  return 2;
}

// Host folder of the program's Windows folder inside the machine ("C:\a\b\x.exe" -> C/a/b).
fs::path HostFolderOf(const fs::path& machine, const std::string& exe) {
  fs::path host = machine / "C";
  std::string rest = exe.substr(3, exe.rfind('\\') - 3 + 1);
  std::string name;
  for (char c : rest) {
    if (c == '\\') {
      if (!name.empty()) host /= name;
      name.clear();
    } else {
      name += c;
    }
  }
  return host;
}

// The uninstaller of the machine's uninstall entry, its boxes answered as the options say.
int RunUninstaller(const SimOptions& options) {
  if (options.machine.empty())
    return UsageError("--uninstall needs the --machine of an earlier install");
  auto& machine = sim::Machine::Current();
  std::string error;
  if (!machine.Open(options.machine, &error)) return UsageError(error);
  std::cout << "machine " << options.machine << "\n";
  ::sim::SetMessageBoxListener([](const ::sim::MessageBoxRecord& box) {
    const char* answers[] = {"none", "OK", "Cancel", "Abort", "Retry", "Ignore", "Yes", "No"};
    std::cout << "message box [" << text::ToUtf8(box.caption) << "] " << text::ToUtf8(box.text)
              << "\n  -> " << (box.answer >= 0 && box.answer <= 7 ? answers[box.answer] : "?")
              << "\n";
  });
  const UninstallRun run = RunUninstallerFromEntry(options.args, options.answers);
  ::sim::SetMessageBoxListener(nullptr);
  if (!run.started) return UsageError(run.error);
  std::cout << "program " << text::ToUtf8(run.program) << "\nuninstaller exit code " << run.exitCode
            << "\nsimulated time " << machine.Now() << " ms\n";
  if (!machine.Save(&error)) return UsageError(error);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  SimOptions options;
  std::string error;
  if (!ParseOptions(argc, argv, &options, &error)) {
    std::cerr << kUsage;
    return UsageError(error);
  }
  if (options.help) {
    std::cout << kUsage;
    return 0;
  }
  if (options.uninstall) return RunUninstaller(options);
  fs::path machineDir = options.machine;
  std::error_code ec;
  if (machineDir.empty()) {
    machineDir = ZKT_DEFAULT_MACHINE_DIR;
    fs::remove_all(machineDir, ec);
  }
  if (!fs::is_directory(options.setup)) return UsageError("no setup folder " + options.setup);
  auto& machine = sim::Machine::Current();
  if (!machine.Open(machineDir, &error)) return UsageError(error);
  if (!sim::SetPayloadManifest(options.payloads, &error)) return UsageError(error);

  const fs::path setupHost = HostFolderOf(machineDir, options.exe);
  fs::create_directories(setupHost, ec);
  fs::copy(options.setup, setupHost,
           fs::copy_options::recursive | fs::copy_options::overwrite_existing, ec);
  if (ec) return UsageError("cannot copy the setup folder: " + ec.message());
  machine.SetModulePath(text::FromUtf8(options.exe));

  std::cout << "machine " << machineDir.string() << "\nprogram " << options.exe << "\n";
  ui::sim::Person person(options.actions);
  person.Attach();
  const int setupExit = SetupMain(options.args);
  person.Detach();
  for (const auto& line : person.Transcript()) std::cout << line << "\n";

  const sim::SessionRecord session = sim::Session();
  if (!session.shutdownRequests.empty()) std::cout << "ending: Windows restart requested\n";
  else if (!session.started.empty())
    std::cout << "ending: started " << text::ToUtf8(session.started.back().file) << " "
              << text::ToUtf8(session.started.back().parameters) << "\n";
  else if (ParseSetupArguments(options.args).unattended)
    std::cout << "ending: unattended run, no window shown\n";
  else if (person.LoopEnded()) std::cout << "ending: closed\n";
  else std::cout << "ending: the setup ended before showing the wizard\n";
  std::cout << "setup exit code " << static_cast<unsigned>(setupExit) << "\nsimulated time "
            << machine.Now() << " ms\n";
  // The restart the setup asked for: what waited for it happens now.
  if (!session.shutdownRequests.empty()) {
    const int performed = sim::RestartWindows();
    if (performed > 0)
      std::cout << "Windows restarted: " << performed << " pending file operations performed\n";
  }

  if (!machine.Save(&error)) return UsageError(error);
  if (!person.FailedAction().empty()) {
    std::cerr << "zkt-setup-sim: action " << person.FailedAction() << "\n";
    return 3;
  }
  return 0;
}
