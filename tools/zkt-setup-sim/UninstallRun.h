// Runs the uninstaller on the open simulated machine as Windows starts it from the list of
// installed programs: the program the uninstall entry's "UninstallString" names, with that
// entry's arguments and any extra ones, its boxes answered by a scripted person.
#pragma once

#include <functional>
#include <string>
#include <vector>

struct UninstallRun {
  bool started = false;  // false: `error` says why the entry names no program to start
  std::string error;
  std::u16string program;  // the uninstaller as the entry names it
  int exitCode = 0;
};

// The answer words of the person at the uninstaller's boxes: yes, no, ok, cancel.
bool ParseBoxAnswers(const std::string& text, std::vector<int>* answers, std::string* error);

// Each answer is taken by the next box that has that button; a box without a queued answer
// gets its default button (Enter).
// `started` is called just before the uninstaller's first call (the sweep's faults begin there).
UninstallRun RunUninstallerFromEntry(const std::vector<std::u16string>& extraArguments,
                                     const std::vector<int>& answers,
                                     const std::function<void()>& started = nullptr);
