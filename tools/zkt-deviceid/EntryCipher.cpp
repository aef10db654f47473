#include "EntryCipher.h"

#include <nettle/base64.h>
#include <nettle/cbc.h>
#include <nettle/des.h>

#include <vector>

namespace {
const std::uint8_t kEntryKey[DES_KEY_SIZE] = {'H', 'n', '7', 'R', 'k', '2', 'P', 'v'};
}  // namespace

std::string EncryptEntry(const std::string& plain) {
  std::vector<std::uint8_t> data(plain.begin(), plain.end());
  const std::size_t pad = DES_BLOCK_SIZE - data.size() % DES_BLOCK_SIZE;
  data.insert(data.end(), pad, static_cast<std::uint8_t>(pad));

  des_ctx ctx;
  des_set_key(&ctx, kEntryKey);
  std::uint8_t iv[DES_BLOCK_SIZE] = {};
  std::vector<std::uint8_t> cipher(data.size());
  cbc_encrypt(&ctx, reinterpret_cast<nettle_cipher_func*>(des_encrypt), DES_BLOCK_SIZE, iv,
              data.size(), cipher.data(), data.data());

  std::string out(BASE64_ENCODE_RAW_LENGTH(cipher.size()), '\0');
  base64_encode_raw(reinterpret_cast<char*>(out.data()), cipher.size(), cipher.data());
  return out;
}
