// Per-thread switch of WOW64 file-system redirection (System32 -> SysWOW64 for 32-bit programs).
// Callers switch it off and back on in pairs, on the same thread, only on 64-bit Windows.
#pragma once

// Returns the result of Wow64DisableWow64FsRedirection, or false when Windows lacks it
// (32-bit Windows); the cookie is then left as the caller set it (0).
bool DisableWow64Redirection(void** cookie);
bool RevertWow64Redirection(void* cookie);
