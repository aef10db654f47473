// The payloads carried in the setup program's own image, and writing one to a file.
#pragma once

#include <cstdint>
#include <string>

// Resource IDs of the payload table (type name, ID).
enum PayloadId : std::uint16_t {
  PAYLOAD_DRIVER_X86 = 102,
  PAYLOAD_DRIVER_X64 = 103,
  PAYLOAD_SERVICE_X86 = 105,
  PAYLOAD_SERVICE_X64 = 106,
  PAYLOAD_APP_MAIN = 107,
  PAYLOAD_UNINSTALL = 108,
  PAYLOAD_WINDOWPATCH = 110,
  PAYLOAD_APP_EFFECT = 111,
  PAYLOAD_APP_SOUND_EFFECT = 112,
};

// The resource's bytes (valid for the whole process), or null when it is missing or empty;
// `size` is written only on success, so callers set it to 0 first.
const void* LoadPayloadResource(std::uint16_t id, std::u16string type, std::uint32_t& size);

// Writes `size` bytes to `path` in one write, creating or truncating the file.
// 0 written; 1 the file cannot be opened; 2 fewer bytes were written (the partial file stays).
int WritePayloadFile(std::u16string path, const void* data, std::uint32_t size);
