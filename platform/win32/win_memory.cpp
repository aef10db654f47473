// Windows backend: the process heap.
#include <windows.h>

#include "platform/os_memory.h"

namespace os {

void* HeapAlloc(std::size_t size) { return ::HeapAlloc(::GetProcessHeap(), 0, size); }
void HeapFree(void* block) {
  if (block) ::HeapFree(::GetProcessHeap(), 0, block);
}

}  // namespace os
