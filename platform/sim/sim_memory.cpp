// Simulated machine: the process heap (os_memory.h); "HeapAlloc" faults make it run dry.
#include <cstdlib>

#include "platform/os_memory.h"
#include "platform/sim/sim_machine.h"

namespace os {

void* HeapAlloc(std::size_t size) {
  DWORD error = 0;
  if (sim::Fault("HeapAlloc", u"", &error)) return nullptr;
  return std::malloc(size == 0 ? 1 : size);
}

void HeapFree(void* block) { std::free(block); }

}  // namespace os
