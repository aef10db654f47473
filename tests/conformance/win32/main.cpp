// Conformance program, Windows side: runs every scenario on the real API (wine64 here).
//
//   zkt_conformance.exe [--only PREFIX] [--list]
//
// Fixture files lie beside the program. Output is UTF-8 with "\n" line ends, written in binary
// mode, so that it compares byte for byte with the simulated machine's run.

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>

#include "platform/text.h"
#include "tests/conformance/conformance_run.h"

#include <windows.h>

namespace {

std::u16string U16(const wchar_t* s) { return reinterpret_cast<const char16_t*>(s); }

int Usage(const char* reason) {
  std::fprintf(stderr, "zkt_conformance: %s\nusage: zkt_conformance [--only PREFIX] [--list]\n",
               reason);
  return 2;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  // A crash must end the program, not wait on an error dialog nobody can see.
  ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
  _setmode(_fileno(stdout), _O_BINARY);

  conf::RunSettings settings;
  bool list = false;
  for (int i = 1; i < argc; ++i) {
    const std::u16string arg = U16(argv[i]);
    if (arg == u"--list") {
      list = true;
    } else if (arg == u"--only" && i + 1 < argc) {
      settings.only = text::ToUtf8(U16(argv[++i]));
    } else {
      return Usage("unknown or incomplete option");
    }
  }
  if (list) {
    for (const auto& name : conf::ScenarioNames()) std::printf("%s\n", name.c_str());
    return 0;
  }

  wchar_t module[MAX_PATH];
  const DWORD length = ::GetModuleFileNameW(nullptr, module, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return Usage("cannot read the program's path");
  const std::u16string programPath = U16(module);
  settings.fixtureFolder = programPath.substr(0, programPath.rfind(u'\\') + 1);
  const std::u16string programName = programPath.substr(settings.fixtureFolder.size());

  WIN32_FIND_DATAW found;
  const std::u16string pattern = settings.fixtureFolder + u"*";
  HANDLE find = ::FindFirstFileW(reinterpret_cast<const wchar_t*>(pattern.c_str()), &found);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      const std::u16string name = U16(found.cFileName);
      if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
          !text::EqualsNoCase(name, programName))
        settings.fixtureNames.push_back(name);
    } while (::FindNextFileW(find, &found));
    ::FindClose(find);
  }

  // A fresh, empty scratch folder, whatever an earlier run left.
  const std::filesystem::path scratch(L"C:\\zkt-conformance");
  std::error_code ec;
  std::filesystem::remove_all(scratch, ec);
  if (!std::filesystem::create_directory(scratch, ec))
    return Usage("cannot create C:\\zkt-conformance");

  conf::RunAll(settings, stdout);
  return 0;
}
