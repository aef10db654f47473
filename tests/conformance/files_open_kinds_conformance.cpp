// Conformance: what CreateFileW does with a folder's name, and how FindFirstFileW reports names:
// the stored case for a name asked in another case, a folder named without a wildcard, and
// wildcards that differ in case from the names.
#include <string>

#include "platform/os_files.h"
#include "tests/conformance/conformance.h"

namespace {

std::u16string Base() { return conf::Scratch() + u"kinds\\"; }

}  // namespace

// Without FILE_FLAG_BACKUP_SEMANTICS a folder cannot be opened as a file; the dispositions that
// would create one report the folder as an existing name.
CONFORMANCE_SCENARIO(files_open_folder_as_file, 86) {
  os::CreateDirectoryW(Base());
  const std::u16string folder = Base() + u"folder";
  os::CreateDirectoryW(folder);
  os::SetLastError(conf::kPoison);
  const struct {
    const char* name;
    os::DWORD access, disposition;
  } steps[] = {{"OPEN_EXISTING for reading", GENERIC_READ, OPEN_EXISTING},
               {"OPEN_EXISTING for writing", GENERIC_WRITE, OPEN_EXISTING},
               {"OPEN_ALWAYS for writing", GENERIC_WRITE, OPEN_ALWAYS},
               {"CREATE_NEW", GENERIC_WRITE, CREATE_NEW},
               {"CREATE_ALWAYS", GENERIC_WRITE, CREATE_ALWAYS},
               {"TRUNCATE_EXISTING", GENERIC_WRITE, TRUNCATE_EXISTING}};
  for (const auto& step : steps)
    conf::PrintOpen(step.name,
                    os::CreateFileW(folder, step.access, FILE_SHARE_READ, step.disposition, 0));
  conf::PrintAttributes("  the folder afterwards", folder);
  conf::PrintOpen("a file below a file", os::CreateFileW(Base() + u"plain.txt\\below.txt",
                                                         GENERIC_WRITE, 0, CREATE_ALWAYS, 0));
  os::RemoveDirectoryW(folder);
}

CONFORMANCE_SCENARIO(files_find_names, 86) {
  os::CreateDirectoryW(Base());
  conf::WriteText(Base() + u"Readme.TXT", "r");
  conf::WriteText(Base() + u"notes.txt", "n");
  conf::WriteText(Base() + u"log.log", "l");
  os::CreateDirectoryW(Base() + u"Sub Folder");
  conf::PrintFound("a file asked in lower case", Base() + u"readme.txt");
  conf::PrintFound("a folder without a wildcard", Base() + u"sub folder");
  conf::PrintFound("the folder with a trailing backslash", Base() + u"Sub Folder\\");
  conf::PrintFound("*.txt in upper case", Base() + u"*.TXT");
  conf::PrintFound("n*", Base() + u"N*");
  conf::PrintFound("a missing name", Base() + u"missing.txt");
  conf::PrintFound("a wildcard matching nothing", Base() + u"*.none");
  for (const char16_t* name : {u"Readme.TXT", u"notes.txt", u"log.log"})
    os::DeleteFileW(Base() + name);
  os::RemoveDirectoryW(Base() + u"Sub Folder");
}

CONFORMANCE_SCENARIO(files_open_kinds_cleanup, 87) {
  os::SetLastError(conf::kPoison);
  conf::Check("kinds folder removed", os::RemoveDirectoryW(Base()));
}
