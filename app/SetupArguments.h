// The setup's command line. Without arguments the wizard runs; unknown arguments are ignored.
#pragma once

#include <string>
#include <vector>

struct SetupOptions {
  bool unattended = false;    // "/S" or "/quiet": install without any window or question
  bool forceRestart = false;  // "/forcerestart": restart Windows when a restart is suggested;
                              // "/norestart" (the default) does not
  std::u16string logFile;     // "/log=FILE"; empty: %TEMP%\ZKTAudioSetup.log
};

// `args` without the program name. Switches start with '/' or '-' and ignore case.
SetupOptions ParseSetupArguments(const std::vector<std::u16string>& args);
