// Windows: the shell link object (os_shell_link.h): CLSID_ShellLink with IShellLinkW and
// IPersistFile, in the order the seam's steps name.
#include "platform/os_shell_link.h"
#include "platform/win32/win_text.h"

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

namespace os {

using win::Wide;

struct ShellLinkTag {
  IShellLinkW* shellLink = nullptr;
  IPersistFile* persistFile = nullptr;
};

namespace {}  // namespace

HRESULT CoInitialize() { return ::CoInitialize(nullptr); }
void CoUninitialize() { ::CoUninitialize(); }

HRESULT CreateShellLink(ShellLink* link) {
  IShellLinkW* shellLink = nullptr;
  HRESULT hr = ::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                  reinterpret_cast<void**>(&shellLink));
  if (FAILED(hr)) return hr;
  IPersistFile* persistFile = nullptr;
  hr = shellLink->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&persistFile));
  if (FAILED(hr)) {
    shellLink->Release();
    return hr;
  }
  *link = new ShellLinkTag{shellLink, persistFile};
  return hr;
}

HRESULT ShellLinkSetPath(ShellLink link, const std::u16string& target) {
  return link->shellLink->SetPath(Wide(target));
}

HRESULT ShellLinkSave(ShellLink link, const std::u16string& linkPath) {
  return link->persistFile->Save(Wide(linkPath), TRUE);
}

void ShellLinkRelease(ShellLink link) {
  if (!link) return;
  link->persistFile->Release();
  link->shellLink->Release();
  delete link;
}

HRESULT ReadShellLinkTarget(const std::u16string& linkPath, std::u16string* target) {
  const HRESULT init = ::CoInitialize(nullptr);
  ShellLink link = nullptr;
  HRESULT hr = CreateShellLink(&link);
  if (SUCCEEDED(hr)) hr = link->persistFile->Load(Wide(linkPath), STGM_READ);
  if (SUCCEEDED(hr)) {
    wchar_t path[MAX_PATH] = {};
    hr = link->shellLink->GetPath(path, MAX_PATH, nullptr, 0);
    if (SUCCEEDED(hr)) *target = win::Ours(path);
  }
  ShellLinkRelease(link);
  if (SUCCEEDED(init)) ::CoUninitialize();
  return hr;
}

}  // namespace os
