// Conformance: what an open file refuses (ERROR_SHARING_VIOLATION for copy, overwrite, move and
// delete, by the sharing it was opened with), and hidden or read-only targets.
#include <string>

#include "platform/os_files.h"
#include "tests/conformance/conformance.h"

namespace {

constexpr os::DWORD kPoison = 0xdeadbeefu;

unsigned long U(os::DWORD v) { return static_cast<unsigned long>(v); }

std::u16string Base() { return conf::Scratch() + u"sharing\\"; }

void Result(const char* what, os::BOOL ok) {
  conf::Line("%s: %d, last error %lu", what, ok ? 1 : 0, U(ok ? 0 : os::GetLastError()));
}

// Runs the file calls of the setup against `open`, a file held open with `share`.
void TryAll(const char* how, os::DWORD access, os::DWORD share) {
  const std::u16string open = Base() + u"open.txt", other = Base() + u"other.txt";
  conf::WriteText(open, "held");
  conf::WriteText(other, "other");
  os::HANDLE h = os::CreateFileW(open, access, share, OPEN_EXISTING, 0);
  conf::Line("%s: opened %s", how, h == INVALID_HANDLE_VALUE ? "no" : "yes");
  os::SetLastError(kPoison);
  Result("  CopyFileW from it", os::CopyFileW(open, Base() + u"copy.txt", FALSE));
  os::SetLastError(kPoison);
  Result("  CopyFileW onto it", os::CopyFileW(other, open, FALSE));
  os::SetLastError(kPoison);
  Result("  MoveFileExW onto it", os::MoveFileExW(other, open, MOVEFILE_REPLACE_EXISTING));
  os::SetLastError(kPoison);
  Result("  MoveFileExW of it", os::MoveFileExW(open, Base() + u"moved.txt", 0));
  os::SetLastError(kPoison);
  Result("  DeleteFileW of it", os::DeleteFileW(open));
  os::SetLastError(kPoison);
  const os::HANDLE second = os::CreateFileW(open, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING, 0);
  conf::Line("  a second reader: %s, last error %lu",
             second == INVALID_HANDLE_VALUE ? "refused" : "opened",
             U(second == INVALID_HANDLE_VALUE ? os::GetLastError() : 0));
  if (second != INVALID_HANDLE_VALUE) os::CloseHandle(second);
  if (h != INVALID_HANDLE_VALUE) os::CloseHandle(h);
  for (const char16_t* name : {u"open.txt", u"other.txt", u"copy.txt", u"moved.txt"})
    os::DeleteFileW(Base() + name);
}

}  // namespace

CONFORMANCE_SCENARIO(files_sharing_exclusive, 83) {
  os::CreateDirectoryW(Base());
  TryAll("written, shared with nobody", GENERIC_WRITE, 0);
}

CONFORMANCE_SCENARIO(files_sharing_readers, 83) {
  TryAll("read, shared for reading", GENERIC_READ, FILE_SHARE_READ);
}

CONFORMANCE_SCENARIO(files_sharing_read_write, 83) {
  TryAll("read, shared for reading and writing", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE);
}

CONFORMANCE_SCENARIO(files_sharing_all, 83) {
  TryAll("read, shared for everything", GENERIC_READ,
         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE);
}

CONFORMANCE_SCENARIO(files_hidden_and_system_targets, 84) {
  const std::u16string source = Base() + u"source.txt";
  conf::WriteText(source, "new");
  for (os::DWORD attributes : {FILE_ATTRIBUTE_HIDDEN, FILE_ATTRIBUTE_SYSTEM,
                               FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM}) {
    const std::u16string target = Base() + u"target.txt";
    conf::WriteText(target, "old");
    os::SetFileAttributesW(target, attributes);
    os::SetLastError(kPoison);
    const os::BOOL copied = os::CopyFileW(source, target, FALSE);
    conf::Line("attributes 0x%lx: CopyFileW onto it %d, last error %lu, target reads %s",
               U(attributes), copied ? 1 : 0, U(copied ? 0 : os::GetLastError()),
               conf::ReadText(target).c_str());
    os::SetLastError(kPoison);
    const os::BOOL deleted = os::DeleteFileW(target);
    conf::Line("attributes 0x%lx: DeleteFileW %d, last error %lu", U(attributes), deleted ? 1 : 0,
               U(deleted ? 0 : os::GetLastError()));
    os::SetFileAttributesW(target, FILE_ATTRIBUTE_NORMAL);
    os::DeleteFileW(target);
  }
  os::DeleteFileW(source);
}

CONFORMANCE_SCENARIO(files_sharing_cleanup, 89) {
  os::RemoveDirectoryW(Base());
  conf::Line("sharing folder removed: %s",
             os::GetFileAttributesW(Base()) == INVALID_FILE_ATTRIBUTES ? "yes" : "no");
}
