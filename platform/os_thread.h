// Worker threads: CreateThread with default security and stack size, started at once.
#pragma once

#include "platform/os_types.h"

namespace os {

using ThreadProc = DWORD (*)(void* argument);

// CreateThread(NULL, 0, proc, argument, 0, NULL); the handle is closed at once because the
// caller never waits on it. FALSE (GetLastError) when the thread could not be created.
BOOL CreateThread(ThreadProc proc, void* argument);

}  // namespace os
