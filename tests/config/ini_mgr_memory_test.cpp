// Out of memory inside the INI engine: every allocation of a load fails in turn, and the load
// gives the engine's own result (5 while decoding, 6 while building sections) instead of letting
// std::bad_alloc end the program.
#include <gtest/gtest.h>

#include <cstdlib>
#include <new>
#include <string>
#include <vector>

#include "config/IniMgr.h"
#include "platform/sim/sim_machine.h"

namespace {

// The allocation (counted from 1) that fails; 0 when none does. Only this thread's.
thread_local long failAt = 0;
thread_local long allocations = 0;

}  // namespace

void* operator new(std::size_t size) {
  if (failAt > 0 && ++allocations == failAt) throw std::bad_alloc();
  if (void* block = std::malloc(size == 0 ? 1 : size)) return block;
  throw std::bad_alloc();
}
// Every form of new and delete the library may use comes from here, so that a block is always
// freed by the allocator that made it (the sorting algorithms use the nothrow form).
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  try {
    return ::operator new(size);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}
void* operator new[](std::size_t size) { return ::operator new(size); }
void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept {
  return ::operator new(size, tag);
}
void operator delete(void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }
void operator delete(void* block, const std::nothrow_t&) noexcept { std::free(block); }
void operator delete[](void* block) noexcept { std::free(block); }
void operator delete[](void* block, std::size_t) noexcept { std::free(block); }
void operator delete[](void* block, const std::nothrow_t&) noexcept { std::free(block); }

namespace {

TEST(IniMgrMemoryTest, EveryFailingAllocationGivesFiveOrSix) {
  const std::string text = "\xEF\xBB\xBF; comment\n[First]\nkey=value\nother=1\n[Second]\na=b\n";
  sim::Machine::Current();  // the simulated heap's machine is ready before allocations fail
  bool sawFive = false, sawSix = false;
  for (long n = 1; n < 200; ++n) {
    std::vector<unsigned char> bytes(text.begin(), text.end());
    REGINI_MGR::CIniMgr mgr;
    std::int32_t result = -1;
    failAt = n;
    allocations = 0;
    try {
      result = mgr.LoadBytes(bytes.data(), bytes.size());
    } catch (const std::bad_alloc&) {
      failAt = 0;
      FAIL() << "std::bad_alloc escaped at allocation " << n;
    }
    const bool reached = allocations >= n;
    failAt = 0;
    if (!reached) {
      EXPECT_EQ(result, 0);  // every allocation of the load passed
      break;
    }
    EXPECT_TRUE(result == 5 || result == 6) << "allocation " << n << " gave " << result;
    sawFive |= result == 5;
    sawSix |= result == 6;
  }
  EXPECT_TRUE(sawFive);
  EXPECT_TRUE(sawSix);
}

}  // namespace
