// Base64 decoding of the device-ID entries (standard alphabet, "=" padding).
#pragma once

#include <cstddef>

// Decodes `length` characters into `out`; `capacity` is the room in `out` on entry and the
// decoded length on success. 0 decoded; 1 length 0 or not a multiple of 4; 2 the decoded
// size (length / 4 * 3) would not be below the capacity; 3 a character outside the alphabet.
int Base64Decode(const char* text, std::size_t length, unsigned char* out, std::size_t* capacity);
