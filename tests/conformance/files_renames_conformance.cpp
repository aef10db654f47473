// Conformance: renames as the setup and the uninstaller make them: a change of case only,
// folders onto folders and files, a folder into itself, and the flags MOVEFILE_WRITE_THROUGH and
// MOVEFILE_COPY_ALLOWED on one volume.
#include <string>

#include "platform/os_files.h"
#include "tests/conformance/conformance.h"

namespace {

std::u16string Base() { return conf::Scratch() + u"renames\\"; }

// The name FindFirstFileW reports for `path`, or "(none)".
std::string ListedName(const std::u16string& path) {
  os::FindData data;
  const os::HANDLE find = os::FindFirstFileW(path, &data);
  if (find == INVALID_HANDLE_VALUE) return "(none)";
  os::FindClose(find);
  return conf::U8(data.fileName);
}

}  // namespace

CONFORMANCE_SCENARIO(files_rename_case_only, 86) {
  os::CreateDirectoryW(Base());
  conf::WriteText(Base() + u"case.txt", "c");
  os::SetLastError(conf::kPoison);
  conf::Check("MoveFileExW to the same name in upper case",
              os::MoveFileExW(Base() + u"case.txt", Base() + u"CASE.TXT", 0));
  conf::Line("  listed as %s, reads %s", ListedName(Base() + u"cas?.txt").c_str(),
             conf::ReadText(Base() + u"case.txt").c_str());
  conf::Check(
      "MoveFileExW back with MOVEFILE_REPLACE_EXISTING",
      os::MoveFileExW(Base() + u"CASE.TXT", Base() + u"Case.txt", MOVEFILE_REPLACE_EXISTING));
  conf::Line("  listed as %s", ListedName(Base() + u"CAS?.TXT").c_str());
  os::CreateDirectoryW(Base() + u"folder");
  conf::Check("MoveFileExW of a folder to its name in upper case",
              os::MoveFileExW(Base() + u"folder", Base() + u"FOLDER", 0));
  conf::Line("  listed as %s", ListedName(Base() + u"fold*").c_str());
  os::RemoveDirectoryW(Base() + u"FOLDER");
  os::DeleteFileW(Base() + u"Case.txt");
}

CONFORMANCE_SCENARIO(files_rename_onto_folders, 86) {
  const std::u16string file = Base() + u"file.txt", folder = Base() + u"target";
  const std::u16string other = Base() + u"other";
  conf::WriteText(file, "f");
  os::CreateDirectoryW(folder);
  os::CreateDirectoryW(other);
  os::SetLastError(conf::kPoison);
  conf::Check("a file onto an empty folder", os::MoveFileExW(file, folder, 0));
  conf::Check("a file onto an empty folder, replacing",
              os::MoveFileExW(file, folder, MOVEFILE_REPLACE_EXISTING));
  conf::Check("a folder onto an empty folder", os::MoveFileExW(other, folder, 0));
  conf::Check("a folder onto an empty folder, replacing",
              os::MoveFileExW(other, folder, MOVEFILE_REPLACE_EXISTING));
  conf::PrintAttributes("  the file", file);
  conf::PrintAttributes("  the target folder", folder);
  conf::PrintAttributes("  the other folder", other);
  os::DeleteFileW(file);
  os::RemoveDirectoryW(folder);
  os::RemoveDirectoryW(other);
}

CONFORMANCE_SCENARIO(files_rename_into_itself, 86) {
  const std::u16string folder = Base() + u"outer";
  os::CreateDirectoryW(folder);
  os::CreateDirectoryW(folder + u"\\inner");
  os::SetLastError(conf::kPoison);
  conf::Check("a folder onto its own subfolder",
              os::MoveFileExW(folder, folder + u"\\inner", MOVEFILE_REPLACE_EXISTING));
  conf::Check("a folder onto itself", os::MoveFileExW(folder, folder, 0));
  conf::PrintAttributes("  the subfolder", folder + u"\\inner");
  os::RemoveDirectoryW(folder + u"\\inner");
  os::RemoveDirectoryW(folder);
}

CONFORMANCE_SCENARIO(files_rename_flags, 86) {
  const std::u16string a = Base() + u"a.txt", b = Base() + u"b.txt";
  conf::WriteText(a, "first");
  conf::WriteText(b, "second");
  os::SetLastError(conf::kPoison);
  conf::Check("MOVEFILE_WRITE_THROUGH onto an existing file",
              os::MoveFileExW(a, b, MOVEFILE_WRITE_THROUGH));
  conf::Check("MOVEFILE_WRITE_THROUGH | MOVEFILE_REPLACE_EXISTING",
              os::MoveFileExW(a, b, MOVEFILE_WRITE_THROUGH | MOVEFILE_REPLACE_EXISTING));
  conf::Line("  b reads %s", conf::ReadText(b).c_str());
  conf::Check("MOVEFILE_COPY_ALLOWED on the same volume",
              os::MoveFileExW(b, a, MOVEFILE_COPY_ALLOWED));
  conf::Line("  a reads %s", conf::ReadText(a).c_str());
  conf::PrintAttributes("  b", b);
  conf::Check("an unknown flag 0x40", os::MoveFileExW(a, b, 0x40));
  conf::PrintAttributes("  a", a);
  os::DeleteFileW(a);
  os::DeleteFileW(b);
}

CONFORMANCE_SCENARIO(files_rename_cleanup, 87) {
  os::SetLastError(conf::kPoison);
  conf::Check("renames folder removed", os::RemoveDirectoryW(Base()));
}
