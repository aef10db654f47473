#include "payload/common/SingleInstance.h"

namespace payload {

namespace {
constexpr unsigned long kErrorAccessDenied = 5;
constexpr unsigned long kErrorAlreadyExists = 183;
}  // namespace

InstanceStart ClassifyInstanceMutex(bool created, unsigned long lastError) {
  if (created)
    return lastError == kErrorAlreadyExists ? InstanceStart::Second : InstanceStart::First;
  // Any other failure: no way to tell; run rather than refuse to start at all.
  return lastError == kErrorAccessDenied ? InstanceStart::Second : InstanceStart::First;
}

}  // namespace payload
