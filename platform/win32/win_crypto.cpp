// Windows backend: DES through the CryptoAPI.
#include <cstring>

#include "platform/os_crypto.h"

#include <windows.h>
#include <wincrypt.h>

namespace os {

int DesCbcDecrypt(const BYTE key[8], const BYTE* cipher, std::size_t length,
                  std::vector<BYTE>* plain) {
  HCRYPTPROV provider = 0;
  if (!::CryptAcquireContextW(&provider, nullptr, L"Microsoft Enhanced Cryptographic Provider v1.0",
                              PROV_RSA_FULL, CRYPT_VERIFYCONTEXT))
    return 1;
  // PLAINTEXTKEYBLOB: BLOBHEADER (type 8, version 2, reserved 0, CALG_DES), key length, key.
  BYTE blob[20] = {PLAINTEXTKEYBLOB, CUR_BLOB_VERSION, 0, 0};
  const ::DWORD algorithm = CALG_DES, keyLength = 8;
  std::memcpy(blob + 4, &algorithm, 4);
  std::memcpy(blob + 8, &keyLength, 4);
  std::memcpy(blob + 12, key, 8);
  HCRYPTKEY hKey = 0;
  if (!::CryptImportKey(provider, blob, sizeof(blob), 0, 0, &hKey)) {
    ::CryptReleaseContext(provider, 0);
    return 2;
  }
  std::vector<BYTE> work(cipher, cipher + length);
  std::size_t produced = 0;
  int result = 0;
  for (std::size_t offset = 0; offset < length; offset += 8) {
    ::DWORD size = 8;
    const BOOL last = offset + 8 >= length;
    if (!::CryptDecrypt(hKey, 0, last, 0, work.data() + offset, &size)) {
      result = 3;
      break;
    }
    // Blocks are decrypted in place; the output of each lands right after the previous one.
    std::memmove(work.data() + produced, work.data() + offset, size);
    produced += size;
  }
  if (result == 0) plain->assign(work.begin(), work.begin() + produced);
  ::CryptDestroyKey(hKey);
  ::CryptReleaseContext(provider, 0);
  return result;
}

}  // namespace os
