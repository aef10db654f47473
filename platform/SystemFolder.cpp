#include "platform/SystemFolder.h"

#include "platform/os_system.h"
#include "platform/trace.h"

std::u16string SystemFolderPath() {
  std::u16string folder;
  if (os::GetSystemDirectoryW(&folder) != 0 && !folder.empty()) return folder + u"\\";
  trace::Write(u"***** GetSystemDirectory FAIL! *****\n");
  // Spelled as GetSystemDirectoryW spells it, so that paths written from either agree.
  std::u16string windows;
  if (os::GetWindowsDirectoryW(&windows) != 0 && !windows.empty())
    return windows + (windows.back() == u'\\' ? u"system32\\" : u"\\system32\\");
  return u"";
}
