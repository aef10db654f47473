#include "install/NativePayload.h"

std::uint32_t WriteNativePayload(const NativePayload& payload, bool isWow64,
                                 const std::u16string& path) {
  std::uint32_t size = 0;
  const void* data = LoadPayloadResource(isWow64 ? payload.x64 : payload.x86, payload.type, size);
  if (!data) return payload.missingCode;
  if (WritePayloadFile(path, data, size) != 0) return payload.notWrittenCode;
  return 0;
}
