// Whether a folder or named object that may already exist can be trusted by a program that
// runs as SYSTEM, a service account or elevated (payload/common/Security.h decides).
#pragma once

#include <windows.h>
#include <aclapi.h>

#include "payload/common/Security.h"

#include <string>

namespace payload {

// The owner of an open file, folder or kernel object (Other when it cannot be read).
Owner OwnerOf(HANDLE object, SE_OBJECT_TYPE type);

// The folder exists, is no reparse point (junction, mount point, link) and is owned by
// SYSTEM, the administrators or the service's account. Opened without following a link.
bool IsTrustedFolderOnDisk(const std::u16string& folder);

}  // namespace payload
