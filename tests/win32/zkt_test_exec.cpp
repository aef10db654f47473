// Helper of the unattended-install test under wine64, where a shell sees only the low 8 bits
// of a Windows exit code:
//   zkt_test_exec.exe run "COMMAND LINE"       runs the command line, waits, prints its exit
//                                             code (unsigned decimal); exit code 0 when it ran
//   zkt_test_exec.exe hold FILE SECONDS        opens FILE without sharing (as a program that
//                                             holds its file open), prints "held", keeps it
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

int wmain(int argc, wchar_t** argv) {
  if (argc >= 3 && std::wcscmp(argv[1], L"run") == 0) {
    // One argument is a whole command line (as an uninstall entry's string); more arguments
    // are joined, quoted where they hold spaces.
    std::wstring command = argv[2];
    for (int i = 3; i < argc; ++i)
      command += std::wcschr(argv[i], L' ') ? L" \"" + std::wstring(argv[i]) + L"\""
                                            : L" " + std::wstring(argv[i]);
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
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
  if (argc == 4 && std::wcscmp(argv[1], L"hold") == 0) {
    const HANDLE file = CreateFileW(argv[2], GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                    OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
      std::printf("open failed: %lu\n", GetLastError());
      return 1;
    }
    std::printf("held\n");
    std::fflush(stdout);
    Sleep(static_cast<DWORD>(_wtoi(argv[3])) * 1000);
    CloseHandle(file);
    return 0;
  }
  std::fprintf(stderr, "usage: zkt_test_exec run \"COMMAND LINE\" | hold FILE SECONDS\n");
  return 2;
}
