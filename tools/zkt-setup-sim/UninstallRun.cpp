#include "tools/zkt-setup-sim/UninstallRun.h"

#include <sstream>

#include "payload/common/ProductNames.h"
#include "payload/uninstall/InstalledRegistry.h"
#include "payload/uninstall/UninstallMain.h"
#include "platform/os_ui.h"
#include "platform/sim/sim_machine.h"
#include "platform/sim/sim_paths.h"
#include "platform/sim/sim_process.h"
#include "platform/sim/sim_ui.h"
#include "platform/text.h"
#include "tools/zkt-setup-sim/Options.h"

bool ParseBoxAnswers(const std::string& text, std::vector<int>* answers, std::string* error) {
  std::stringstream in(text);
  for (std::string word; std::getline(in, word, ',');) {
    if (word == "yes") answers->push_back(IDYES);
    else if (word == "no") answers->push_back(IDNO);
    else if (word == "ok") answers->push_back(IDOK);
    else if (word == "cancel") answers->push_back(IDCANCEL);
    else {
      *error = "unknown answer '" + word + "' (yes, no, ok, cancel)";
      return false;
    }
  }
  return true;
}

UninstallRun RunUninstallerFromEntry(const std::vector<std::u16string>& extraArguments,
                                     const std::vector<int>& answers,
                                     const std::function<void()>& started) {
  UninstallRun run;
  std::u16string entry;
  if (!uninstall::ReadMachineString(payload::kUninstallKey, u"UninstallString", entry) ||
      entry.empty()) {
    run.error = "the machine has no uninstall entry with an UninstallString";
    return run;
  }
  // The program name, quoted or not, then its arguments, as Windows splits a command line.
  std::vector<std::u16string> arguments = SplitCommandLine(entry);
  const std::u16string upper = text::ToUpper(entry);
  if (!entry.empty() && entry[0] != u'"' && upper.find(u".EXE") != std::u16string::npos) {
    // An unquoted path with spaces: Windows takes the name up to ".exe".
    const std::size_t end = upper.find(u".EXE") + 4;
    arguments = SplitCommandLine(entry.substr(end));
    arguments.insert(arguments.begin(), entry.substr(0, end));
  }
  run.program = arguments.front();
  sim::ResolvedPath image;
  if (sim::ResolvePath(run.program, &image) != 0 || !image.exists) {
    run.error =
        "the program of the UninstallString is not on the machine: " + text::ToUtf8(run.program);
    return run;
  }
  arguments.erase(arguments.begin());
  arguments.insert(arguments.end(), extraArguments.begin(), extraArguments.end());
  for (const int answer : answers) sim::QueueMessageBoxAnswer(answer);
  sim::Machine::Current().SetModulePath(image.full);
  sim::HoldRunningImage(image.host);
  run.started = true;
  if (started) started();
  run.exitCode = UninstallMain(arguments);
  sim::EndRunningImage();
  return run;
}
