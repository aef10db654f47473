// An allocator over the process heap (os_memory.h) for containers whose growth must fail the
// way the system reports it: an exhausted heap throws std::bad_alloc at the insert, which the
// owner turns into its result code. The simulated heap's faults reach it like any other.
#pragma once

#include <cstddef>
#include <new>

#include "platform/os_memory.h"

namespace os {

template <typename T>
struct HeapAllocator {
  using value_type = T;
  HeapAllocator() = default;
  template <typename U>
  HeapAllocator(const HeapAllocator<U>&) {}

  T* allocate(std::size_t count) {
    if (count > static_cast<std::size_t>(-1) / sizeof(T)) throw std::bad_alloc();
    void* block = HeapAlloc(count * sizeof(T));
    if (!block) throw std::bad_alloc();
    return static_cast<T*>(block);
  }
  void deallocate(T* block, std::size_t) { HeapFree(block); }

  template <typename U>
  bool operator==(const HeapAllocator<U>&) const {
    return true;
  }
  template <typename U>
  bool operator!=(const HeapAllocator<U>&) const {
    return false;
  }
};

}  // namespace os
