// The shell link object (CLSID_ShellLink with IShellLinkW and IPersistFile) as a small
// handle-based seam: the COM sequence has no portable meaning, its steps keep their order.
#pragma once

#include <string>

#include "platform/os_types.h"

namespace os {

struct ShellLinkTag;
using ShellLink = ShellLinkTag*;

// CoInitialize(NULL) on the calling thread (result not examined by the setup).
HRESULT CoInitialize();
void CoUninitialize();
// CoCreateInstance(CLSID_ShellLink, IID_IShellLinkW) then QueryInterface(IID_IPersistFile).
// `link` is set only when both steps succeed (a half-made object is released inside).
HRESULT CreateShellLink(ShellLink* link);
HRESULT ShellLinkSetPath(ShellLink link, const std::u16string& target);
HRESULT ShellLinkSave(ShellLink link, const std::u16string& linkPath);
// Releases both interfaces.
void ShellLinkRelease(ShellLink link);
// Reads a saved link's target path back (IShellLinkW::GetPath after IPersistFile::Load).
HRESULT ReadShellLinkTarget(const std::u16string& linkPath, std::u16string* target);

}  // namespace os
