#include "tools/zkt-setup-sim/Options.h"

#include <cstring>

#include "platform/text.h"
#include "tools/zkt-setup-sim/UninstallRun.h"

const char kUsage[] =
    "usage: zkt-setup-sim [--machine DIR] [--setup DIR] [--exe WINPATH] [--payloads FILE] "
    "[--user ACTIONS] [--args \"SETUP ARGUMENTS\"]\n"
    "       zkt-setup-sim --uninstall --machine DIR [--user ANSWERS] [--args \"/S\"]\n"
    "  ACTIONS: comma-separated next, cancel, finish, close, reboot-yes, reboot-no, "
    "language=FOLDER;\n"
    "           a trailing ? (reboot-no?) skips the action when its control cannot be used\n"
    "  SETUP ARGUMENTS: the setup's command line after its name, e.g. \"/S /log=C:\\x.log\"\n"
    "  --uninstall: runs the uninstaller the machine's UninstallString names, with its\n"
    "           arguments and --args; ANSWERS: comma-separated yes, no, ok, cancel, each taken\n"
    "           by the next box with that button (default: yes; other boxes get their default)\n"
    "  exit code: 0 the program ran to its end, 2 usage or machine error, 3 an action failed\n";

std::vector<std::u16string> SplitCommandLine(const std::u16string& line) {
  std::vector<std::u16string> args;
  std::size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && (line[i] == u' ' || line[i] == u'\t')) ++i;
    if (i >= line.size()) break;
    std::u16string arg;
    bool quoted = false;
    for (; i < line.size() && (quoted || (line[i] != u' ' && line[i] != u'\t')); ++i) {
      std::size_t slashes = 0;
      while (i < line.size() && line[i] == u'\\') ++slashes, ++i;
      if (i < line.size() && line[i] == u'"') {
        arg.append(slashes / 2, u'\\');
        if (slashes % 2) {
          arg += u'"';
        } else if (quoted && i + 1 < line.size() && line[i + 1] == u'"') {
          arg += u'"';  // "" inside quotes is one quote
          ++i;
        } else {
          quoted = !quoted;
        }
      } else {
        arg.append(slashes, u'\\');
        if (i >= line.size()) break;
        if (!quoted && (line[i] == u' ' || line[i] == u'\t')) break;
        arg += line[i];
      }
    }
    args.push_back(arg);
  }
  return args;
}

bool ParseOptions(int argc, char** argv, SimOptions* options, std::string* error) {
  options->setup = ZKT_SAMPLE_DIR;
  options->exe = "C:\\Users\\User\\Downloads\\ZKTAudioSetup\\ZKTAudioSetup.exe";
  options->payloads = ZKT_PAYLOAD_MANIFEST;
  options->actions = ui::sim::DefaultActions();
  std::string user;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      options->help = true;
      return true;
    }
    if (arg == "--uninstall") {
      options->uninstall = true;
      continue;
    }
    std::string* target = nullptr;
    if (arg == "--machine") target = &options->machine;
    else if (arg == "--setup") target = &options->setup;
    else if (arg == "--exe") target = &options->exe;
    else if (arg == "--payloads") target = &options->payloads;
    else if (arg != "--user" && arg != "--args") {
      *error = "unknown option " + arg;
      return false;
    }
    if (i + 1 >= argc) {
      *error = "option " + arg + " needs a value";
      return false;
    }
    const std::string value = argv[++i];
    if (target) {
      *target = value;
      continue;
    }
    if (arg == "--args") {
      options->args = SplitCommandLine(text::FromUtf8(value));
      continue;
    }
    user = value;
  }
  if (options->uninstall) {
    if (!ParseBoxAnswers(user.empty() ? "yes" : user, &options->answers, error)) return false;
  } else if (!user.empty()) {
    options->actions.clear();
    if (!ui::sim::ParseActions(user, &options->actions, error)) return false;
  }
  if (options->exe.size() < 4 || (options->exe[0] != 'C' && options->exe[0] != 'c') ||
      options->exe.compare(1, 2, ":\\") != 0 || options->exe.back() == '\\') {
    *error = "--exe must be a program path on drive C: (C:\\...\\name.exe)";
    return false;
  }
  return true;
}
