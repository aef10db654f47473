// Conformance: the image file of a running program, as the setup meets it when it replaces a
// program that is still running (the companion applications, the service): it can be read and
// renamed, but not overwritten or deleted until the program has ended.
#include <string>

#include "platform/os_files.h"
#include "platform/os_process.h"
#include "tests/conformance/conformance.h"

namespace {

using conf::kPoison;

unsigned long U(os::DWORD v) { return static_cast<unsigned long>(v); }

std::u16string Folder() { return conf::Scratch() + u"image\\"; }

using conf::Check;

}  // namespace

CONFORMANCE_SCENARIO(files_running_image, 93) {
  const std::u16string fixture = conf::Fixture(u"zkt_exit_fixture.exe");
  if (fixture.empty()) {
    conf::Line("exit fixture missing: run through scripts/test.d/20-windows.sh");
    return;
  }
  os::CreateDirectoryW(Folder());
  const std::u16string image = Folder() + u"running.exe", other = Folder() + u"other.txt";
  const std::u16string renamed = Folder() + u"renamed.exe";
  conf::Line("placed: %d", os::CopyFileW(fixture, image, FALSE) ? 1 : 0);
  conf::WriteText(other, "other");
  os::STARTUPINFOW startup;
  startup.cb = sizeof(startup);
  os::PROCESS_INFORMATION info;
  if (!os::CreateProcessW(u"", u"\"" + image + u"\" 0 2000", FALSE, CREATE_NO_WINDOW, u"", &startup,
                          &info)) {
    conf::Line("CreateProcessW failed: %lu", U(os::GetLastError()));
    return;
  }
  conf::Line("running: wait 0 ms gives %lu", U(os::WaitForSingleObject(info.hProcess, 0)));
  os::SetLastError(kPoison);
  conf::PrintOpen("open for reading",
                  os::CreateFileW(image, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING, 0));
  conf::PrintOpen("open for writing",
                  os::CreateFileW(image, GENERIC_WRITE, FILE_SHARE_READ, OPEN_EXISTING, 0));
  Check("CopyFileW from it", os::CopyFileW(image, Folder() + u"copy.exe", FALSE));
  Check("CopyFileW onto it", os::CopyFileW(other, image, FALSE));
  Check("MoveFileExW replacing it", os::MoveFileExW(other, image, MOVEFILE_REPLACE_EXISTING));
  Check("DeleteFileW of it", os::DeleteFileW(image));
  Check("MoveFileExW renaming it", os::MoveFileExW(image, renamed, 0));
  Check("CopyFileW into its old name", os::CopyFileW(other, image, FALSE));
  Check("DeleteFileW of the renamed image", os::DeleteFileW(renamed));
  conf::Line("wait for the end: %lu", U(os::WaitForSingleObject(info.hProcess, INFINITE)));
  os::CloseHandle(info.hThread);
  Check("DeleteFileW of the renamed image after the end", os::DeleteFileW(renamed));
  os::CloseHandle(info.hProcess);
  for (const char16_t* name : {u"running.exe", u"renamed.exe", u"other.txt", u"copy.exe"})
    os::DeleteFileW(Folder() + name);
  os::RemoveDirectoryW(Folder());
  conf::PrintAttributes("image folder after clean-up", Folder());
}
