#include "config/DesDecrypt.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "config/Base64.h"
#include "platform/os_crypto.h"

namespace {
const char kEntryPassword[] = "Hn7Rk2Pv";
constexpr std::size_t kDecodeBufferSize = 1024;
}  // namespace

int DesDecrypt(const unsigned char* cipher, std::size_t length, unsigned char* out,
               std::size_t* capacity, const char* password, std::size_t passwordLength) {
  if (length % 8 != 0) return -1;
  os::BYTE key[8] = {};
  std::memcpy(key, password, std::min<std::size_t>(passwordLength, 8));
  std::vector<os::BYTE> plain;
  const int result = os::DesCbcDecrypt(key, cipher, length, &plain);
  if (result != 0) return result;
  if (*capacity < length) return 4;
  if (!plain.empty()) std::memcpy(out, plain.data(), plain.size());
  *capacity = plain.size();
  return 0;
}

int DecryptEntry(const char* text, std::size_t length, unsigned char* out, std::size_t* capacity) {
  unsigned char decoded[kDecodeBufferSize];
  std::size_t decodedLength = sizeof(decoded);
  if (Base64Decode(text, length, decoded, &decodedLength) != 0) return 1;
  std::memset(out, 0, *capacity);
  if (DesDecrypt(decoded, decodedLength, out, capacity, kEntryPassword, 8) != 0) return 2;
  return 0;
}
