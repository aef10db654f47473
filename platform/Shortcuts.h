// Start-menu and desktop shortcuts (shell links with only the target path set).
#pragma once

#include <string>

// All users' Programs\<folder>\<name>.lnk
void CreateProgramsShortcut(std::u16string folderName, std::u16string targetPath,
                            std::u16string shortcutName);
// All users' Programs\<parent>\<folder>\<name>.lnk, or Programs\<folder>\<name>.lnk when
// `parentFolderName` is empty.
void CreateProgramsShortcutEx(std::u16string folderName, std::u16string targetPath,
                              std::u16string shortcutName, std::u16string parentFolderName);
// The running user's desktop\<name>.lnk
void CreateDesktopShortcut(std::u16string targetPath, std::u16string shortcutName);

// Longest shortcut path the writers build (their buffers hold 260 characters).
constexpr std::size_t kShortcutMaxPath = 259;
