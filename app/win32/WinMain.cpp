// Windows entry point of ZKTAudioSetup.exe.
#include "app/SetupMain.h"

#include <windows.h>
#include <shellapi.h>

#include <string>
#include <vector>

namespace {

// The program runs elevated from a downloads folder where anyone may drop a DLL beside it:
// DLLs loaded from now on come from System32 only. SetDefaultDllDirectories needs Windows 8 or
// KB2533623 on Vista/7, so it is looked up; without it the current folder is at least removed.
void RestrictDllSearchToSystem32() {
  using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
  HMODULE kernel32 = ::GetModuleHandleW(L"kernel32.dll");
  auto setDefault = kernel32 ? reinterpret_cast<SetDefaultDllDirectoriesFn>(reinterpret_cast<void*>(
                                   ::GetProcAddress(kernel32, "SetDefaultDllDirectories")))
                             : nullptr;
  if (!setDefault || !setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32)) ::SetDllDirectoryW(L"");
}

// The arguments after the program name, split as Windows splits every command line.
std::vector<std::u16string> Arguments() {
  std::vector<std::u16string> args;
  int count = 0;
  wchar_t** argv = ::CommandLineToArgvW(::GetCommandLineW(), &count);
  if (!argv) return args;
  for (int i = 1; i < count; ++i) args.emplace_back(reinterpret_cast<const char16_t*>(argv[i]));
  ::LocalFree(argv);
  return args;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  RestrictDllSearchToSystem32();
  return SetupMain(Arguments());
}
