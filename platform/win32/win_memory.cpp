// Windows backend: the process heap.
#include "platform/os_memory.h"

#include <windows.h>

namespace os {

void* HeapAlloc(std::size_t size) { return ::HeapAlloc(::GetProcessHeap(), 0, size); }
void HeapFree(void* block) {
  if (block) ::HeapFree(::GetProcessHeap(), 0, block);
}

}  // namespace os
