// The line model of a profile (INI) file (see ProfileText.h).
#include "platform/ProfileText.h"

#include "platform/text.h"

namespace profile {

namespace {

// Windows-1252 for 0x80..0x9F; the five unassigned bytes map to the same code point, as
// Windows' conversion does, so every byte survives a round trip.
const char16_t kCp1252High[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                  0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                  0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                  0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

char16_t FromCp1252(unsigned char b) {
  if (b >= 0x80 && b < 0xA0) return kCp1252High[b - 0x80];
  return b;
}

char ToCp1252(char16_t c) {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<char>(c);
  for (int i = 0; i < 32; ++i)
    if (kCp1252High[i] == c) return static_cast<char>(0x80 + i);
  return '?';  // the default character of WideCharToMultiByte
}

bool StartsWith(const std::string& bytes, const char* mark, std::size_t n) {
  return bytes.size() >= n && bytes.compare(0, n, mark, n) == 0;
}

}  // namespace

bool ProfileIsSpace(char16_t c) { return c == u' ' || (c >= 0x09 && c <= 0x0D) || c == 0x1A; }

std::u16string ProfileTrim(const std::u16string& s) {
  std::size_t b = 0, e = s.size();
  while (b < e && ProfileIsSpace(s[b])) ++b;
  while (e > b && ProfileIsSpace(s[e - 1])) --e;
  return s.substr(b, e - b);
}

ProfileText ProfileText::Parse(const std::string& bytes) {
  ProfileText doc;
  std::size_t start = 0;
  if (StartsWith(bytes, "\xEF\xBB\xBF", 3)) {
    doc.encoding_ = ProfileEncoding::Utf8;
    start = 3;
  } else if (StartsWith(bytes, "\xFF\xFE", 2)) {
    doc.encoding_ = ProfileEncoding::Utf16Le;
    start = 2;
  } else if (StartsWith(bytes, "\xFE\xFF", 2)) {
    doc.encoding_ = ProfileEncoding::Utf16Be;
    start = 2;
  }
  doc.mark_ = bytes.substr(0, start);

  const bool wide =
      doc.encoding_ == ProfileEncoding::Utf16Le || doc.encoding_ == ProfileEncoding::Utf16Be;
  const std::size_t unit = wide ? 2 : 1;
  std::size_t lineStart = start;
  std::size_t i = start;
  while (i < bytes.size()) {
    bool lf = false;
    std::size_t next = bytes.size();  // an odd last byte of a UTF-16 file ends the text
    if (i + unit <= bytes.size()) {
      next = i + unit;
      if (!wide) {
        lf = bytes[i] == '\n';
      } else {
        const unsigned char first = static_cast<unsigned char>(bytes[i]);
        const unsigned char second = static_cast<unsigned char>(bytes[i + 1]);
        lf = doc.encoding_ == ProfileEncoding::Utf16Le ? (first == 0x0A && second == 0)
                                                       : (first == 0 && second == 0x0A);
      }
    }
    i = next;
    if (!lf && next < bytes.size()) continue;
    Line line;
    line.raw = bytes.substr(lineStart, next - lineStart);
    line.lineFeed = lf;
    const std::string body = line.raw.substr(0, line.raw.size() - (lf ? unit : 0));
    switch (doc.encoding_) {
      case ProfileEncoding::Ansi:
        line.text.reserve(body.size());
        for (unsigned char b : body) line.text.push_back(FromCp1252(b));
        break;
      case ProfileEncoding::Utf8: line.text = text::FromUtf8(body); break;
      case ProfileEncoding::Utf16Le:
      case ProfileEncoding::Utf16Be:
        for (std::size_t k = 0; k + 1 < body.size(); k += 2) {
          const unsigned a = static_cast<unsigned char>(body[k]);
          const unsigned b = static_cast<unsigned char>(body[k + 1]);
          line.text.push_back(static_cast<char16_t>(
              doc.encoding_ == ProfileEncoding::Utf16Le ? (a | (b << 8)) : ((a << 8) | b)));
        }
        break;
    }
    doc.lines_.push_back(std::move(line));
    lineStart = next;
  }
  return doc;
}

ProfileText::Parsed ProfileText::ParseLine(const std::u16string& raw) {
  Parsed p;
  const std::u16string line = ProfileTrim(raw);
  if (line.empty()) return p;
  if (line[0] == u'[') {
    const std::size_t close = line.rfind(u']');
    if (close != std::u16string::npos && close > 0) {
      p.kind = Kind::Header;
      p.name = line.substr(1, close - 1);
      return p;
    }
  }
  p.kind = Kind::Key;
  const std::size_t eq = line.find(u'=');
  if (eq == std::u16string::npos) {
    p.name = line;
    return p;
  }
  std::size_t nameEnd = eq;
  while (nameEnd > 0 && ProfileIsSpace(line[nameEnd - 1])) --nameEnd;
  p.name = line.substr(0, nameEnd);
  std::size_t valueStart = eq + 1;
  while (valueStart < line.size() && ProfileIsSpace(line[valueStart])) ++valueStart;
  p.hasValue = true;
  p.value = line.substr(valueStart);
  return p;
}

std::optional<std::u16string> ProfileText::Find(const std::u16string& section,
                                                const std::u16string& key) const {
  const std::u16string wantSection = ProfileTrim(section);
  const std::u16string wantKey = ProfileTrim(key);
  if (wantSection.empty() || wantKey.empty()) return std::nullopt;
  bool inSection = false;
  for (const Line& line : lines_) {
    const Parsed p = ParseLine(line.text);
    if (p.kind == Kind::Header) {
      // Only the first section of a name counts; its end ends the search.
      if (inSection) return std::nullopt;
      inSection = !p.name.empty() && text::EqualsNoCase(p.name, wantSection);
    } else if (inSection && p.kind == Kind::Key && text::EqualsNoCase(p.name, wantKey)) {
      if (!p.hasValue) return std::nullopt;
      return p.value;
    }
  }
  return std::nullopt;
}

std::string ProfileText::Encode(const std::u16string& s) const {
  std::string out;
  switch (encoding_) {
    case ProfileEncoding::Ansi:
      for (char16_t c : s) out.push_back(ToCp1252(c));
      break;
    case ProfileEncoding::Utf8: out = text::ToUtf8(s); break;
    case ProfileEncoding::Utf16Le:
      for (char16_t c : s) {
        out.push_back(static_cast<char>(c & 0xFF));
        out.push_back(static_cast<char>(c >> 8));
      }
      break;
    case ProfileEncoding::Utf16Be:
      for (char16_t c : s) {
        out.push_back(static_cast<char>(c >> 8));
        out.push_back(static_cast<char>(c & 0xFF));
      }
      break;
  }
  return out;
}

ProfileText::Line ProfileText::MakeLine(const std::u16string& s) const {
  Line line;
  line.text = s + u"\r";
  line.raw = Encode(line.text + u"\n");
  line.lineFeed = true;
  return line;
}

void ProfileText::EnsureFinalLineFeed() {
  if (lines_.empty() || lines_.back().lineFeed) return;
  Line& last = lines_.back();
  // A stray odd byte at the end of a UTF-16 file would misalign everything after it.
  const bool wide = encoding_ == ProfileEncoding::Utf16Le || encoding_ == ProfileEncoding::Utf16Be;
  if (wide && last.raw.size() % 2 != 0) last.raw.pop_back();
  last.raw += Encode(u"\r\n");
  last.text += u"\r";
  last.lineFeed = true;
}

bool ProfileText::Set(const std::u16string& section, const std::u16string& key,
                      const std::u16string& value) {
  const std::u16string wantSection = ProfileTrim(section);
  const std::u16string wantKey = ProfileTrim(key);
  // Leading blanks of a written value are dropped, as Windows does.
  std::size_t skip = 0;
  while (skip < value.size() && ProfileIsSpace(value[skip])) ++skip;
  const std::u16string newValue = value.substr(skip);

  std::size_t header = lines_.size();
  std::size_t lastContent = 0;
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    const Parsed p = ParseLine(lines_[i].text);
    if (p.kind == Kind::Header) {
      if (header != lines_.size()) break;  // end of the first matching section
      if (!p.name.empty() && text::EqualsNoCase(p.name, wantSection)) {
        header = i;
        lastContent = i;
      }
      continue;
    }
    if (header == lines_.size()) continue;
    if (p.kind == Kind::Blank) continue;
    lastContent = i;
    if (!text::EqualsNoCase(p.name, wantKey)) continue;
    if (p.hasValue && p.value == newValue) return false;
    Line& line = lines_[i];
    const bool cr = !line.text.empty() && line.text.back() == u'\r';
    line.text = p.name + u"=" + newValue + (cr ? u"\r" : u"");
    line.raw = Encode(line.text + (line.lineFeed ? u"\n" : u""));
    return true;
  }

  const std::u16string entry = wantKey + u"=" + newValue;
  if (header == lines_.size()) {
    EnsureFinalLineFeed();
    lines_.push_back(MakeLine(u"[" + wantSection + u"]"));
    lines_.push_back(MakeLine(entry));
    return true;
  }
  if (lastContent + 1 == lines_.size()) EnsureFinalLineFeed();
  lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(lastContent + 1), MakeLine(entry));
  return true;
}

std::string ProfileText::Serialize() const {
  std::string out = mark_;
  for (const Line& line : lines_) out += line.raw;
  return out;
}

std::size_t ProfileCopyEntry(const std::u16string& value, std::size_t bufferSize,
                             std::u16string* out) {
  out->clear();
  if (bufferSize == 0) return 0;
  std::u16string v = value;
  bool quoted = false;
  if (v.size() >= 2 && (v[0] == u'"' || v[0] == u'\'') && v.back() == v[0]) {
    quoted = true;
    v.erase(0, 1);
  }
  *out = v.substr(0, bufferSize - 1);
  // The closing quote goes when the buffer could hold the text up to it.
  if (quoted && bufferSize >= v.size() && !out->empty()) out->pop_back();
  return out->size();
}

}  // namespace profile
