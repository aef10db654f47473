#include "config/Base64.h"

#include <cstdint>

namespace {

// 0..63 for the alphabet, 64 for "=", -1 for anything else.
int Base64Value(char c) {
  if (c >= 'A' && c <= 'Z') return c - 'A';
  if (c >= 'a' && c <= 'z') return c - 'a' + 26;
  if (c >= '0' && c <= '9') return c - '0' + 52;
  if (c == '+') return 62;
  if (c == '/') return 63;
  if (c == '=') return 64;
  return -1;
}

}  // namespace

int Base64Decode(const char* text, std::size_t length, unsigned char* out, std::size_t* capacity) {
  if (length == 0 || length % 4 != 0) return 1;
  if (length / 4 * 3 >= *capacity) return 2;
  std::size_t produced = 0;
  for (std::size_t i = 0; i < length; i += 4) {
    std::uint32_t group = 0;
    for (std::size_t k = 0; k < 4; ++k) {
      const int v = Base64Value(text[i + k]);
      if (v < 0) return 3;
      group = (group << 6) + static_cast<std::uint32_t>(v);  // "=" adds 64: only padding matters
    }
    std::size_t bytes = 3;
    if (i + 4 == length) {  // padding counts only in the last group
      if (text[i + 2] == '=') bytes = 1;
      else if (text[i + 3] == '=') bytes = 2;
    }
    out[produced++] = static_cast<unsigned char>(group >> 16);
    if (bytes > 1) out[produced++] = static_cast<unsigned char>(group >> 8);
    if (bytes > 2) out[produced++] = static_cast<unsigned char>(group);
  }
  *capacity = produced;
  return 0;
}
