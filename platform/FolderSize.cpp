#include "platform/FolderSize.h"

#include <vector>

#include "platform/OwnedHandles.h"
#include "platform/os_files.h"

std::uint64_t FolderSize(const std::u16string& folder) {
  std::uint64_t total = 0;
  std::vector<std::u16string> pending{folder};
  while (!pending.empty()) {
    const std::u16string current = pending.back();
    pending.pop_back();
    os::FindData data;
    const os::OwnedFind find(os::FindFirstFileW(current + u"*", &data));
    if (!find) continue;
    do {
      if (data.fileName == u"." || data.fileName == u"..") continue;
      if (data.attributes & FILE_ATTRIBUTE_REPARSE_POINT) continue;
      if (data.attributes & FILE_ATTRIBUTE_DIRECTORY)
        pending.push_back(current + data.fileName + u"\\");
      else total += data.fileSize;
    } while (os::FindNextFileW(find.get(), &data));
  }
  return total;
}
