// Resources of the running program's own image (FindResourceW on module NULL and friends).
#pragma once

#include <string>

#include "platform/os_types.h"

namespace os {

struct ResourceTag;
using HRSRC = ResourceTag*;
struct ResourceDataTag;
using HGLOBAL = ResourceDataTag*;

// Type names match without regard to case; `id` is an integer resource name.
HRSRC FindResourceW(const std::u16string& type, WORD id);
DWORD SizeofResource(HRSRC resource);
HGLOBAL LoadResource(HRSRC resource);
// The bytes stay valid for the life of the process (they are the mapped image).
const void* LockResource(HGLOBAL data);

}  // namespace os
