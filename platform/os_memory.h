// Memory of the process heap, for the few allocations whose failure the system reports as a
// result code (HeapAlloc(GetProcessHeap(), 0, size) / HeapFree).
#pragma once

#include <cstddef>

namespace os {

// Null when the heap cannot supply the block.
void* HeapAlloc(std::size_t size);
void HeapFree(void* block);

}  // namespace os
