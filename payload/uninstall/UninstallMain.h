// The uninstaller of the ZKT 72xx USB audio setup, the same on Windows and on the simulated
// machine. Started through the uninstall entry's "UninstallString" (no arguments);
// "/RemoveUserData" or "/KeepUserData" answer the question about the per-user settings in
// advance; "/S" (the entry's "QuietUninstallString") removes without any question or report and
// keeps the settings unless /RemoveUserData is given. What it removes: payload/UNINSTALL.md.
#pragma once

#include <string>
#include <vector>

// The exit codes of the uninstaller.
constexpr int kUninstallComplete = 0;
constexpr int kUninstallDeclined = 1;
constexpr int kUninstallIncomplete = 2;
constexpr int kUninstallBadArgument = 87;         // ERROR_INVALID_PARAMETER
constexpr int kUninstallNotInstalledHere = 1605;  // ERROR_UNKNOWN_PRODUCT

// Runs the uninstaller with its arguments (without the program's name); the exit code.
int UninstallMain(const std::vector<std::u16string>& arguments);
