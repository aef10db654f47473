// Conformance: GetFileVersionInfoSizeW on what is no program image: a text file, an empty
// file, a folder and a name in a missing folder (the setup asks for versions of whatever it is
// about to replace).
#include <string>

#include "platform/os_files.h"
#include "platform/os_system.h"
#include "tests/conformance/conformance.h"

CONFORMANCE_SCENARIO(version_not_an_image, 64) {
  const std::u16string folder = conf::Scratch() + u"images\\";
  os::CreateDirectoryW(folder);
  conf::WriteText(folder + u"text.dll", "no image at all, just text\r\n");
  conf::WriteText(folder + u"empty.dll", "");
  const struct {
    const char* what;
    std::u16string path;
  } cases[] = {{"a text file", folder + u"text.dll"},
               {"an empty file", folder + u"empty.dll"},
               {"a folder", conf::Scratch() + u"images"},
               {"a name in a missing folder", folder + u"none\\x.dll"}};
  for (const auto& c : cases) {
    os::DWORD handle = conf::kPoison;
    os::SetLastError(conf::kPoison);
    const os::DWORD size = os::GetFileVersionInfoSizeW(c.path, &handle);
    const os::DWORD error = os::GetLastError();
    conf::Line("%s: size %lu, handle %lu, last error %lu", c.what, static_cast<unsigned long>(size),
               static_cast<unsigned long>(handle), static_cast<unsigned long>(size ? 0 : error));
  }
  os::DeleteFileW(folder + u"text.dll");
  os::DeleteFileW(folder + u"empty.dll");
  os::RemoveDirectoryW(folder);
}
