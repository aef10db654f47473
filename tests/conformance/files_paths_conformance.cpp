// Conformance: how the file calls read a path: length limits (MAX_PATH for files, 248 for
// folders), trailing dots and blanks, forward slashes, "." and "..", invalid characters, and
// the error codes of missing files and folders.
#include <string>

#include "platform/os_files.h"
#include "tests/conformance/conformance.h"

namespace {

using conf::kPoison;

unsigned long U(os::DWORD v) { return static_cast<unsigned long>(v); }

std::u16string Base() { return conf::Scratch() + u"paths\\"; }

// A path below the scratch folder of exactly `length` characters.
std::u16string OfLength(std::size_t length, char16_t fill) {
  std::u16string path = Base() + u"deep";
  while (path.size() < length) {
    const std::size_t room = length - path.size() - 1;
    path += u"\\" + std::u16string(room < 100 ? room : 100, fill);
  }
  return path;
}

// Creates every folder above `path`.
void MakeParents(const std::u16string& path) {
  for (std::size_t i = Base().size(); i < path.size(); ++i)
    if (path[i] == u'\\') os::CreateDirectoryW(path.substr(0, i));
}

}  // namespace

CONFORMANCE_SCENARIO(files_path_limits, 85) {
  os::CreateDirectoryW(Base());
  for (std::size_t length : {246u, 247u, 248u, 250u}) {
    const std::u16string folder = OfLength(length, u'f');
    MakeParents(folder);
    os::SetLastError(kPoison);
    const os::BOOL ok = os::CreateDirectoryW(folder);
    conf::Line("folder of %u characters: CreateDirectoryW %d, last error %lu",
               static_cast<unsigned>(length), ok ? 1 : 0, U(ok ? 0 : os::GetLastError()));
  }
  for (std::size_t length : {258u, 259u, 260u, 261u}) {
    const std::u16string file = OfLength(length, u'g');
    MakeParents(file);
    os::SetLastError(kPoison);
    const os::HANDLE h = os::CreateFileW(file, GENERIC_WRITE, 0, CREATE_ALWAYS, 0);
    conf::Line("file of %u characters: CreateFileW %s, last error %lu",
               static_cast<unsigned>(length), h == INVALID_HANDLE_VALUE ? "failed" : "opened",
               U(h == INVALID_HANDLE_VALUE ? os::GetLastError() : 0));
    if (h != INVALID_HANDLE_VALUE) os::CloseHandle(h);
  }
}

CONFORMANCE_SCENARIO(files_path_normalisation, 85) {
  const std::u16string folder = Base() + u"norm";
  os::CreateDirectoryW(folder);
  conf::WriteText(folder + u"\\name.txt", "n");
  conf::PrintAttributes("trailing dot", folder + u"\\name.txt.");
  conf::PrintAttributes("trailing blanks", folder + u"\\name.txt  ");
  conf::PrintAttributes("trailing dots and blanks", folder + u"\\name.txt. .");
  conf::PrintAttributes("forward slashes", u"C:/zkt-conformance/paths/norm/name.txt");
  conf::PrintAttributes("mixed slashes and doubled separators", folder + u"/\\name.txt");
  conf::PrintAttributes("dot and dot-dot", folder + u"\\.\\..\\norm\\name.txt");
  conf::PrintAttributes("dot-dot above the root",
                        u"C:\\..\\..\\zkt-conformance\\paths\\norm\\name.txt");
  conf::PrintAttributes("folder with a trailing dot", folder + u".\\name.txt");
  conf::PrintResult("CreateDirectoryW with a trailing dot",
                    os::CreateDirectoryW(Base() + u"dotted."));
  conf::PrintAttributes("  which is the folder", Base() + u"dotted");
  conf::WriteText(Base() + u"blank.txt ", "b");
  conf::PrintAttributes("file written with a trailing blank", Base() + u"blank.txt");
  os::DeleteFileW(Base() + u"blank.txt");
  os::RemoveDirectoryW(Base() + u"dotted");
  os::DeleteFileW(folder + u"\\name.txt");
  os::RemoveDirectoryW(folder);
}

CONFORMANCE_SCENARIO(files_invalid_names, 85) {
  // (A colon names an alternate data stream on NTFS, which the setup never uses.)
  for (const char16_t* name : {u"a<b", u"a>b", u"a\"b", u"a|b", u"a?b", u"a*b", u"tab\tname"}) {
    os::SetLastError(kPoison);
    const os::HANDLE h = os::CreateFileW(Base() + name, GENERIC_WRITE, 0, CREATE_ALWAYS, 0);
    std::string shown = conf::U8(name);
    if (shown.find('\t') != std::string::npos) shown.replace(shown.find('\t'), 1, "<TAB>");
    conf::Line("'%s': CreateFileW %s, last error %lu", shown.c_str(),
               h == INVALID_HANDLE_VALUE ? "failed" : "opened",
               U(h == INVALID_HANDLE_VALUE ? os::GetLastError() : 0));
    if (h != INVALID_HANDLE_VALUE) {
      os::CloseHandle(h);
      os::DeleteFileW(Base() + name);
    }
  }
  os::SetLastError(kPoison);
  conf::PrintResult("CreateDirectoryW 'x?y'", os::CreateDirectoryW(Base() + u"x?y"));
}

CONFORMANCE_SCENARIO(files_missing_entries, 85) {
  os::SetLastError(kPoison);
  conf::PrintResult("DeleteFileW of a missing file", os::DeleteFileW(Base() + u"missing.txt"));
  os::SetLastError(kPoison);
  conf::PrintResult("DeleteFileW in a missing folder",
                    os::DeleteFileW(Base() + u"none\\missing.txt"));
  os::SetLastError(kPoison);
  conf::PrintResult("DeleteFileW of a folder", os::DeleteFileW(conf::Scratch() + u"paths"));
  os::SetLastError(kPoison);
  conf::PrintResult("RemoveDirectoryW of a missing folder", os::RemoveDirectoryW(Base() + u"none"));
  conf::WriteText(Base() + u"file.txt", "f");
  os::SetLastError(kPoison);
  conf::PrintResult("RemoveDirectoryW of a file", os::RemoveDirectoryW(Base() + u"file.txt"));
  os::SetLastError(kPoison);
  conf::PrintResult("RemoveDirectoryW of a folder that is not empty", os::RemoveDirectoryW(Base()));
  os::DeleteFileW(Base() + u"file.txt");
}

CONFORMANCE_SCENARIO(files_create_dispositions, 85) {
  const std::u16string file = Base() + u"disposition.txt";
  os::DeleteFileW(file);
  const struct {
    const char* name;
    os::DWORD disposition;
  } steps[] = {{"OPEN_EXISTING, missing", OPEN_EXISTING},
               {"TRUNCATE_EXISTING, missing", TRUNCATE_EXISTING},
               {"CREATE_NEW", CREATE_NEW},
               {"CREATE_NEW, existing", CREATE_NEW},
               {"OPEN_ALWAYS, existing", OPEN_ALWAYS},
               {"CREATE_ALWAYS, existing", CREATE_ALWAYS},
               {"TRUNCATE_EXISTING", TRUNCATE_EXISTING},
               {"OPEN_EXISTING", OPEN_EXISTING}};
  for (const auto& step : steps) {
    os::SetLastError(kPoison);
    const os::HANDLE h = os::CreateFileW(file, GENERIC_WRITE, 0, step.disposition, 0);
    const os::DWORD error = os::GetLastError();
    conf::Line("%s: %s, last error %lu", step.name, h == INVALID_HANDLE_VALUE ? "failed" : "opened",
               U(error));
    if (h != INVALID_HANDLE_VALUE) os::CloseHandle(h);
  }
  os::DeleteFileW(file);
}

CONFORMANCE_SCENARIO(files_move_rules, 85) {
  const std::u16string a = Base() + u"a.txt", b = Base() + u"b.txt";
  conf::WriteText(a, "a");
  conf::WriteText(b, "b");
  os::SetLastError(kPoison);
  conf::PrintResult("MoveFileExW onto an existing file", os::MoveFileExW(a, b, 0));
  os::SetFileAttributesW(b, FILE_ATTRIBUTE_READONLY);
  os::SetLastError(kPoison);
  conf::PrintResult("MoveFileExW replacing a read-only file",
                    os::MoveFileExW(a, b, MOVEFILE_REPLACE_EXISTING));
  os::SetFileAttributesW(b, FILE_ATTRIBUTE_NORMAL);
  os::SetLastError(kPoison);
  conf::PrintResult("MoveFileExW replacing", os::MoveFileExW(a, b, MOVEFILE_REPLACE_EXISTING));
  conf::Line("b now reads %s, a %s", conf::ReadText(b).c_str(), conf::ReadText(a).c_str());
  os::SetLastError(kPoison);
  conf::PrintResult("MoveFileExW of a missing file",
                    os::MoveFileExW(a, b, MOVEFILE_REPLACE_EXISTING));
  os::SetLastError(kPoison);
  conf::PrintResult("MoveFileExW into a missing folder",
                    os::MoveFileExW(b, Base() + u"none\\b.txt", 0));
  os::CreateDirectoryW(Base() + u"sub");
  os::SetLastError(kPoison);
  conf::PrintResult("MoveFileExW of a folder onto a file",
                    os::MoveFileExW(Base() + u"sub", b, MOVEFILE_REPLACE_EXISTING));
  os::SetLastError(kPoison);
  conf::PrintResult("MoveFileExW renaming a folder",
                    os::MoveFileExW(Base() + u"sub", Base() + u"sub2", 0));
  os::RemoveDirectoryW(Base() + u"sub2");
  os::DeleteFileW(b);
}
