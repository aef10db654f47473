// The encrypt direction of the device-ID entries: DES-CBC under the entry password with a zero
// initialisation vector and PKCS#5 padding, then Base64.
#pragma once

#include <string>

// The Base64 text of the encrypted bytes of `plain` (one byte per character).
std::string EncryptEntry(const std::string& plain);
