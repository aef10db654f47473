// Fuzz target: one device-ID entry of AudioConfig.cfg ("plain ID,Base64 of the DES-encrypted
// ID"): Base64 decoding, decryption and the comparison; a verified ID must then match itself
// and every hardware ID its 'X' positions allow.
#include <cstddef>
#include <cstdint>
#include <string>

#include "config/DesDecrypt.h"
#include "config/DeviceIdMgr.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  // The first byte chooses: the raw decryption of the rest, or an entry of UTF-16 text.
  if (data[0] & 1) {
    unsigned char out[1024];
    std::size_t capacity = sizeof out;
    if (DecryptEntry(reinterpret_cast<const char*>(data + 1), size - 1, out, &capacity) == 0 &&
        capacity > sizeof out)
      __builtin_trap();
    return 0;
  }
  std::u16string value;
  for (std::size_t i = 1; i + 1 < size; i += 2)
    value.push_back(static_cast<char16_t>(data[i] | (data[i + 1] << 8)));
  std::u16string plain, base64;
  const DEVICEID_MGR::EntryCheck check = DEVICEID_MGR::CheckEntry(value, &plain, &base64);
  if (check != DEVICEID_MGR::kEntryVerified) return 0;
  DEVICEID_MGR::CDeviceIdMgr mgr;
  mgr.m_VerifiedIds.emplace(plain, base64);
  std::u16string concrete = plain;
  for (auto& c : concrete)
    if (c == u'X') c = u'7';
  if (!mgr.MatchDeviceId(plain) || !mgr.MatchDeviceId(concrete)) __builtin_trap();
  return 0;
}
