// Programs started on the simulated machine.
//
// Nothing is executed: machine.ini [Program:<file name or Windows path>] says what a program
// does when started (registers a service, runs for a time, ends with an exit code, or cannot
// be started). Every start is recorded with its command line, in memory and appended to
// processes.log in the machine folder.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "platform/os_types.h"

namespace sim {

// Command lines of the programs started since the machine was opened, in order. A start that
// failed is recorded as "<command line> -> error <code>".
std::vector<std::string> ProcessLog();

// CloseHandle for process and thread handles: true when `handle` was one (and is closed now).
bool CloseProcessHandle(os::HANDLE handle);

// Whether `host` (a file of drive C:) is the image of a program that has not ended yet. Windows
// maps a running program's file: it can be read and renamed, but opening it for writing gives
// ERROR_SHARING_VIOLATION and deleting or replacing it ERROR_ACCESS_DENIED. The file is
// followed by identity, so a renamed image stays held and a new file under the old name is not.
bool IsRunningImage(const std::filesystem::path& host);

// The program that runs in this process (the uninstaller run by zkt-setup-sim) holds its image
// as a started one does, until EndRunningImage.
void HoldRunningImage(const std::filesystem::path& host);
void EndRunningImage();

}  // namespace sim
