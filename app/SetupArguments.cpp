#include "app/SetupArguments.h"

#include "platform/text.h"

namespace {

// The switch's name without its '/' or '-', upper-cased; empty when `arg` is no switch.
std::u16string SwitchName(const std::u16string& arg) {
  if (arg.size() < 2 || (arg[0] != u'/' && arg[0] != u'-')) return u"";
  return text::ToUpper(arg.substr(1));
}

}  // namespace

SetupOptions ParseSetupArguments(const std::vector<std::u16string>& args) {
  SetupOptions options;
  for (const std::u16string& arg : args) {
    const std::u16string name = SwitchName(arg);
    if (name == u"S" || name == u"QUIET") {
      options.unattended = true;
    } else if (name == u"NORESTART") {
      options.forceRestart = false;
    } else if (name == u"FORCERESTART") {
      options.forceRestart = true;
    } else if (name.compare(0, 4, u"LOG=") == 0) {
      options.logFile = arg.substr(5);
      // A quoted file name arrives with its quotes when the shell left them in place.
      if (options.logFile.size() >= 2 && options.logFile.front() == u'"' &&
          options.logFile.back() == u'"')
        options.logFile = options.logFile.substr(1, options.logFile.size() - 2);
    }
  }
  return options;
}
