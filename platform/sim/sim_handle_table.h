// Simulated machine: the table behind one kind of handle (files, registry keys, services, device
// sets, processes).
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <utility>

namespace sim {

// Open handles of type `Handle` (an opaque pointer type of the seam) and what each one refers to.
// Values are handed out in order, `first`, `first + step`, ..., and never reused, not even after
// Clear(): a closed or stale handle stays invalid instead of reaching another object, and the
// values a run sees do not depend on what was closed before.
template <typename Handle, typename Entry>
class HandleTable {
 public:
  HandleTable(std::uintptr_t first, std::uintptr_t step) : next_(first), step_(step) {}

  Handle Add(Entry entry) {
    const std::uintptr_t value = next_;
    next_ += step_;
    entries_.emplace(value, std::move(entry));
    return reinterpret_cast<Handle>(value);
  }

  // The entry of an open handle; nullptr for any other value.
  Entry* Find(Handle handle) {
    const auto it = entries_.find(ValueOf(handle));
    return it == entries_.end() ? nullptr : &it->second;
  }
  const Entry* Find(Handle handle) const {
    const auto it = entries_.find(ValueOf(handle));
    return it == entries_.end() ? nullptr : &it->second;
  }

  // Closes `handle`; false when it was not open.
  bool Remove(Handle handle) { return entries_.erase(ValueOf(handle)) != 0; }

  // Closes every handle (the machine was reset); the numbering goes on.
  void Clear() { entries_.clear(); }

  std::size_t Size() const { return entries_.size(); }

  // Whether `test` holds for an open entry (tried in the order they were handed out).
  template <typename Test>
  bool Any(Test&& test) const {
    for (const auto& [value, entry] : entries_)
      if (test(entry)) return true;
    return false;
  }

 private:
  static std::uintptr_t ValueOf(Handle handle) { return reinterpret_cast<std::uintptr_t>(handle); }

  std::map<std::uintptr_t, Entry> entries_;
  std::uintptr_t next_;
  std::uintptr_t step_;
};

}  // namespace sim
