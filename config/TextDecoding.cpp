#include "config/TextDecoding.h"

#include <new>

namespace REGINI_MGR {

namespace {

bool StartsWith(const unsigned char* data, std::size_t length,
                std::initializer_list<unsigned char> mark) {
  if (length < mark.size()) return false;
  std::size_t i = 0;
  for (unsigned char b : mark)
    if (data[i++] != b) return false;
  return true;
}

void AppendTrimmed(const char16_t* begin, const char16_t* end, std::vector<std::u16string>* lines) {
  while (begin < end && *begin == u' ') ++begin;
  while (end > begin && end[-1] == u' ') --end;
  while (begin < end && *begin == u'\r') ++begin;
  while (end > begin && end[-1] == u'\r') --end;
  lines->emplace_back(begin, end);
}

// Cuts at line feeds; empty pieces vanish, pieces of blanks stay as empty lines.
void CutLines(const std::u16string& text, std::vector<std::u16string>* lines) {
  const char16_t* p = text.data();
  const char16_t* end = p + text.size();
  while (p < end) {
    const char16_t* lf = p;
    while (lf < end && *lf != u'\n') ++lf;
    if (lf > p) AppendTrimmed(p, lf, lines);
    p = lf + 1;
  }
}

}  // namespace

std::size_t DetectEncoding(const unsigned char* data, std::size_t length, std::int32_t* encoding) {
  if (StartsWith(data, length, {0xFF, 0xFE, 0x00, 0x00})) return *encoding = ENCODING_UTF32LE, 4;
  if (StartsWith(data, length, {0x00, 0x00, 0xFE, 0xFF})) return *encoding = ENCODING_UTF32BE, 4;
  if (StartsWith(data, length, {0xEF, 0xBB, 0xBF})) return *encoding = ENCODING_UTF8, 3;
  if (StartsWith(data, length, {0xFF, 0xFE})) return *encoding = ENCODING_UTF16LE, 2;
  if (StartsWith(data, length, {0xFE, 0xFF})) return *encoding = ENCODING_UTF16BE, 2;
  *encoding = ENCODING_ANSI;
  return 0;
}

std::size_t Utf8SequenceLength(unsigned char lead) {
  if (lead < 0x80) return 1;
  if ((lead & 0xE0) == 0xC0) return 2;
  if ((lead & 0xF0) == 0xE0) return 3;
  if ((lead & 0xF8) == 0xF0) return 4;
  if ((lead & 0xFC) == 0xF8) return 5;
  if ((lead & 0xFE) == 0xFC) return 6;
  return 0;
}

int DecodeUtf8(const unsigned char* data, std::size_t length, std::u16string* out) {
  // First pass: validate and count, so the output is allocated once.
  std::size_t count = 0;
  for (std::size_t i = 0; i < length; ++count) {
    const std::size_t n = Utf8SequenceLength(data[i]);
    if (n == 0) return 1;          // a continuation byte, 0xFE or 0xFF as lead
    if (n > length - i) return 1;  // cut off by the end of the data
    for (std::size_t k = 1; k < n; ++k)
      if ((data[i + k] & 0xC0) != 0x80) return 1;
    i += n;
  }
  try {
    out->clear();
    out->reserve(count);
  } catch (const std::bad_alloc&) {
    return 2;
  }
  static const unsigned char kLeadMask[7] = {0, 0x7F, 0x1F, 0x0F, 0x07, 0x03, 0x01};
  for (std::size_t i = 0; i < length;) {
    const unsigned char lead = data[i];
    std::size_t n = lead < 0x80             ? 1
                    : (lead & 0xE0) == 0xC0 ? 2
                    : (lead & 0xF0) == 0xE0 ? 3
                    : (lead & 0xF8) == 0xF0 ? 4
                    : (lead & 0xFC) == 0xF8 ? 5
                                            : 6;
    std::uint32_t cp = lead & kLeadMask[n];
    for (std::size_t k = 1; k < n; ++k) cp = (cp << 6) | (data[i + k] & 0x3Fu);
    if (cp > 0xFFFF) return 3;
    out->push_back(static_cast<char16_t>(cp));
    i += n;
  }
  return 0;
}

void SwapBytes16(unsigned char* data, std::size_t length) {
  for (std::size_t i = 0; i + 1 < length; i += 2) std::swap(data[i], data[i + 1]);
}

void SwapBytes32(unsigned char* data, std::size_t length) {
  for (std::size_t i = 0; i + 3 < length; i += 4) {
    std::swap(data[i], data[i + 3]);
    std::swap(data[i + 1], data[i + 2]);
  }
}

std::u16string WidenBytes(const unsigned char* data, std::size_t length) {
  return std::u16string(data, data + length);
}

int SplitAnsiLines(const unsigned char* data, std::size_t length,
                   std::vector<std::u16string>* lines) {
  CutLines(WidenBytes(data, length), lines);
  return 0;
}

int SplitUtf8Lines(const unsigned char* data, std::size_t length,
                   std::vector<std::u16string>* lines) {
  std::u16string text;
  const int result = DecodeUtf8(data, length, &text);
  if (result != 0) return result;
  CutLines(text, lines);
  return 0;
}

int SplitUtf16LeLines(const unsigned char* data, std::size_t length,
                      std::vector<std::u16string>* lines) {
  std::u16string text(length / 2, u'\0');  // an odd last byte is not a unit
  for (std::size_t i = 0; i < text.size(); ++i)
    text[i] = static_cast<char16_t>(data[2 * i] | (data[2 * i + 1] << 8));
  CutLines(text, lines);
  return 0;
}

int SplitUtf16BeLines(unsigned char* data, std::size_t length, std::vector<std::u16string>* lines) {
  SwapBytes16(data, length);
  return SplitUtf16LeLines(data, length, lines);
}

int SplitUtf32LeLines(const unsigned char* data, std::size_t length,
                      std::vector<std::u16string>* lines) {
  if (length % 4 != 0) return 1;
  std::u16string text;
  try {
    text.resize(length / 4);
  } catch (const std::bad_alloc&) {
    return 3;
  }
  for (std::size_t i = 0; i < text.size(); ++i) {
    const std::uint32_t unit = data[4 * i] | (data[4 * i + 1] << 8) | (data[4 * i + 2] << 16) |
                               (static_cast<std::uint32_t>(data[4 * i + 3]) << 24);
    if (unit > 0xFFFF) return 2;
    text[i] = static_cast<char16_t>(unit);
  }
  CutLines(text, lines);
  return 0;
}

int SplitUtf32BeLines(unsigned char* data, std::size_t length, std::vector<std::u16string>* lines) {
  if (length % 4 != 0) return 1;
  SwapBytes32(data, length);
  return SplitUtf32LeLines(data, length, lines);
}

}  // namespace REGINI_MGR
