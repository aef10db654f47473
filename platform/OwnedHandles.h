// Owners of the handles that the portable code opens: each closes its handle exactly once, on
// every path out of the scope that opened it, so that no path closes by hand.
#pragma once

#include <utility>

#include "platform/os_devices.h"
#include "platform/os_files.h"
#include "platform/os_registry.h"
#include "platform/os_services.h"

namespace os {

// `Traits` names the handle type, the value that means "no handle" and how one is closed.
template <typename Traits>
class Owned {
 public:
  using Handle = typename Traits::Handle;

  Owned() = default;
  explicit Owned(Handle handle) : handle_(handle) {}
  ~Owned() { reset(); }
  Owned(Owned&& other) noexcept : handle_(other.release()) {}
  Owned& operator=(Owned&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  Owned(const Owned&) = delete;
  Owned& operator=(const Owned&) = delete;

  Handle get() const { return handle_; }
  explicit operator bool() const { return handle_ != Traits::Invalid(); }
  // For the calls that hand a new handle back through a pointer; any handle held is closed.
  Handle* Receive() {
    reset();
    return &handle_;
  }
  Handle release() { return std::exchange(handle_, Traits::Invalid()); }
  void reset(Handle handle = Traits::Invalid()) {
    const Handle old = std::exchange(handle_, handle);
    if (old != Traits::Invalid()) Traits::Close(old);
  }

 private:
  Handle handle_ = Traits::Invalid();
};

struct RegKeyTraits {
  using Handle = HKEY;
  static Handle Invalid() { return nullptr; }
  static void Close(Handle key) { RegCloseKey(key); }
};
// Files: CreateFileW reports failure as INVALID_HANDLE_VALUE.
struct FileTraits {
  using Handle = HANDLE;
  static Handle Invalid() { return INVALID_HANDLE_VALUE; }
  static void Close(Handle file) { CloseHandle(file); }
};
// Processes and threads: their calls report "no handle" as null.
struct KernelObjectTraits {
  using Handle = HANDLE;
  static Handle Invalid() { return nullptr; }
  static void Close(Handle object) { CloseHandle(object); }
};
struct FindTraits {
  using Handle = HANDLE;
  static Handle Invalid() { return INVALID_HANDLE_VALUE; }
  static void Close(Handle find) { FindClose(find); }
};
struct ServiceTraits {
  using Handle = SC_HANDLE;
  static Handle Invalid() { return nullptr; }
  static void Close(Handle service) { CloseServiceHandle(service); }
};
struct DeviceSetTraits {
  using Handle = HDEVINFO;
  static Handle Invalid() { return INVALID_HANDLE_VALUE; }
  static void Close(Handle set) { SetupDiDestroyDeviceInfoList(set); }
};

using OwnedKey = Owned<RegKeyTraits>;
using OwnedFile = Owned<FileTraits>;
using OwnedObject = Owned<KernelObjectTraits>;
using OwnedFind = Owned<FindTraits>;
using OwnedService = Owned<ServiceTraits>;
using OwnedDeviceSet = Owned<DeviceSetTraits>;

}  // namespace os
