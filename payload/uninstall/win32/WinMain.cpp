// The uninstaller's Windows entry point: its command line, split as Windows splits it.
#include <windows.h>
#include <shellapi.h>

#include "payload/uninstall/UninstallMain.h"
#include "payload/win/WideText.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, wchar_t*, int) {
  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  const std::vector<std::u16string> arguments =
      argv ? payload::Arguments(argc, argv) : std::vector<std::u16string>();
  if (argv) LocalFree(argv);
  return UninstallMain(arguments);
}
