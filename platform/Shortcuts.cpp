#include "platform/Shortcuts.h"

#include <vector>

#include "platform/os_files.h"
#include "platform/os_shell_link.h"
#include "platform/os_system.h"
#include "platform/trace.h"

namespace {

// A folder or link path that does not fit is traced and the shortcut is not written: acting on
// a cut path would create folders and links under the wrong names.
bool Fits(const std::u16string& path) {
  if (path.size() <= kShortcutMaxPath) return true;
  trace::Write(u"***** Shortcut path too long, skipped = ");
  trace::Write(path);
  trace::Write(u" *****\n");
  return false;
}

// The steps every writer shares: COM for the call's duration, the link object with its target,
// then the writer's folders (created in order) and the save.
void WriteShortcut(const std::u16string& targetPath, int csidl,
                   const std::vector<std::u16string>& folders, const std::u16string& name) {
  os::CoInitialize();
  os::ShellLink link = nullptr;
  if (os::CreateShellLink(&link) >= 0 && os::ShellLinkSetPath(link, targetPath) >= 0) {
    std::u16string path;
    // Without its folder the link would land in the root of the current drive.
    bool fits = os::SHGetSpecialFolderPathW(&path, csidl, FALSE) && !path.empty();
    for (std::size_t i = 0; fits && i < folders.size(); ++i) {
      const auto& folder = folders[i];
      path += u"\\" + folder;
      if (!(fits = Fits(path))) break;
      os::CreateDirectoryW(path);
    }
    path += u"\\" + name + u".lnk";
    if (fits && Fits(path)) os::ShellLinkSave(link, path);
  }
  if (link) os::ShellLinkRelease(link);
  os::CoUninitialize();
}

}  // namespace

void CreateProgramsShortcut(std::u16string folderName, std::u16string targetPath,
                            std::u16string shortcutName) {
  WriteShortcut(targetPath, CSIDL_COMMON_PROGRAMS, {folderName}, shortcutName);
}

void CreateProgramsShortcutEx(std::u16string folderName, std::u16string targetPath,
                              std::u16string shortcutName, std::u16string parentFolderName) {
  std::vector<std::u16string> folders;
  if (!parentFolderName.empty()) folders.push_back(parentFolderName);
  folders.push_back(folderName);
  WriteShortcut(targetPath, CSIDL_COMMON_PROGRAMS, folders, shortcutName);
}

void CreateDesktopShortcut(std::u16string targetPath, std::u16string shortcutName) {
  WriteShortcut(targetPath, CSIDL_DESKTOPDIRECTORY, {}, shortcutName);
}
