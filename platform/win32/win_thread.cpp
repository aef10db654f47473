// Windows: worker threads (os_thread.h), forwarded to kernel32.
#include <new>

#include "platform/os_thread.h"

#include <windows.h>

namespace {

struct Start {
  os::ThreadProc proc;
  void* argument;
};

// CreateThread wants a WINAPI routine; the portable procedure has the default convention.
DWORD WINAPI Trampoline(LPVOID parameter) {
  const Start start = *static_cast<Start*>(parameter);
  delete static_cast<Start*>(parameter);
  return start.proc(start.argument);
}

}  // namespace

namespace os {

BOOL CreateThread(ThreadProc proc, void* argument) {
  auto* start = new (std::nothrow) Start{proc, argument};
  if (!start) {
    ::SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return FALSE;
  }
  ::HANDLE thread = ::CreateThread(nullptr, 0, &Trampoline, start, 0, nullptr);
  if (!thread) {
    const DWORD error = ::GetLastError();
    delete start;
    ::SetLastError(error);
    return FALSE;
  }
  ::CloseHandle(thread);  // nobody waits on the worker
  return TRUE;
}

}  // namespace os
