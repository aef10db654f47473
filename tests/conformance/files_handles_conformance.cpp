// Conformance: file handles as the setup uses them (sizes, handles closed twice, a holder that
// shares deletion) and moves of files and filled folders within the drive.
#include <string>

#include "platform/os_files.h"
#include "tests/conformance/conformance.h"

namespace {

using conf::kPoison;

unsigned long U(os::DWORD v) { return static_cast<unsigned long>(v); }

std::u16string Base() { return conf::Scratch() + u"handles\\"; }

}  // namespace

CONFORMANCE_SCENARIO(files_handle_sizes, 88) {
  os::CreateDirectoryW(Base());
  const std::u16string file = Base() + u"sized.txt";
  conf::WriteText(file, "abc");
  const os::HANDLE h = os::CreateFileW(file, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING, 0);
  os::DWORD high = kPoison;
  const os::DWORD low = os::GetFileSize(h, &high);
  conf::Line("GetFileSize: %lu, high %lu", U(low), U(high));
  char buffer[8];
  for (const char* when : {"ReadFile of 8", "ReadFile at the end"}) {
    os::DWORD got = kPoison;
    const os::BOOL ok = os::ReadFile(h, buffer, 8, &got);
    conf::Line("%s: %d, got %lu", when, ok ? 1 : 0, U(got));
  }
  os::DWORD written = kPoison;
  os::SetLastError(kPoison);
  const os::BOOL wrote = os::WriteFile(h, "x", 1, &written);
  conf::Line("WriteFile through a reading handle: %d, last error %lu", wrote ? 1 : 0,
             U(wrote ? 0 : os::GetLastError()));
  os::SetLastError(kPoison);
  conf::Check("CloseHandle", os::CloseHandle(h));
  os::DeleteFileW(file);
}

// A holder that shares deletion lets the file be renamed under it (how a setup moves a file that
// a program keeps open aside), but not be written by another.
CONFORMANCE_SCENARIO(files_share_delete_holder, 88) {
  const std::u16string file = Base() + u"held.txt", aside = Base() + u"aside.txt";
  conf::WriteText(file, "held");
  const os::HANDLE h =
      os::CreateFileW(file, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, OPEN_EXISTING, 0);
  conf::Line("holder: %s", h == INVALID_HANDLE_VALUE ? "failed" : "opened");
  os::SetLastError(kPoison);
  conf::PrintOpen(
      "a writer",
      os::CreateFileW(file, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                      OPEN_EXISTING, 0));
  conf::Check("MoveFileExW renaming it", os::MoveFileExW(file, aside, 0));
  conf::PrintAttributes("the old name", file);
  conf::Line("the new name reads %s", conf::ReadText(aside).c_str());
  conf::Check("a new file under the old name", [&] {
    conf::WriteText(file, "new");
    return os::GetFileAttributesW(file) != INVALID_FILE_ATTRIBUTES ? 1 : 0;
  }());
  if (h != INVALID_HANDLE_VALUE) os::CloseHandle(h);
  os::DeleteFileW(file);
  os::DeleteFileW(aside);
}

// Last: it removes the folder.
CONFORMANCE_SCENARIO(files_move_filled_folder, 89) {
  const std::u16string from = Base() + u"from", to = Base() + u"to";
  os::CreateDirectoryW(from);
  os::CreateDirectoryW(from + u"\\inner");
  conf::WriteText(from + u"\\inner\\file.txt", "inside");
  os::SetLastError(kPoison);
  conf::Check("MoveFileExW of the filled folder", os::MoveFileExW(from, to, 0));
  conf::Line("moved file reads %s", conf::ReadText(to + u"\\inner\\file.txt").c_str());
  conf::PrintAttributes("the old folder", from);
  conf::Check("MoveFileExW of a file into another folder",
              os::MoveFileExW(to + u"\\inner\\file.txt", Base() + u"file.txt", 0));
  conf::Check("RemoveDirectoryW of the emptied folders",
              os::RemoveDirectoryW(to + u"\\inner") && os::RemoveDirectoryW(to));
  os::DeleteFileW(Base() + u"file.txt");
  conf::Check("handles folder removed", os::RemoveDirectoryW(Base()));
}
