// Text to integer as the framework converts it, with its conversion error.
#pragma once

#include <cstdint>
#include <string>

namespace ui {

// Leading blanks skipped, one optional sign, then a decimal number or a hexadecimal one
// introduced by "$", "x", "X", "0x" or "0X". Anything else, a trailing character included, or
// a value outside 32 bits (hexadecimal up to 0xFFFFFFFF, taken as its bit pattern) is an error.
bool TryStrToInt(const std::u16string& text, std::int32_t* value);
// The same; throws EConvertError "'%s' is not a valid integer value" on error.
std::int32_t StringToInt(const std::u16string& text);

}  // namespace ui
