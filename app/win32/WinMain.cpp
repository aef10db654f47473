// Windows entry point of ZKTAudioSetup.exe.
#include "app/SetupMain.h"

#include <windows.h>

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

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  RestrictDllSearchToSystem32();
  return SetupMain();
}
