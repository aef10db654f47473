// Decoding of the INI section engine: byte-order mark detection and one line splitter per
// encoding. Each splitter turns the bytes after the mark into UTF-16 lines, cut at line feeds,
// empty pieces dropped, each piece trimmed of spaces and then of carriage returns.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace REGINI_MGR {

enum TEXT_ENCODING : std::int32_t {
  ENCODING_ANSI = 0,
  ENCODING_UTF8 = 1,
  ENCODING_UTF16LE = 2,
  ENCODING_UTF16BE = 3,
  ENCODING_UTF32LE = 4,
  ENCODING_UTF32BE = 5,
};

// Sets `encoding` from the byte-order mark and returns the number of mark bytes to skip.
std::size_t DetectEncoding(const unsigned char* data, std::size_t length, std::int32_t* encoding);

// UTF-8 to UTF-16: 0 decoded; 1 invalid (a bad lead or continuation byte, or a sequence cut
// off by the end of the data); 2 no memory; 3 a code point above U+FFFF.
int DecodeUtf8(const unsigned char* data, std::size_t length, std::u16string* out);
// Bytes of the UTF-8 sequence a lead byte starts (1 to 6, as DecodeUtf8 reads them); 0 for a
// byte that cannot lead (a continuation byte, 0xFE, 0xFF).
std::size_t Utf8SequenceLength(unsigned char lead);
void SwapBytes16(unsigned char* data, std::size_t length);
void SwapBytes32(unsigned char* data, std::size_t length);

// Bytes of a file without a byte-order mark become one UTF-16 unit each, 0x80..0xFF as
// U+0080..U+00FF (Latin-1): lossless, and the rule the device-ID check widens decrypted
// bytes by, so equal bytes always compare equal.
std::u16string WidenBytes(const unsigned char* data, std::size_t length);

// The splitters; 0 on success, else the encoding's own error code.
int SplitAnsiLines(const unsigned char* data, std::size_t length,
                   std::vector<std::u16string>* lines);
int SplitUtf8Lines(const unsigned char* data, std::size_t length,
                   std::vector<std::u16string>* lines);
int SplitUtf16LeLines(const unsigned char* data, std::size_t length,
                      std::vector<std::u16string>* lines);
// Swaps `data` in place, then splits it as little-endian.
int SplitUtf16BeLines(unsigned char* data, std::size_t length, std::vector<std::u16string>* lines);
// 1 when the length is not a multiple of 4, 2 when a unit exceeds 0xFFFF, 3 no memory.
int SplitUtf32LeLines(const unsigned char* data, std::size_t length,
                      std::vector<std::u16string>* lines);
int SplitUtf32BeLines(unsigned char* data, std::size_t length, std::vector<std::u16string>* lines);

}  // namespace REGINI_MGR
