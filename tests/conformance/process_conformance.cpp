// Conformance: starting programs as the setup does (CreateProcessW with quoted and unquoted
// paths that contain blanks, ShellExecuteExW with SEE_MASK_NOCLOSEPROCESS), waiting for them
// and reading their exit codes, and the errors of programs that cannot start.
#include <string>

#include "platform/os_files.h"
#include "platform/os_process.h"
#include "platform/os_shell_execute.h"
#include "tests/conformance/conformance.h"

namespace {

constexpr os::DWORD kPoison = 0xdeadbeefu;

unsigned long U(os::DWORD v) { return static_cast<unsigned long>(v); }

std::u16string Folder() { return conf::Scratch() + u"with blank\\"; }

// Starts `commandLine`, waits and prints what happened.
void Run(const char* what, const std::u16string& application, const std::u16string& commandLine) {
  os::STARTUPINFOW startup;
  startup.cb = sizeof(startup);
  os::PROCESS_INFORMATION info;
  os::SetLastError(kPoison);
  const os::BOOL started =
      os::CreateProcessW(application, commandLine, FALSE, CREATE_NO_WINDOW, u"", &startup, &info);
  if (!started) {
    conf::Line("%s: CreateProcessW 0, last error %lu", what, U(os::GetLastError()));
    return;
  }
  const os::DWORD waited = os::WaitForSingleObject(info.hProcess, 60000);
  os::DWORD code = kPoison;
  os::GetExitCodeProcess(info.hProcess, &code);
  conf::Line("%s: CreateProcessW 1, wait %lu, exit code %lu", what, U(waited), U(code));
  os::CloseHandle(info.hThread);
  os::CloseHandle(info.hProcess);
}

}  // namespace

CONFORMANCE_SCENARIO(process_paths_with_blanks, 90) {
  const std::u16string fixture = conf::Fixture(u"zkt_version_fixture.exe");
  if (fixture.empty()) {
    conf::Line("fixture programs missing: run through scripts/test.d/20-windows.sh");
    return;
  }
  os::CreateDirectoryW(Folder());
  const std::u16string program = Folder() + u"fixture program.exe";
  conf::Line("copied: %d", os::CopyFileW(fixture, program, FALSE) ? 1 : 0);
  Run("quoted", u"", u"\"" + program + u"\" /x");
  Run("unquoted, found at the last blank", u"", program + u" /x");
  Run("unquoted, without .exe", u"", Folder() + u"fixture program /x");
  Run("application name given", program, u"ignored /x");
  Run("quoted, missing", u"", u"\"" + Folder() + u"missing.exe\"");
  Run("unquoted, missing", u"", Folder() + u"missing.exe");
  Run("missing folder", u"", u"\"" + conf::Scratch() + u"none\\x.exe\"");
}

CONFORMANCE_SCENARIO(process_shell_execute_wait, 91) {
  const std::u16string program = Folder() + u"fixture program.exe";
  if (os::GetFileAttributesW(program) == INVALID_FILE_ATTRIBUTES) {
    conf::Line("no fixture program");
    return;
  }
  os::ShellExecuteInfo info;
  info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
  info.verb = u"open";
  info.file = program;
  info.parameters = u"/x";
  info.nShow = SW_HIDE;
  os::SetLastError(kPoison);
  const os::BOOL ok = os::ShellExecuteExW(&info);
  conf::Line("ShellExecuteExW %d, process handle %s", ok ? 1 : 0,
             info.hProcess ? "returned" : "none");
  if (info.hProcess) {
    conf::Line("wait %lu", U(os::WaitForSingleObject(info.hProcess, 60000)));
    os::DWORD code = kPoison;
    os::GetExitCodeProcess(info.hProcess, &code);
    conf::Line("exit code %lu", U(code));
    os::CloseHandle(info.hProcess);
  }
  os::ShellExecuteInfo missing;
  missing.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
  missing.file = Folder() + u"missing.exe";
  os::SetLastError(kPoison);
  const os::BOOL none = os::ShellExecuteExW(&missing);
  conf::Line("ShellExecuteExW of a missing program %d, last error %lu", none ? 1 : 0,
             U(none ? 0 : os::GetLastError()));
}

CONFORMANCE_SCENARIO(process_cleanup, 99) {
  os::DeleteFileW(Folder() + u"fixture program.exe");
  os::RemoveDirectoryW(Folder());
  conf::Line("process folder removed: %s",
             os::GetFileAttributesW(Folder()) == INVALID_FILE_ATTRIBUTES ? "yes" : "no");
}
