// Conformance: a shortcut written through the shell link object and its target read back.
#include <cstdint>
#include <string>

#include "platform/os_files.h"
#include "platform/os_shell_link.h"
#include "tests/conformance/conformance.h"

namespace {

std::u16string Folder() { return conf::Scratch() + u"links\\"; }
std::u16string Target() { return Folder() + u"Audio App.exe"; }

unsigned long Hex(os::HRESULT hr) {
  return static_cast<unsigned long>(static_cast<std::uint32_t>(hr));
}

// The steps of the setup's shortcut writers, each result printed.
void Write(const char* what, const std::u16string& target, const std::u16string& linkPath) {
  const os::HRESULT init = os::CoInitialize();
  os::ShellLink link = nullptr;
  const os::HRESULT created = os::CreateShellLink(&link);
  os::HRESULT setPath = E_FAIL, saved = E_FAIL;
  if (created >= 0) setPath = os::ShellLinkSetPath(link, target);
  if (created >= 0 && setPath >= 0) saved = os::ShellLinkSave(link, linkPath);
  if (link) os::ShellLinkRelease(link);
  if (init >= 0) os::CoUninitialize();
  conf::Line("%s: create 0x%08lx, SetPath 0x%08lx, Save 0x%08lx", what, Hex(created), Hex(setPath),
             Hex(saved));
}

void Read(const char* what, const std::u16string& linkPath) {
  std::u16string target = u"(unchanged)";
  const os::HRESULT hr = os::ReadShellLinkTarget(linkPath, &target);
  conf::Line("%s: read 0x%08lx, target %s", what, Hex(hr), conf::U8(target).c_str());
}

}  // namespace

CONFORMANCE_SCENARIO(shortcut_setup, 30) {
  os::CreateDirectoryW(conf::Scratch());
  os::CreateDirectoryW(Folder());
  os::HANDLE h = os::CreateFileW(Target(), GENERIC_WRITE, 0, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL);
  if (h != INVALID_HANDLE_VALUE) os::CloseHandle(h);
  conf::Line("target present: %d", os::GetFileAttributesW(Target()) != INVALID_FILE_ATTRIBUTES);
}

CONFORMANCE_SCENARIO(shortcut_write_and_read, 31) {
  Write("existing target", Target(), Folder() + u"Audio App.lnk");
  Read("existing target", Folder() + u"Audio App.lnk");
  Write("overwrite", Target(), Folder() + u"Audio App.lnk");
  Read("overwrite", Folder() + u"AUDIO APP.LNK");
}

CONFORMANCE_SCENARIO(shortcut_failures, 32) {
  Write("missing folder", Target(), Folder() + u"Missing\\Audio App.lnk");
  Read("missing link", Folder() + u"none.lnk");
}

CONFORMANCE_SCENARIO(shortcut_cleanup, 34) {
  os::DeleteFileW(Folder() + u"Audio App.lnk");
  os::DeleteFileW(Target());
  os::RemoveDirectoryW(Folder());
  conf::Line("links folder removed: %d",
             os::GetFileAttributesW(Folder()) == INVALID_FILE_ATTRIBUTES);
}
