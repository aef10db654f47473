// Conformance: the error codes of the file calls the setup makes when copying its files and
// making its folders (missing sources and folders, existing targets, folders in the place of
// files), read-only and hidden entries, and searches that find nothing.
#include <string>

#include "platform/os_files.h"
#include "tests/conformance/conformance.h"

namespace {

using conf::kPoison;

unsigned long U(os::DWORD v) { return static_cast<unsigned long>(v); }

std::u16string Base() { return conf::Scratch() + u"errors\\"; }

using conf::Check;
using conf::PrintOpen;

}  // namespace

CONFORMANCE_SCENARIO(files_copy_errors, 86) {
  os::CreateDirectoryW(Base());
  const std::u16string a = Base() + u"a.txt", b = Base() + u"b.txt";
  conf::WriteText(a, "a");
  conf::WriteText(b, "b");
  os::SetLastError(kPoison);
  Check("missing source", os::CopyFileW(Base() + u"none.txt", b, FALSE));
  Check("source in a missing folder", os::CopyFileW(Base() + u"none\\a.txt", b, FALSE));
  Check("target in a missing folder", os::CopyFileW(a, Base() + u"none\\a.txt", FALSE));
  Check("existing target, fail if exists", os::CopyFileW(a, b, TRUE));
  conf::Line("  target still reads %s", conf::ReadText(b).c_str());
  Check("a folder as source", os::CopyFileW(conf::Scratch() + u"errors", b, FALSE));
  os::CreateDirectoryW(Base() + u"sub");
  Check("a folder as target", os::CopyFileW(a, Base() + u"sub", FALSE));
  Check("onto itself", os::CopyFileW(a, a, FALSE));
  Check("onto itself in other case", os::CopyFileW(a, Base() + u"A.TXT", FALSE));
  Check("existing target, overwrite", os::CopyFileW(a, b, FALSE));
  conf::Line("  target now reads %s", conf::ReadText(b).c_str());
  os::RemoveDirectoryW(Base() + u"sub");
  os::DeleteFileW(a);
  os::DeleteFileW(b);
}

CONFORMANCE_SCENARIO(files_create_directory_errors, 86) {
  os::SetLastError(kPoison);
  Check("existing folder", os::CreateDirectoryW(Base()));
  Check("missing parent", os::CreateDirectoryW(Base() + u"none\\sub"));
  conf::WriteText(Base() + u"file", "f");
  Check("name of a file", os::CreateDirectoryW(Base() + u"file"));
  Check("below a file", os::CreateDirectoryW(Base() + u"file\\sub"));
  Check("trailing backslash", os::CreateDirectoryW(Base() + u"slashed\\"));
  conf::PrintAttributes("  which made", Base() + u"slashed");
  Check("RemoveDirectoryW with a trailing backslash", os::RemoveDirectoryW(Base() + u"slashed\\"));
  Check("the drive's root", os::CreateDirectoryW(u"C:\\"));
  os::DeleteFileW(Base() + u"file");
}

CONFORMANCE_SCENARIO(files_read_only_entries, 86) {
  const std::u16string file = Base() + u"locked.txt", folder = Base() + u"lockedfolder";
  conf::WriteText(file, "locked");
  os::SetFileAttributesW(file, FILE_ATTRIBUTE_READONLY);
  os::SetLastError(kPoison);
  PrintOpen("open for writing", os::CreateFileW(file, GENERIC_WRITE, 0, OPEN_EXISTING, 0));
  PrintOpen("open for reading",
            os::CreateFileW(file, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING, 0));
  PrintOpen("CREATE_ALWAYS", os::CreateFileW(file, GENERIC_WRITE, 0, CREATE_ALWAYS, 0));
  Check("DeleteFileW", os::DeleteFileW(file));
  Check("MoveFileExW renaming it", os::MoveFileExW(file, Base() + u"moved.txt", 0));
  conf::Line(
      "  renamed file keeps read-only: %s",
      (os::GetFileAttributesW(Base() + u"moved.txt") & FILE_ATTRIBUTE_READONLY) ? "yes" : "no");
  Check("CopyFileW from it", os::CopyFileW(Base() + u"moved.txt", file, FALSE));
  conf::Line("  the copy is read-only: %s",
             (os::GetFileAttributesW(file) & FILE_ATTRIBUTE_READONLY) ? "yes" : "no");
  for (const std::u16string& name : {file, Base() + u"moved.txt"}) {
    os::SetFileAttributesW(name, FILE_ATTRIBUTE_NORMAL);
    os::DeleteFileW(name);
  }
  os::CreateDirectoryW(folder);
  Check("SetFileAttributesW read-only on a folder",
        os::SetFileAttributesW(folder, FILE_ATTRIBUTE_READONLY));
  conf::Line("  folder attributes 0x%lx", U(os::GetFileAttributesW(folder)));
  conf::WriteText(folder + u"\\inside.txt", "in");
  conf::Line("  a file written inside reads %s", conf::ReadText(folder + u"\\inside.txt").c_str());
  os::DeleteFileW(folder + u"\\inside.txt");
  os::SetFileAttributesW(folder, FILE_ATTRIBUTE_NORMAL);
  Check("RemoveDirectoryW", os::RemoveDirectoryW(folder));
}

CONFORMANCE_SCENARIO(files_hidden_entries, 86) {
  const std::u16string file = Base() + u"hidden.txt";
  conf::WriteText(file, "h");
  os::SetFileAttributesW(file, FILE_ATTRIBUTE_HIDDEN);
  os::SetLastError(kPoison);
  PrintOpen("CREATE_ALWAYS without the hidden attribute",
            os::CreateFileW(file, GENERIC_WRITE, 0, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL));
  PrintOpen("CREATE_ALWAYS with it",
            os::CreateFileW(file, GENERIC_WRITE, 0, CREATE_ALWAYS, FILE_ATTRIBUTE_HIDDEN));
  conf::Line("  attributes 0x%lx", U(os::GetFileAttributesW(file)));
  PrintOpen("OPEN_EXISTING for writing", os::CreateFileW(file, GENERIC_WRITE, 0, OPEN_EXISTING, 0));
  PrintOpen("TRUNCATE_EXISTING", os::CreateFileW(file, GENERIC_WRITE, 0, TRUNCATE_EXISTING, 0));
  os::FindData found;
  const os::HANDLE find = os::FindFirstFileW(Base() + u"hidden*", &found);
  conf::Line("  listed by FindFirstFileW: %s", find == INVALID_HANDLE_VALUE ? "no" : "yes");
  if (find != INVALID_HANDLE_VALUE) os::FindClose(find);
  Check("DeleteFileW", os::DeleteFileW(file));
}

CONFORMANCE_SCENARIO(files_attribute_errors, 86) {
  os::SetLastError(kPoison);
  Check("SetFileAttributesW of a missing file",
        os::SetFileAttributesW(Base() + u"none.txt", FILE_ATTRIBUTE_NORMAL));
  Check("SetFileAttributesW in a missing folder",
        os::SetFileAttributesW(Base() + u"none\\x.txt", FILE_ATTRIBUTE_NORMAL));
  const std::u16string file = Base() + u"attributes.txt";
  conf::WriteText(file, "x");
  for (os::DWORD a : {FILE_ATTRIBUTE_NORMAL, FILE_ATTRIBUTE_ARCHIVE,
                      FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN, FILE_ATTRIBUTE_SYSTEM}) {
    const os::BOOL ok = os::SetFileAttributesW(file, a);
    conf::Line("set 0x%lx: %d, reads 0x%lx", U(a), ok ? 1 : 0, U(os::GetFileAttributesW(file)));
  }
  os::SetFileAttributesW(file, FILE_ATTRIBUTE_NORMAL);
  os::DeleteFileW(file);
}

CONFORMANCE_SCENARIO(files_search_errors, 86) {
  os::FindData found;
  for (const auto& [what, pattern] :
       {std::pair<const char*, std::u16string>{"missing name", Base() + u"none.txt"},
        {"no match", Base() + u"*.none"},
        {"missing folder", Base() + u"none\\*"},
        {"trailing backslash", Base()}}) {
    os::SetLastError(kPoison);
    const os::HANDLE find = os::FindFirstFileW(pattern, &found);
    conf::Line("%s: %s, last error %lu", what, find == INVALID_HANDLE_VALUE ? "none" : "found",
               U(find == INVALID_HANDLE_VALUE ? os::GetLastError() : 0));
    if (find != INVALID_HANDLE_VALUE) os::FindClose(find);
  }
  os::CreateDirectoryW(Base() + u"empty");
  os::SetLastError(kPoison);
  const os::HANDLE find = os::FindFirstFileW(Base() + u"empty\\*", &found);
  std::string names;
  if (find != INVALID_HANDLE_VALUE) {
    do names += " " + conf::U8(found.fileName);
    while (os::FindNextFileW(find, &found));
    conf::Line("empty folder lists:%s; the end gives %lu", names.c_str(), U(os::GetLastError()));
    os::SetLastError(kPoison);
    conf::Line("FindNextFileW past the end: %d, last error %lu",
               os::FindNextFileW(find, &found) ? 1 : 0, U(os::GetLastError()));
    os::FindClose(find);
  }
  os::RemoveDirectoryW(Base() + u"empty");
}

CONFORMANCE_SCENARIO(files_long_path_prefix, 86) {
  // The "\\?\" prefix lifts MAX_PATH: the path is passed to the file system as it is.
  std::u16string folder = u"\\\\?\\" + Base() + u"long";
  os::CreateDirectoryW(folder);
  for (int i = 0; i < 3; ++i) {
    folder += u"\\" + std::u16string(90, static_cast<char16_t>(u'a' + i));
    os::SetLastError(kPoison);
    const os::BOOL ok = os::CreateDirectoryW(folder);
    conf::Line("level %d (%u characters): CreateDirectoryW %d, last error %lu", i + 1,
               static_cast<unsigned>(folder.size() - 4), ok ? 1 : 0,
               U(ok ? 0 : os::GetLastError()));
  }
  const std::u16string file = folder + u"\\deep.txt";
  conf::WriteText(file, "deep");
  conf::Line("file of %u characters reads %s", static_cast<unsigned>(file.size() - 4),
             conf::ReadText(file).c_str());
  conf::PrintAttributes("the same without the prefix", file.substr(4));
  os::DeleteFileW(file);
  for (int i = 0; i < 4; ++i) {
    os::RemoveDirectoryW(folder);
    folder = folder.substr(0, folder.rfind(u'\\'));
  }
  conf::PrintAttributes("after clean-up", Base() + u"long");
}

CONFORMANCE_SCENARIO(files_errors_cleanup, 87) {
  os::SetLastError(kPoison);
  Check("errors folder removed", os::RemoveDirectoryW(Base()));
}
