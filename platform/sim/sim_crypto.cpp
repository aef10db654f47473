// Simulated machine: CryptoAPI DES (os_crypto.h) with nettle's DES-CBC.
#include <nettle/cbc.h>
#include <nettle/des.h>

#include <cstring>

#include "platform/os_crypto.h"
#include "platform/sim/sim_machine.h"

namespace os {

int DesCbcDecrypt(const BYTE key[8], const BYTE* cipher, std::size_t length,
                  std::vector<BYTE>* plain) {
  DWORD error = 0;
  if (sim::Fault("CryptAcquireContextW", u"", &error)) return 1;
  des_ctx ctx;
  // A weak key is refused by nettle; the provider would not import it either.
  if (sim::Fault("CryptImportKey", u"", &error) || !des_set_key(&ctx, key)) return 2;
  if (sim::Fault("CryptDecrypt", u"", &error)) return 3;

  plain->assign(length, 0);
  std::uint8_t iv[DES_BLOCK_SIZE] = {};
  if (length > 0)
    cbc_decrypt(&ctx, reinterpret_cast<nettle_cipher_func*>(des_decrypt), DES_BLOCK_SIZE, iv,
                length, plain->data(), cipher);
  if (length == 0) return 0;
  // PKCS#5: 1 to 8 bytes, each holding the count.
  const BYTE pad = plain->back();
  if (pad == 0 || pad > DES_BLOCK_SIZE) return 3;
  for (std::size_t i = length - pad; i < length; ++i)
    if ((*plain)[i] != pad) return 3;
  plain->resize(length - pad);
  return 0;
}

}  // namespace os
