// DES decryption as the CryptoAPI does it for the device-ID check: a verify-only context of
// "Microsoft Enhanced Cryptographic Provider v1.0" (PROV_RSA_FULL), the key imported as a
// 20-byte PLAINTEXTKEYBLOB (CALG_DES), CBC with a zero initialisation vector, PKCS#5 padding
// removed from the last block. The ciphertext is decrypted block by block, the last block
// marked final.
#pragma once

#include <cstddef>
#include <vector>

#include "platform/os_types.h"

namespace os {

// 0 decrypted into `plain`; 1 no cryptographic context; 2 key import failed; 3 a block failed
// to decrypt (also bad padding). `length` must be a multiple of 8.
int DesCbcDecrypt(const BYTE key[8], const BYTE* cipher, std::size_t length,
                  std::vector<BYTE>* plain);

}  // namespace os
