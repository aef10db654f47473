// Whether a folder that may already exist can be trusted by the elevated uninstaller
// (payload/common/Security.h decides).
#pragma once

#include <string>

#include "payload/common/Security.h"

namespace uninstall {

// The owner a string SID names: SYSTEM, the administrators, the service's account or another.
payload::Owner OwnerOfSid(const std::u16string& sid);

// The folder exists, is no reparse point (junction, mount point, link) and is owned by
// SYSTEM, the administrators or the service's account. Opened without following a link.
bool IsTrustedFolderOnDisk(const std::u16string& folder);

}  // namespace uninstall
