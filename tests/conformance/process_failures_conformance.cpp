// Conformance: what the setup sees when a program cannot start (a document named .exe, an empty
// image, a folder) and when it uses a process handle after closing it.
#include <string>

#include "platform/os_files.h"
#include "platform/os_process.h"
#include "platform/os_shell_execute.h"
#include "tests/conformance/conformance.h"

namespace {

unsigned long U(os::DWORD v) { return static_cast<unsigned long>(v); }

std::u16string Folder() { return conf::Scratch() + u"failures\\"; }

void TryStart(const char* what, const std::u16string& commandLine) {
  os::STARTUPINFOW startup;
  startup.cb = sizeof(startup);
  os::PROCESS_INFORMATION info;
  os::SetLastError(conf::kPoison);
  const os::BOOL ok =
      os::CreateProcessW(u"", commandLine, FALSE, CREATE_NO_WINDOW, u"", &startup, &info);
  conf::Line("%s: CreateProcessW %d, last error %lu", what, ok ? 1 : 0,
             U(ok ? 0 : os::GetLastError()));
  if (!ok) return;
  os::WaitForSingleObject(info.hProcess, 60000);
  os::CloseHandle(info.hThread);
  os::CloseHandle(info.hProcess);
}

}  // namespace

CONFORMANCE_SCENARIO(process_not_a_program, 93) {
  os::CreateDirectoryW(Folder());
  conf::WriteText(Folder() + u"text.exe", "this is no program\r\n");
  conf::WriteText(Folder() + u"empty.exe", "");
  os::CreateDirectoryW(Folder() + u"folder.exe");
  TryStart("a text file named .exe", u"\"" + Folder() + u"text.exe\"");
  TryStart("an empty file named .exe", u"\"" + Folder() + u"empty.exe\"");
  TryStart("a folder named .exe", u"\"" + Folder() + u"folder.exe\"");
  os::DeleteFileW(Folder() + u"text.exe");
  os::DeleteFileW(Folder() + u"empty.exe");
  os::RemoveDirectoryW(Folder() + u"folder.exe");
}

CONFORMANCE_SCENARIO(process_closed_handles, 93) {
  const std::u16string fixture = conf::Fixture(u"zkt_version_fixture.exe");
  if (fixture.empty()) return conf::Line("fixture programs missing");
  os::STARTUPINFOW startup;
  startup.cb = sizeof(startup);
  os::PROCESS_INFORMATION info;
  if (!os::CreateProcessW(u"", u"\"" + fixture + u"\"", FALSE, CREATE_NO_WINDOW, u"", &startup,
                          &info))
    return conf::Line("CreateProcessW failed: %lu", U(os::GetLastError()));
  conf::Line("wait: %lu", U(os::WaitForSingleObject(info.hProcess, 60000)));
  conf::Line("close the thread: %d", os::CloseHandle(info.hThread) ? 1 : 0);
  conf::Line("close the process: %d", os::CloseHandle(info.hProcess) ? 1 : 0);
  os::SetLastError(conf::kPoison);
  conf::PrintResult("close it again", os::CloseHandle(info.hProcess));
  os::SetLastError(conf::kPoison);
  const os::DWORD waited = os::WaitForSingleObject(info.hProcess, 0);
  conf::Line("wait on the closed handle: 0x%lx, last error %lu", U(waited),
             U(waited == WAIT_FAILED ? os::GetLastError() : 0));
  os::DWORD code = conf::kPoison;
  os::SetLastError(conf::kPoison);
  conf::PrintResult("GetExitCodeProcess on it", os::GetExitCodeProcess(info.hProcess, &code));
}

CONFORMANCE_SCENARIO(process_shell_execute_failures, 93) {
  conf::WriteText(Folder() + u"document.zktnone", "no program opens this");
  const struct {
    const char* what;
    std::u16string file;
  } cases[] = {{"a document no program opens", Folder() + u"document.zktnone"},
               {"a missing document", Folder() + u"missing.zktnone"}};
  for (const auto& c : cases) {
    os::ShellExecuteInfo info;
    info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
    info.file = c.file;
    info.nShow = SW_HIDE;
    os::SetLastError(conf::kPoison);
    const os::BOOL ok = os::ShellExecuteExW(&info);
    conf::Line("%s: ShellExecuteExW %d, last error %lu, process handle %s", c.what, ok ? 1 : 0,
               U(ok ? 0 : os::GetLastError()), info.hProcess ? "set" : "null");
    if (info.hProcess) os::CloseHandle(info.hProcess);
  }
  os::DeleteFileW(Folder() + u"document.zktnone");
  os::SetLastError(conf::kPoison);
  conf::Check("failures folder removed", os::RemoveDirectoryW(Folder()));
}
