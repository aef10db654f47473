// A program that ends with a chosen exit code after a chosen time, for the conformance
// scenarios of process waits and exit codes.
//
//   zkt_exit_fixture.exe CODE [MILLISECONDS]   sleeps, then ends with exit code CODE
#include <windows.h>

#include <cwchar>

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) return 1;
  if (argc > 2) ::Sleep(static_cast<DWORD>(std::wcstoul(argv[2], nullptr, 10)));
  // ExitProcess, not a return from main: codes above INT_MAX stay as they are.
  ::ExitProcess(static_cast<UINT>(std::wcstoul(argv[1], nullptr, 10)));
}
