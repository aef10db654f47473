// Folder creation and file/folder copies of the install steps.
#pragma once

#include <string>

// Creates every folder of `path` up to its last backslash, outermost first; failures (the drive
// root, existing folders) are ignored. A last component without a trailing "\" is not created.
void CreateFolderPath(std::u16string path);
// CopyFileW that replaces an existing target; returns its BOOL.
int CopyFileOverwrite(std::u16string source, std::u16string target);
// Copies the tree `source` into `destination` (see FolderHelpers.cpp for the naming rule).
// True when both paths contain a backslash. Failures along the way are traced, not reported.
bool CopyFolder(std::u16string source, std::u16string destination);

// Longest path the folder copy works with (its buffers hold 256 characters).
constexpr std::size_t kCopyFolderMaxPath = 255;
