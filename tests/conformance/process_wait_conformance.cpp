// Conformance: waiting for a started program and reading its exit code, as the setup does for
// the programs it runs (time-outs, STILL_ACTIVE, codes above 0x7fffffff, handles of the wrong
// kind), and which program an unquoted command line with blanks starts.
//
// The fixture zkt_exit_fixture.exe ends with the code and after the time its arguments give;
// it is copied under names that tests/conformance/fixtures/machine.ini describes with the same
// code and time for the simulated machine.
#include <string>

#include "platform/os_files.h"
#include "platform/os_process.h"
#include "platform/os_shell_execute.h"
#include "tests/conformance/conformance.h"

namespace {

using conf::kPoison;

unsigned long U(os::DWORD v) { return static_cast<unsigned long>(v); }

std::u16string Folder() { return conf::Scratch() + u"wait\\"; }

// Copies the exit fixture to `name` in the folder; false (with a line) when there is none.
bool Place(const std::u16string& name) {
  const std::u16string fixture = conf::Fixture(u"zkt_exit_fixture.exe");
  if (fixture.empty()) {
    conf::Line("exit fixture missing: run through scripts/test.d/20-windows.sh");
    return false;
  }
  os::CreateDirectoryW(Folder());
  if (os::CopyFileW(fixture, Folder() + name, FALSE)) return true;
  conf::Line("cannot copy the fixture to %s: error %lu", conf::U8(name).c_str(),
             U(os::GetLastError()));
  return false;
}

bool Start(const std::u16string& commandLine, os::PROCESS_INFORMATION* info) {
  os::STARTUPINFOW startup;
  startup.cb = sizeof(startup);
  os::SetLastError(kPoison);
  const os::BOOL ok =
      os::CreateProcessW(u"", commandLine, FALSE, CREATE_NO_WINDOW, u"", &startup, info);
  if (!ok) conf::Line("CreateProcessW 0, last error %lu", U(os::GetLastError()));
  return ok != FALSE;
}

void PrintExitCode(const char* when, os::HANDLE process) {
  os::DWORD code = kPoison;
  os::SetLastError(kPoison);
  const os::BOOL ok = os::GetExitCodeProcess(process, &code);
  conf::Line("%s: GetExitCodeProcess %d, code %lu", when, ok ? 1 : 0, U(ok ? code : 0));
}

void Close(const os::PROCESS_INFORMATION& info) {
  os::CloseHandle(info.hThread);
  os::CloseHandle(info.hProcess);
}

// Runs `name` with `arguments` to its end and prints the wait and the exit code.
void RunToEnd(const std::u16string& name, const std::u16string& arguments) {
  os::PROCESS_INFORMATION info;
  if (!Place(name) || !Start(u"\"" + Folder() + name + u"\" " + arguments, &info)) return;
  conf::Line("%s: wait %lu", conf::U8(name).c_str(),
             U(os::WaitForSingleObject(info.hProcess, INFINITE)));
  PrintExitCode(conf::U8(name).c_str(), info.hProcess);
  Close(info);
}

}  // namespace

CONFORMANCE_SCENARIO(process_exit_codes, 92) {
  RunToEnd(u"exits 7.exe", u"7");
  // A program may end with STILL_ACTIVE itself: the code alone cannot tell it has ended.
  RunToEnd(u"exits 259.exe", u"259");
  RunToEnd(u"exits big.exe", u"3221225477");
}

CONFORMANCE_SCENARIO(process_wait_timeouts, 92) {
  os::PROCESS_INFORMATION info;
  if (!Place(u"sleeps.exe") || !Start(u"\"" + Folder() + u"sleeps.exe\" 3 1500", &info)) return;
  conf::Line("wait 0 ms: %lu", U(os::WaitForSingleObject(info.hProcess, 0)));
  PrintExitCode("while running", info.hProcess);
  conf::Line("wait 100 ms: %lu", U(os::WaitForSingleObject(info.hProcess, 100)));
  conf::Line("wait without end: %lu", U(os::WaitForSingleObject(info.hProcess, INFINITE)));
  PrintExitCode("after the end", info.hProcess);
  conf::Line("wait 0 ms after the end: %lu", U(os::WaitForSingleObject(info.hProcess, 0)));
  conf::Line("wait on the thread handle: %lu", U(os::WaitForSingleObject(info.hThread, 0)));
  Close(info);
}

CONFORMANCE_SCENARIO(process_handle_kinds, 92) {
  os::PROCESS_INFORMATION info;
  if (!Place(u"exits 7.exe") || !Start(u"\"" + Folder() + u"exits 7.exe\" 7", &info)) return;
  os::WaitForSingleObject(info.hProcess, INFINITE);
  os::DWORD code = kPoison;
  os::SetLastError(kPoison);
  const os::BOOL ok = os::GetExitCodeProcess(info.hThread, &code);
  conf::Line("GetExitCodeProcess on the thread handle: %d, last error %lu", ok ? 1 : 0,
             U(ok ? 0 : os::GetLastError()));
  conf::Line("identifiers filled: process %s, thread %s", info.dwProcessId ? "yes" : "no",
             info.dwThreadId ? "yes" : "no");
  os::SetLastError(kPoison);
  conf::Line("CloseHandle of the thread: %d", os::CloseHandle(info.hThread) ? 1 : 0);
  PrintExitCode("process handle after the thread's is closed", info.hProcess);
  conf::Line("CloseHandle of the process: %d", os::CloseHandle(info.hProcess) ? 1 : 0);
}

// An unquoted path with blanks is tried at each blank in turn: a program named like the part
// before a blank runs instead of the one meant (why the setup quotes every path it starts).
CONFORMANCE_SCENARIO(process_unquoted_first_match, 92) {
  if (!Place(u"run me.exe") || !Place(u"run.exe")) return;
  os::PROCESS_INFORMATION info;
  for (const char16_t* line : {u"run me.exe 7", u"\"run me.exe\" 7"}) {
    const std::u16string command =
        line[0] == u'"' ? u"\"" + Folder() + (line + 1) : Folder() + line;
    if (!Start(command, &info)) continue;
    os::WaitForSingleObject(info.hProcess, INFINITE);
    os::DWORD code = kPoison;
    os::GetExitCodeProcess(info.hProcess, &code);
    conf::Line("%s: exit code %lu", conf::U8(line).c_str(), U(code));
    Close(info);
  }
  os::DeleteFileW(Folder() + u"run.exe");
  os::DeleteFileW(Folder() + u"run me.exe");
}

CONFORMANCE_SCENARIO(process_shell_execute_exit_code, 92) {
  if (!Place(u"exits 7.exe")) return;
  for (os::DWORD mask : {SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI, SEE_MASK_FLAG_NO_UI}) {
    os::ShellExecuteInfo info;
    info.fMask = mask;
    info.file = Folder() + u"exits 7.exe";
    info.parameters = u"7";
    info.nShow = SW_HIDE;
    os::SetLastError(kPoison);
    const os::BOOL ok = os::ShellExecuteExW(&info);
    conf::Line("mask 0x%lx: ShellExecuteExW %d, process handle %s", U(mask), ok ? 1 : 0,
               info.hProcess ? "returned" : "none");
    if (!info.hProcess) continue;
    conf::Line("wait %lu", U(os::WaitForSingleObject(info.hProcess, INFINITE)));
    PrintExitCode("shell-started", info.hProcess);
    os::CloseHandle(info.hProcess);
  }
  os::ShellExecuteInfo folder;
  folder.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
  folder.file = Folder() + u"none\\missing.exe";
  os::SetLastError(kPoison);
  const os::BOOL none = os::ShellExecuteExW(&folder);
  conf::Line("ShellExecuteExW in a missing folder %d, handle %s", none ? 1 : 0,
             folder.hProcess ? "returned" : "none");
}

CONFORMANCE_SCENARIO(process_wait_cleanup, 98) {
  for (const char16_t* name : {u"exits 7.exe", u"exits 259.exe", u"exits big.exe", u"sleeps.exe"})
    os::DeleteFileW(Folder() + name);
  os::RemoveDirectoryW(Folder());
  conf::PrintAttributes("wait folder after clean-up", Folder());
}

namespace {

// Starts `commandLine` with `application` (empty: NULL) in `directory`, waits, prints the code.
void RunWith(const char* what, const std::u16string& application, const std::u16string& commandLine,
             const std::u16string& directory) {
  os::STARTUPINFOW startup;
  startup.cb = sizeof(startup);
  os::PROCESS_INFORMATION info;
  os::SetLastError(kPoison);
  if (!os::CreateProcessW(application, commandLine, FALSE, CREATE_NO_WINDOW, directory, &startup,
                          &info)) {
    conf::Line("%s: CreateProcessW 0, last error %lu", what, U(os::GetLastError()));
    return;
  }
  os::WaitForSingleObject(info.hProcess, INFINITE);
  os::DWORD code = kPoison;
  os::GetExitCodeProcess(info.hProcess, &code);
  conf::Line("%s: exit code %lu", what, U(code));
  Close(info);
}

}  // namespace

// The application name is taken as it is, blanks and all; the command line then only carries
// the arguments (its first word is the program's own name for the program).
CONFORMANCE_SCENARIO(process_application_name, 92) {
  if (!Place(u"app name.exe")) return;
  const std::u16string program = Folder() + u"app name.exe";
  RunWith("unquoted application name", program, u"app 5", u"");
  RunWith("application name and a quoted command line", program, u"\"" + program + u"\" 5", u"");
  RunWith("application name without .exe", Folder() + u"app name", u"app 5", u"");
  os::DeleteFileW(program);
}

CONFORMANCE_SCENARIO(process_current_directory, 92) {
  if (!Place(u"exits 7.exe")) return;
  const std::u16string line = u"\"" + Folder() + u"exits 7.exe\" 7";
  RunWith("existing folder", u"", line, conf::Scratch());
  RunWith("missing folder", u"", line, conf::Scratch() + u"none");
  RunWith("a file as folder", u"", line, Folder() + u"exits 7.exe");
}

CONFORMANCE_SCENARIO(process_exit_code_extremes, 92) {
  RunToEnd(u"exits max.exe", u"4294967295");
  RunToEnd(u"exits 0.exe", u"0");
  os::DeleteFileW(Folder() + u"exits max.exe");
  os::DeleteFileW(Folder() + u"exits 0.exe");
}
