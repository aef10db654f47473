#include "platform/text.h"

#include <cstdio>
#include <utility>

namespace text {

std::u16string FromUtf8(const std::string& in) {
  std::u16string out;
  out.reserve(in.size());
  for (std::size_t i = 0; i < in.size();) {
    unsigned char c = static_cast<unsigned char>(in[i]);
    char32_t cp = 0xFFFD;
    std::size_t len = 1;
    if (c < 0x80) {
      cp = c;
    } else if ((c >> 5) == 0x6 && i + 1 < in.size()) {
      cp = ((c & 0x1Fu) << 6) | (in[i + 1] & 0x3F);
      len = 2;
    } else if ((c >> 4) == 0xE && i + 2 < in.size()) {
      cp = ((c & 0x0Fu) << 12) | ((in[i + 1] & 0x3F) << 6) | (in[i + 2] & 0x3F);
      len = 3;
    } else if ((c >> 3) == 0x1E && i + 3 < in.size()) {
      cp = ((c & 0x07u) << 18) | ((in[i + 1] & 0x3F) << 12) | ((in[i + 2] & 0x3F) << 6) |
           (in[i + 3] & 0x3F);
      len = 4;
    }
    i += len;
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(cp));
    }
  }
  return out;
}

std::string ToUtf8(const std::u16string& in) {
  std::string out;
  out.reserve(in.size());
  for (std::size_t i = 0; i < in.size(); ++i) {
    char32_t cp = in[i];
    if (cp >= 0xD800 && cp < 0xDC00 && i + 1 < in.size() && in[i + 1] >= 0xDC00 &&
        in[i + 1] < 0xE000) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (in[i + 1] - 0xDC00);
      ++i;
    } else if (cp >= 0xD800 && cp < 0xE000) {
      cp = 0xFFFD;  // a lone surrogate
    }
    if (cp < 0x80) {
      out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
  }
  return out;
}

std::u16string FromLatin1(const std::string& bytes) {
  std::u16string out;
  out.reserve(bytes.size());
  for (char c : bytes) out.push_back(static_cast<unsigned char>(c));
  return out;
}

namespace {

// Case pairs that alternate upper, lower, upper, ... over [first, last]: `first` is upper.
char16_t UpperOfPair(char16_t c, char16_t first, char16_t last) {
  if (c < first || c > last) return 0;
  return ((c - first) & 1) ? static_cast<char16_t>(c - 1) : c;
}

}  // namespace

// The simple upper-case mapping of Windows' upcase table (the one NTFS and the registry compare
// names with) for the scripts a user's names are written in: Latin, Greek, Cyrillic, Armenian
// and the full-width forms. Characters without a mapping stay as they are.
char16_t ToUpper(char16_t c) {
  if (c < 0x80) return (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - 32) : c;
  // Latin-1 lower-case letters, except the division sign; y with diaeresis is U+0178.
  if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return static_cast<char16_t>(c - 32);
  if (c == 0xFF) return 0x178;
  if (c < 0x100) return c;
  // Latin Extended-A (dotless i, long s and kra have no pair here).
  for (const auto& range :
       {std::pair<char16_t, char16_t>{0x100, 0x12F}, {0x132, 0x137}, {0x14A, 0x177}}) {
    if (const char16_t u = UpperOfPair(c, range.first, range.second)) return u;
  }
  for (const auto& range : {std::pair<char16_t, char16_t>{0x139, 0x148}, {0x179, 0x17E}}) {
    if (const char16_t u = UpperOfPair(c, range.first, range.second)) return u;
  }
  // Greek: the accented vowels, then the plain alphabet; final sigma has no upper case of its
  // own in the table and stays as it is.
  if (c == 0x3AC) return 0x386;
  if (c >= 0x3AD && c <= 0x3AF) return static_cast<char16_t>(c - 0x25);
  if (c == 0x3C2) return c;
  if (c >= 0x3B1 && c <= 0x3CB) return static_cast<char16_t>(c - 0x20);
  if (c == 0x3CC) return 0x38C;
  if (c == 0x3CD || c == 0x3CE) return static_cast<char16_t>(c - 0x3F);
  // Cyrillic: the basic alphabet, the letters with Ie..Dzhe, then the extended pairs.
  if (c >= 0x430 && c <= 0x44F) return static_cast<char16_t>(c - 0x20);
  if (c >= 0x450 && c <= 0x45F) return static_cast<char16_t>(c - 0x50);
  for (const auto& range :
       {std::pair<char16_t, char16_t>{0x460, 0x481}, {0x48A, 0x4BF}, {0x4D0, 0x52F}}) {
    if (const char16_t u = UpperOfPair(c, range.first, range.second)) return u;
  }
  if (c >= 0x4C1 && c <= 0x4CE) return (c - 0x4C1) & 1 ? static_cast<char16_t>(c - 1) : c;
  if (c == 0x4CF) return 0x4C0;
  // Armenian and the full-width Latin letters.
  if (c >= 0x561 && c <= 0x586) return static_cast<char16_t>(c - 0x30);
  if (c >= 0xFF41 && c <= 0xFF5A) return static_cast<char16_t>(c - 0x20);
  return c;
}

std::u16string ToUpper(std::u16string s) {
  for (auto& c : s) c = ToUpper(c);
  return s;
}

int CompareNoCase(const std::u16string& a, const std::u16string& b) {
  const std::size_t n = a.size() < b.size() ? a.size() : b.size();
  for (std::size_t i = 0; i < n; ++i) {
    const char16_t x = ToUpper(a[i]), y = ToUpper(b[i]);
    if (x != y) return x < y ? -1 : 1;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

bool EqualsNoCase(const std::u16string& a, const std::u16string& b) {
  return a.size() == b.size() && CompareNoCase(a, b) == 0;
}

namespace {

void AppendNumber(std::u16string& out, const char* conversion, bool isSigned, long long sv,
                  unsigned long long uv) {
  char buf[64];
  if (isSigned) std::snprintf(buf, sizeof buf, conversion, sv);
  else std::snprintf(buf, sizeof buf, conversion, uv);
  for (const char* p = buf; *p; ++p) out.push_back(static_cast<unsigned char>(*p));
}

}  // namespace

std::u16string FormatV(std::size_t capacity, const char16_t* f, std::va_list args) {
  std::u16string out;
  while (*f) {
    if (*f != u'%') {
      out.push_back(*f++);
      continue;
    }
    ++f;
    if (*f == u'%') {
      out.push_back(u'%');
      ++f;
      continue;
    }
    std::string flags;
    while (*f == u'-' || *f == u'0' || *f == u'+' || *f == u' ' || *f == u'#')
      flags.push_back(static_cast<char>(*f++));
    int width = -1, precision = -1;
    if (*f == u'*') {
      width = va_arg(args, int);
      ++f;
    } else {
      while (*f >= u'0' && *f <= u'9') width = (width < 0 ? 0 : width * 10) + (*f++ - u'0');
    }
    if (*f == u'.') {
      ++f;
      precision = 0;
      while (*f >= u'0' && *f <= u'9') precision = precision * 10 + (*f++ - u'0');
    }
    bool narrow = false, wideArg = false, isLong = false;
    if (*f == u'h') {
      narrow = true;
      ++f;
    }
    if (*f == u'l') {
      isLong = true;
      wideArg = true;
      ++f;
    }
    if (*f == u'w') {
      wideArg = true;
      ++f;
    }
    const char16_t conv = *f ? *f++ : u'\0';
    std::string conversion = "%" + flags;
    if (width >= 0) conversion += std::to_string(width);
    if (precision >= 0) conversion += "." + std::to_string(precision);
    switch (conv) {
      case u'd':
      case u'i': {
        long long v = isLong ? va_arg(args, long) : va_arg(args, int);
        AppendNumber(out, (conversion + "lld").c_str(), true, v, 0);
        break;
      }
      case u'u':
      case u'x':
      case u'X': {
        unsigned long long v = isLong ? va_arg(args, unsigned long) : va_arg(args, unsigned int);
        AppendNumber(out, (conversion + "ll" + static_cast<char>(conv)).c_str(), false, 0, v);
        break;
      }
      case u'c': {
        out.push_back(static_cast<char16_t>(va_arg(args, int)));
        break;
      }
      case u's': {
        std::u16string s;
        if (narrow && !wideArg) {
          const char* p = va_arg(args, const char*);
          s = p ? FromLatin1(p) : u"(null)";
        } else {
          const char16_t* p = va_arg(args, const char16_t*);
          s = p ? p : u"(null)";
        }
        if (precision >= 0 && s.size() > static_cast<std::size_t>(precision)) s.resize(precision);
        const bool left = flags.find('-') != std::string::npos;
        const std::size_t pad =
            width > 0 && s.size() < static_cast<std::size_t>(width) ? width - s.size() : 0;
        if (!left) out.append(pad, u' ');
        out += s;
        if (left) out.append(pad, u' ');
        break;
      }
      default: break;  // unknown conversions print nothing
    }
  }
  if (capacity > 0 && out.size() > capacity - 1) out.resize(capacity - 1);
  return out;
}

std::u16string Format(std::size_t capacity, const char16_t* format, ...) {
  std::va_list args;
  va_start(args, format);
  std::u16string s = FormatV(capacity, format, args);
  va_end(args);
  return s;
}

}  // namespace text
