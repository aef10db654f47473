// A payload that exists in a 32-bit and a 64-bit build (driver, service), written to the
// native system folder in the build of the running Windows.
#pragma once

#include <cstdint>
#include <string>

#include "platform/PayloadResource.h"

struct NativePayload {
  PayloadId x86;
  PayloadId x64;
  const char16_t* type;
  std::uint32_t missingCode;     // the step's code when the resource is missing or empty
  std::uint32_t notWrittenCode;  // the step's code when the file is not written
};

// Writes the x64 build on 64-bit Windows (`isWow64`), the x86 build otherwise, to `path`;
// 0 or one of the payload's codes. On 64-bit Windows the caller keeps WOW64 file-system
// redirection off meanwhile, so that the file lands in the 64-bit folder.
std::uint32_t WriteNativePayload(const NativePayload& payload, bool isWow64,
                                 const std::u16string& path);
