// Holds a file open without sharing, so that every other open of it fails with a sharing
// violation, until the seconds given have passed or the process is ended.
//
//   zkt_hold_file.exe PATH SECONDS   creates PATH's folder and PATH if missing, prints "held",
//                                    then waits; exit code 2 when PATH cannot be opened
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

int wmain(int argc, wchar_t** argv) {
  if (argc != 3) {
    std::fputs("usage: zkt_hold_file PATH SECONDS\n", stderr);
    return 1;
  }
  const std::wstring path = argv[1];
  // Every missing folder level of the path, as a setup's install folder would be.
  for (std::size_t at = path.find(L'\\', 3); at != std::wstring::npos;
       at = path.find(L'\\', at + 1))
    ::CreateDirectoryW(path.substr(0, at).c_str(), nullptr);
  HANDLE file = ::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    std::fprintf(stderr, "cannot open the file: error %lu\n", ::GetLastError());
    return 2;
  }
  std::puts("held");
  std::fflush(stdout);
  ::Sleep(static_cast<DWORD>(std::wcstoul(argv[2], nullptr, 10)) * 1000);
  ::CloseHandle(file);
  return 0;
}
