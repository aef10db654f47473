// Win32 backend: resources of the running program's own image.
#include "platform/os_resources.h"

#include <windows.h>

namespace os {

HRSRC FindResourceW(const std::u16string& type, WORD id) {
  return reinterpret_cast<HRSRC>(
      ::FindResourceW(nullptr, MAKEINTRESOURCEW(id), reinterpret_cast<LPCWSTR>(type.c_str())));
}

DWORD SizeofResource(HRSRC resource) {
  return ::SizeofResource(nullptr, reinterpret_cast<::HRSRC>(resource));
}

HGLOBAL LoadResource(HRSRC resource) {
  return reinterpret_cast<HGLOBAL>(::LoadResource(nullptr, reinterpret_cast<::HRSRC>(resource)));
}

const void* LockResource(HGLOBAL data) { return ::LockResource(reinterpret_cast<::HGLOBAL>(data)); }

}  // namespace os
