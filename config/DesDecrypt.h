// DES decryption of the device-ID entries and the Base64-then-DES step of one entry.
#pragma once

#include <cstddef>

// 0 decrypted (`capacity` in: room in `out`, out: plaintext length); -1 length not a multiple
// of 8; 1 no cryptographic context; 2 key import failed; 3 a block failed to decrypt; 4 the
// capacity is smaller than the ciphertext.
int DesDecrypt(const unsigned char* cipher, std::size_t length, unsigned char* out,
               std::size_t* capacity, const char* password, std::size_t passwordLength);

// Base64 text to plaintext with the fixed password: 0 decrypted; 1 Base64 decoding failed;
// 2 DES decryption failed. `out` is zero-filled over the capacity first.
int DecryptEntry(const char* text, std::size_t length, unsigned char* out, std::size_t* capacity);
