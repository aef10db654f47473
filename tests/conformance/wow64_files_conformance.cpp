// Conformance: the system folder as a 32-bit program under WOW64 sees it: System32 shows
// SysWOW64, the alias Sysnative shows the real System32, and switching redirection off for the
// thread shows the real System32 under its own name. A 64-bit program sees no Sysnative.
#include <atomic>
#include <string>

#include "platform/os_files.h"
#include "platform/os_system.h"
#include "platform/os_thread.h"
#include "platform/text.h"
#include "tests/conformance/conformance.h"

namespace {

using conf::kPoison;
constexpr char16_t kProbe[] = u"zkt-conformance-probe.txt";

unsigned long U(os::DWORD v) { return static_cast<unsigned long>(v); }

std::u16string Folder(const char16_t* name) { return std::u16string(u"C:\\Windows\\") + name; }

void PrintProbes(const char* when) {
  for (const char16_t* folder : {u"System32", u"SysWOW64", u"Sysnative"})
    conf::Line("%s, %s: %s", when, conf::U8(folder).c_str(),
               conf::ReadText(Folder(folder) + u"\\" + kProbe).c_str());
}

}  // namespace

CONFORMANCE_SCENARIO(wow64_system_folders, 70) {
  os::BOOL wow64 = FALSE;
  os::IsWow64Process(&wow64);
  conf::Line("IsWow64Process: %d", wow64 ? 1 : 0);
  std::u16string system;
  os::GetSystemDirectoryW(&system);
  // Only the case of the Windows folder's name differs between installations.
  conf::Line("GetSystemDirectoryW: %s", conf::U8(text::ToUpper(system)).c_str());
  conf::PrintAttributes("C:\\Windows\\System32", Folder(u"System32"));
  conf::PrintAttributes("C:\\Windows\\SysWOW64", Folder(u"SysWOW64"));
  conf::PrintAttributes("C:\\Windows\\Sysnative", Folder(u"Sysnative"));
  conf::PrintAttributes("C:\\Windows\\sYsNaTiVe\\drivers", Folder(u"sYsNaTiVe\\drivers"));
  conf::PrintAttributes("C:\\Windows\\System32\\drivers", Folder(u"System32\\drivers"));
}

// One file of the same name written through System32 with redirection on and with it off:
// which folder each lands in, and what each name reads.
CONFORMANCE_SCENARIO(wow64_redirection_switch, 71) {
  conf::WriteText(Folder(u"System32\\") + kProbe, "through System32");
  void* cookie = nullptr;
  os::SetLastError(kPoison);
  const os::BOOL off = os::Wow64DisableWow64FsRedirection(&cookie);
  conf::Line("Wow64DisableWow64FsRedirection %d, last error %lu", off ? 1 : 0,
             U(off ? 0 : os::GetLastError()));
  conf::WriteText(Folder(u"System32\\") + kProbe, "through System32, redirection off");
  PrintProbes("redirection off");
  if (off)
    conf::Line("Wow64RevertWow64FsRedirection %d",
               os::Wow64RevertWow64FsRedirection(cookie) ? 1 : 0);
  PrintProbes("redirection back on");

  // Clean up both copies, each by the name that reaches it.
  void* again = nullptr;
  const os::BOOL cleanOff = os::Wow64DisableWow64FsRedirection(&again);
  os::DeleteFileW(Folder(u"System32\\") + kProbe);
  os::DeleteFileW(Folder(u"SysWOW64\\") + kProbe);
  if (cleanOff) os::Wow64RevertWow64FsRedirection(again);
  conf::PrintAttributes("probe after clean-up", Folder(u"System32\\") + kProbe);
}

namespace {

struct ThreadRead {
  std::atomic<bool> done{false};
  std::string seen;
};

os::DWORD ReadProbeThroughSystem32(void* argument) {
  auto* read = static_cast<ThreadRead*>(argument);
  read->seen = conf::ReadText(Folder(u"System32\\") + kProbe);
  read->done = true;
  return 0;
}

}  // namespace

// Redirection is switched off for the calling thread only: another thread started meanwhile
// still sees SysWOW64 through System32.
CONFORMANCE_SCENARIO(wow64_redirection_per_thread, 72) {
  void* cookie = nullptr;
  const os::BOOL off = os::Wow64DisableWow64FsRedirection(&cookie);
  conf::WriteText(Folder(u"System32\\") + kProbe, "real System32");
  if (off) os::Wow64RevertWow64FsRedirection(cookie);
  conf::WriteText(Folder(u"System32\\") + kProbe, "the program's System32");
  const os::BOOL offAgain = os::Wow64DisableWow64FsRedirection(&cookie);
  // Static: a thread that answers late must not write into a finished scenario's frame.
  static ThreadRead read;
  if (!os::CreateThread(ReadProbeThroughSystem32, &read)) {
    conf::Line("CreateThread failed: %lu", U(os::GetLastError()));
  } else {
    // Sleep is virtual on the simulated machine: each round also asks the real file system,
    // which gives the thread time there.
    for (int i = 0; i < 5000 && !read.done; ++i) {
      os::Sleep(1);
      os::GetFileAttributesW(Folder(u"System32"));
    }
    conf::Line("this thread, redirection off, reads: %s",
               conf::ReadText(Folder(u"System32\\") + kProbe).c_str());
    conf::Line("another thread reads: %s", read.done ? read.seen.c_str() : "(no answer)");
  }
  os::DeleteFileW(Folder(u"System32\\") + kProbe);
  if (offAgain) os::Wow64RevertWow64FsRedirection(cookie);
  os::DeleteFileW(Folder(u"System32\\") + kProbe);
  conf::PrintAttributes("probe after clean-up", Folder(u"System32\\") + kProbe);
}

// The folders below System32 that 32-bit and 64-bit programs share are not redirected.
CONFORMANCE_SCENARIO(wow64_redirection_exemptions, 72) {
  const char16_t* const folders[] = {u"drivers\\etc", u"spool", u"catroot", u"drivers"};
  void* cookie = nullptr;
  const os::BOOL off = os::Wow64DisableWow64FsRedirection(&cookie);
  for (const char16_t* folder : folders) {
    os::CreateDirectoryW(Folder(u"System32\\") + folder);
    conf::WriteText(Folder(u"System32\\") + folder + u"\\" + kProbe, "real System32");
  }
  if (off) os::Wow64RevertWow64FsRedirection(cookie);
  for (const char16_t* folder : folders)
    conf::Line("System32\\%s reads: %s", conf::U8(folder).c_str(),
               conf::ReadText(Folder(u"System32\\") + folder + u"\\" + kProbe).c_str());
  const os::BOOL cleanOff = os::Wow64DisableWow64FsRedirection(&cookie);
  for (const char16_t* folder : folders)
    os::DeleteFileW(Folder(u"System32\\") + folder + u"\\" + kProbe);
  if (cleanOff) os::Wow64RevertWow64FsRedirection(cookie);
}
