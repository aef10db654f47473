// A program the import check must refuse: it imports version.dll, which is no KnownDLL and so
// may be taken from the program's folder, and SetDefaultDllDirectories, which Windows 7 lacks.
#include <windows.h>

int main() {
  DWORD handle = 0;
  const DWORD size = ::GetFileVersionInfoSizeW(L"C:\\Windows\\notepad.exe", &handle);
  return ::SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32) && size ? 0 : 1;
}
