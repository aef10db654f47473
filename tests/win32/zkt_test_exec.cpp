// Helper of the unattended-install test under wine64, where a shell sees only the low 8 bits
// of a Windows exit code:
//   zkt_test_exec.exe "COMMAND LINE"   runs the command line, waits, prints its exit code
//                                      (unsigned decimal); exit code 0 when it ran
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) {
    std::fputs("usage: zkt_test_exec \"COMMAND LINE\"\n", stderr);
    return 2;
  }
  // One argument is a whole command line (as an uninstall entry's string); more arguments are
  // joined, quoted where they hold spaces.
  std::wstring command = argv[1];
  for (int i = 2; i < argc; ++i)
    command += std::wcschr(argv[i], L' ') ? L" \"" + std::wstring(argv[i]) + L"\""
                                          : L" " + std::wstring(argv[i]);
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process = {};
  if (!CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &process)) {
    std::printf("CreateProcess failed: %lu\n", GetLastError());
    return 1;
  }
  WaitForSingleObject(process.hProcess, INFINITE);
  DWORD code = 0;
  GetExitCodeProcess(process.hProcess, &code);
  std::printf("%lu\n", code);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return 0;
}
