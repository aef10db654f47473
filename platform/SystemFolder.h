// Where the system folder is, for the files the setup puts there.
#pragma once

#include <string>

// The system folder with a trailing backslash ("C:\Windows\system32\"): GetSystemDirectoryW,
// else the Windows folder's System32; empty when neither is known. An empty result must stop
// the write: a path built from it would name the root of the current drive.
std::u16string SystemFolderPath();
