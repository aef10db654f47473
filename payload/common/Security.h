// Security of what the payload programs create and trust: the service, its log folder and the
// applications' exit event. Everything here runs as SYSTEM, a service account or elevated,
// while a standard user may have created a folder or named object first.
#pragma once

#include <string>

namespace payload {

// The service object: SYSTEM and administrators control it; interactive and service users may
// query it and nothing else (no start, stop, or user-defined control such as 128).
constexpr char16_t kServiceSecurity[] =
    u"D:(A;;CCLCSWRPWPDTLOCRRC;;;SY)(A;;CCDCLCSWRPWPDTLOCRSDRCWDWO;;;BA)"
    u"(A;;CCLCSWLORC;;;IU)(A;;CCLCSWLORC;;;SU)";
// The least account for its work: it reads HKLM, writes its log, sets an event.
constexpr char16_t kServiceAccount[] = u"NT AUTHORITY\\LocalService";
// The only privilege it keeps (a double-null-terminated list).
constexpr char16_t kServicePrivileges[] = u"SeChangeNotifyPrivilege\0";

// The log folder: protected from what ProgramData passes on (where users may create files);
// SYSTEM and administrators have full control, the service's account may write, users read.
constexpr char16_t kLogFolderSecurity[] =
    u"D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1301bf;;;LS)(A;OICI;FR;;;BU)";

// The exit event reaches applications in every session; only the service may set it. Users
// may wait for it and read who owns it.
constexpr char16_t kAppExitEventSecurity[] =
    u"D:(A;;GA;;;SY)(A;;GA;;;BA)(A;;GA;;;LS)(A;;0x00120000;;;WD)";

// Who owns a folder or named object that already exists.
enum class Owner { System, Administrators, LocalService, Other };
// Owners a standard user cannot be: SYSTEM, the administrators, the service's own account.
bool IsTrustedOwner(Owner owner);
// A folder the programs may write or delete in: not a link to elsewhere, and not a user's.
bool IsTrustedFolder(bool reparsePoint, Owner owner);
// The log is written only to a plain file with one name (no link, no second hard link).
bool IsPlainLogFile(bool reparsePoint, unsigned long links);

// `path` names an entry directly in `folder` (compared without regard to case; either may end
// in a backslash): " /Service" registers only an image in the system folder.
bool IsDirectlyIn(const std::u16string& path, const std::u16string& folder);

}  // namespace payload
