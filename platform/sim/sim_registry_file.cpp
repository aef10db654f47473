// Simulated machine: registry.reg, the registry editor's "Windows Registry Editor Version 5.00"
// text. Written as regedit writes it (UTF-16LE with BOM, CRLF, hex lines wrapped with "\");
// read from UTF-16LE with BOM or UTF-8 with or without BOM. Details in MACHINE.md.
#include <cstdio>
#include <fstream>
#include <iterator>

#include "platform/sim/sim_registry.h"
#include "platform/text.h"

namespace sim {

namespace {

const char16_t kHeader[] = u"Windows Registry Editor Version 5.00";
const char16_t kClassComment[] = u";class=";
// The rights a restricted key grants, as 8 hex digits; regedit ignores the comment.
const char16_t kRightsComment[] = u";rights=";
constexpr std::size_t kHexWrapColumn = 77;  // regedit breaks hex lists before column 80

std::u16string Ascii(const char* s) { return text::FromLatin1(s); }

// "..." with the escapes regedit reads (\\ and \"), plus \r \n \0 so that any name survives.
std::u16string Quote(const std::u16string& s) {
  std::u16string out = u"\"";
  for (char16_t c : s) {
    switch (c) {
      case u'\\': out += u"\\\\"; break;
      case u'"': out += u"\\\""; break;
      case u'\r': out += u"\\r"; break;
      case u'\n': out += u"\\n"; break;
      case u'\0': out += u"\\0"; break;
      default: out.push_back(c);
    }
  }
  return out + u"\"";
}

// A REG_SZ that the "..." form gives back byte for byte: whole UTF-16 units, one terminating
// zero and no other, no line breaks.
bool FitsQuotedString(const RegValue& v) {
  if (v.type != REG_SZ || v.data.size() < 2 || v.data.size() % 2 != 0) return false;
  const std::size_t units = v.data.size() / 2;
  for (std::size_t i = 0; i < units; ++i) {
    const char16_t c = static_cast<char16_t>(v.data[2 * i] | (v.data[2 * i + 1] << 8));
    if ((c == 0) != (i + 1 == units) || c == u'\r' || c == u'\n') return false;
  }
  return true;
}

std::u16string HexPrefix(os::DWORD type) {
  if (type == REG_BINARY) return u"hex:";
  char buf[32];
  std::snprintf(buf, sizeof buf, "hex(%x):", static_cast<unsigned>(type));
  return Ascii(buf);
}

void WriteValue(const RegValue& v, std::u16string& out) {
  const std::u16string lead = (v.name.empty() ? u"@" : Quote(v.name)) + u"=";
  out += lead;
  if (FitsQuotedString(v)) {
    out += Quote(
        std::u16string(reinterpret_cast<const char16_t*>(v.data.data()), v.data.size() / 2 - 1));
  } else if (v.type == REG_DWORD && v.data.size() == 4) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "dword:%08x",
                  static_cast<unsigned>(v.data[0] | (v.data[1] << 8) | (v.data[2] << 16) |
                                        (static_cast<unsigned>(v.data[3]) << 24)));
    out += Ascii(buf);
  } else {
    const std::u16string prefix = HexPrefix(v.type);
    out += prefix;
    std::size_t column = lead.size() + prefix.size();
    for (std::size_t i = 0; i < v.data.size(); ++i) {
      char buf[4];
      std::snprintf(buf, sizeof buf, "%02x", v.data[i]);
      out += Ascii(buf);
      if (i + 1 == v.data.size()) break;
      out += u",";
      column += 3;
      if (column >= kHexWrapColumn) {
        out += u"\\\r\n  ";
        column = 2;
      }
    }
  }
  out += u"\r\n";
}

bool WriteKey(const RegKey& key, const std::u16string& path, std::u16string& out,
              std::string* error) {
  if (key.isVolatile) return true;  // volatile keys do not outlive the session
  if (path.find_first_of(u"\r\n") != std::u16string::npos) {
    *error = "key name with a line break cannot be stored: " + text::ToUtf8(path);
    return false;
  }
  out += u"[" + path + u"]\r\n";
  if (!key.keyClass.empty()) out += kClassComment + Quote(key.keyClass) + u"\r\n";
  if (key.restricted) out += kRightsComment + text::Format(16, u"%08X", key.rights) + u"\r\n";
  for (const auto& v : key.values) WriteValue(v, out);
  out += u"\r\n";
  for (const auto& [upper, sub] : key.subkeys)
    if (!WriteKey(*sub, path + u"\\" + sub->name, out, error)) return false;
  return true;
}

// ---- reading ----

std::string LineError(const std::string& fileName, std::size_t line, const std::string& what) {
  return fileName + " line " + std::to_string(line) + ": " + what;
}

// Strict UTF-8: a malformed sequence is an error, not a replacement character.
bool DecodeUtf8(const std::string& in, std::u16string* out, std::size_t* badLine) {
  std::size_t line = 1;
  for (std::size_t i = 0; i < in.size();) {
    const auto c = static_cast<unsigned char>(in[i]);
    if (c == '\n') ++line;
    std::size_t len = c < 0x80           ? 1
                      : (c >> 5) == 0x6  ? 2
                      : (c >> 4) == 0xE  ? 3
                      : (c >> 3) == 0x1E ? 4
                                         : 0;
    if (len == 0 || i + len > in.size()) {
      *badLine = line;
      return false;
    }
    char32_t cp = len == 1 ? c : len == 2 ? (c & 0x1F) : len == 3 ? (c & 0x0F) : (c & 0x07);
    for (std::size_t k = 1; k < len; ++k) {
      const auto cc = static_cast<unsigned char>(in[i + k]);
      if ((cc & 0xC0) != 0x80) {
        *badLine = line;
        return false;
      }
      cp = (cp << 6) | (cc & 0x3F);
    }
    static const char32_t kMin[] = {0, 0, 0x80, 0x800, 0x10000};
    if (cp < kMin[len] || cp > 0x10FFFF || (cp >= 0xD800 && cp < 0xE000)) {
      *badLine = line;
      return false;
    }
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out->push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
      out->push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    } else {
      out->push_back(static_cast<char16_t>(cp));
    }
    i += len;
  }
  return true;
}

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t'; }

std::u16string TrimLeft(const std::u16string& s) {
  std::size_t b = 0;
  while (b < s.size() && IsBlank(s[b])) ++b;
  return s.substr(b);
}

std::u16string TrimRight(const std::u16string& s) {
  std::size_t e = s.size();
  while (e > 0 && IsBlank(s[e - 1])) --e;
  return s.substr(0, e);
}

int HexDigit(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  return -1;
}

// Parses "..." at s[pos] (pos at the opening quote); pos ends after the closing quote.
bool ParseQuoted(const std::u16string& s, std::size_t& pos, std::u16string* out, std::string* why) {
  ++pos;
  while (pos < s.size()) {
    const char16_t c = s[pos++];
    if (c == u'"') return true;
    if (c != u'\\') {
      out->push_back(c);
      continue;
    }
    if (pos >= s.size()) break;
    switch (s[pos++]) {
      case u'\\': out->push_back(u'\\'); break;
      case u'"': out->push_back(u'"'); break;
      case u'r': out->push_back(u'\r'); break;
      case u'n': out->push_back(u'\n'); break;
      case u'0': out->push_back(u'\0'); break;
      default: *why = "unknown escape in a quoted string"; return false;
    }
  }
  *why = "quoted string without its closing quote";
  return false;
}

bool OnlyBlanksFrom(const std::u16string& s, std::size_t pos) {
  for (; pos < s.size(); ++pos)
    if (!IsBlank(s[pos])) return false;
  return true;
}

bool ParseHexBytes(const std::u16string& list, std::vector<os::BYTE>* out, std::string* why) {
  std::size_t pos = 0;
  const std::u16string body = TrimRight(list);
  while (pos < body.size()) {
    while (pos < body.size() && IsBlank(body[pos])) ++pos;
    int value = 0, digits = 0;
    while (pos < body.size() && HexDigit(body[pos]) >= 0 && digits < 3) {
      value = value * 16 + HexDigit(body[pos++]);
      ++digits;
    }
    while (pos < body.size() && IsBlank(body[pos])) ++pos;
    if (digits == 0 || digits > 2) {
      *why = "hex data must be bytes of two hex digits separated by commas";
      return false;
    }
    out->push_back(static_cast<os::BYTE>(value));
    if (pos == body.size()) break;
    if (body[pos] != u',') {
      *why = "hex data must be bytes of two hex digits separated by commas";
      return false;
    }
    ++pos;  // a comma may end the list
  }
  return true;
}

class RegTextReader {
 public:
  RegTextReader(std::vector<std::u16string> lines, std::string fileName, RegKey& hklm, RegKey& hkcu)
      : lines_(std::move(lines)), fileName_(std::move(fileName)), hklm_(hklm), hkcu_(hkcu) {}

  bool Run(std::string* error) {
    std::size_t i = 0;
    while (i < lines_.size() && TrimRight(TrimLeft(lines_[i])).empty()) ++i;
    if (i == lines_.size() || TrimRight(TrimLeft(lines_[i])) != kHeader)
      return Fail(i, "expected \"Windows Registry Editor Version 5.00\"", error);
    bool afterHeader = false;
    for (++i; i < lines_.size(); ++i) {
      const std::u16string line = TrimLeft(lines_[i]);
      const bool justAfterHeader = afterHeader;
      afterHeader = false;
      if (TrimRight(line).empty()) continue;
      std::string why;
      if (line[0] == u';') {
        // The class and rights comments belong to the key header right above them.
        if (justAfterHeader && current_ && line.compare(0, 7, kClassComment) == 0) {
          if (!ParseClass(line.substr(7), &why)) return Fail(i, why, error);
          afterHeader = true;
        } else if (justAfterHeader && current_ && line.compare(0, 8, kRightsComment) == 0) {
          if (!ParseRights(TrimRight(line.substr(8)), &why)) return Fail(i, why, error);
          afterHeader = true;
        }
        continue;
      }
      if (line[0] == u'[') {
        if (!ParseKeyHeader(TrimRight(line), &why)) return Fail(i, why, error);
        afterHeader = true;
        continue;
      }
      if (line[0] == u'"' || line[0] == u'@') {
        const std::size_t first = i;
        if (!ParseValue(line, i, &why)) return Fail(first, why, error);
        continue;
      }
      return Fail(i, "expected a [key], a value or a ; comment", error);
    }
    return true;
  }

 private:
  bool Fail(std::size_t index, const std::string& why, std::string* error) {
    *error = LineError(fileName_, index + 1, why);
    return false;
  }

  bool ParseClass(const std::u16string& rest, std::string* why) {
    const std::u16string body = TrimRight(rest);
    if (body.empty() || body[0] != u'"') {
      current_->keyClass = body;
      return true;
    }
    std::size_t pos = 0;
    std::u16string cls;
    if (!ParseQuoted(body, pos, &cls, why)) return false;
    if (!OnlyBlanksFrom(body, pos)) {
      *why = "text after the class string";
      return false;
    }
    current_->keyClass = cls;
    return true;
  }

  bool ParseRights(const std::u16string& digits, std::string* why) {
    os::REGSAM rights = 0;
    bool valid = digits.size() == 8;
    for (char16_t c : digits) {
      const int d = c >= u'0' && c <= u'9'   ? c - u'0'
                    : c >= u'a' && c <= u'f' ? c - u'a' + 10
                    : c >= u'A' && c <= u'F' ? c - u'A' + 10
                                             : -1;
      valid = valid && d >= 0;
      rights = (rights << 4) | static_cast<os::REGSAM>(d < 0 ? 0 : d);
    }
    if (!valid) {
      *why = "rights are 8 hex digits";
      return false;
    }
    current_->restricted = true;
    current_->rights = rights;
    return true;
  }

  bool ParseKeyHeader(const std::u16string& line, std::string* why) {
    if (line.size() < 2 || line.back() != u']') {
      *why = "key header without its closing ]";
      return false;
    }
    const bool remove = line[1] == u'-';
    const std::u16string path = line.substr(remove ? 2 : 1, line.size() - (remove ? 3 : 2));
    const std::size_t slash = path.find(u'\\');
    const std::u16string rootName = path.substr(0, slash);
    RegKey* root = text::EqualsNoCase(rootName, u"HKEY_LOCAL_MACHINE")  ? &hklm_
                   : text::EqualsNoCase(rootName, u"HKEY_CURRENT_USER") ? &hkcu_
                                                                        : nullptr;
    if (!root) {
      *why = "unsupported root key \"" + text::ToUtf8(rootName) +
             "\" (HKEY_LOCAL_MACHINE and HKEY_CURRENT_USER only)";
      return false;
    }
    std::vector<std::u16string> parts;
    if (slash != std::u16string::npos) {
      std::size_t start = slash + 1;
      while (start <= path.size()) {
        std::size_t end = path.find(u'\\', start);
        if (end == std::u16string::npos) end = path.size();
        if (end > start) parts.push_back(path.substr(start, end - start));
        start = end + 1;
      }
    }
    if (remove) {
      current_ = nullptr;  // values may not follow a deletion
      if (parts.empty()) {
        *why = "a root key cannot be deleted";
        return false;
      }
      RegKey* parent = root;
      for (std::size_t k = 0; parent && k + 1 < parts.size(); ++k)
        parent = parent->FindSubkey(parts[k]);
      if (parent) parent->subkeys.erase(text::ToUpper(parts.back()));
      return true;
    }
    current_ = root;
    for (const auto& part : parts) current_ = &current_->AddSubkey(part);
    return true;
  }

  // A value line; hex data may continue on the following lines after a trailing "\".
  bool ParseValue(const std::u16string& line, std::size_t& index, std::string* why) {
    if (!current_) {
      *why = "value outside a key";
      return false;
    }
    std::size_t pos = 0;
    std::u16string name;
    if (line[0] == u'@') {
      pos = 1;
    } else if (!ParseQuoted(line, pos, &name, why)) {
      return false;
    }
    while (pos < line.size() && IsBlank(line[pos])) ++pos;
    if (pos >= line.size() || line[pos] != u'=') {
      *why = "expected = after the value name";
      return false;
    }
    ++pos;
    while (pos < line.size() && IsBlank(line[pos])) ++pos;
    const std::u16string data = line.substr(pos);
    RegValue value{name, REG_SZ, {}};
    if (!data.empty() && data[0] == u'-' && OnlyBlanksFrom(data, 1)) {
      for (auto it = current_->values.begin(); it != current_->values.end(); ++it)
        if (text::EqualsNoCase(it->name, name)) {
          current_->values.erase(it);
          break;
        }
      return true;
    }
    if (!data.empty() && data[0] == u'"') {
      std::size_t p = 0;
      std::u16string s;
      if (!ParseQuoted(data, p, &s, why)) return false;
      if (!OnlyBlanksFrom(data, p)) {
        *why = "text after the closing quote";
        return false;
      }
      s.push_back(u'\0');
      const auto* bytes = reinterpret_cast<const os::BYTE*>(s.data());
      value.data.assign(bytes, bytes + s.size() * 2);
    } else if (data.compare(0, 6, u"dword:") == 0) {
      const std::u16string digits = TrimRight(data.substr(6));
      if (digits.empty() || digits.size() > 8) {
        *why = "dword: needs one to eight hex digits";
        return false;
      }
      os::DWORD n = 0;
      for (char16_t c : digits) {
        if (HexDigit(c) < 0) {
          *why = "dword: needs one to eight hex digits";
          return false;
        }
        n = n * 16 + static_cast<os::DWORD>(HexDigit(c));
      }
      value.type = REG_DWORD;
      for (int k = 0; k < 4; ++k) value.data.push_back(static_cast<os::BYTE>(n >> (8 * k)));
    } else if (data.compare(0, 3, u"hex") == 0) {
      std::size_t p = 3;
      value.type = REG_BINARY;
      if (p < data.size() && data[p] == u'(') {
        const std::size_t close = data.find(u')', p);
        const std::size_t width = close == std::u16string::npos ? 0 : close - p - 1;
        if (width == 0 || width > 8) {
          *why = "hex(type) needs a type of one to eight hex digits";
          return false;
        }
        value.type = 0;
        for (std::size_t k = p + 1; k < close; ++k) {
          if (HexDigit(data[k]) < 0) {
            *why = "hex(type) needs a type of one to eight hex digits";
            return false;
          }
          value.type = value.type * 16 + static_cast<os::DWORD>(HexDigit(data[k]));
        }
        p = close + 1;
      }
      if (p >= data.size() || data[p] != u':') {
        *why = "expected : after hex";
        return false;
      }
      std::u16string list = TrimRight(data.substr(p + 1));
      while (!list.empty() && list.back() == u'\\') {
        list.pop_back();
        if (++index >= lines_.size()) {
          *why = "hex data continued past the end of the file";
          return false;
        }
        list += TrimRight(TrimLeft(lines_[index]));
      }
      if (!ParseHexBytes(list, &value.data, why)) return false;
    } else {
      *why = "unrecognised value data (expected \"string\", dword:, hex: or hex(type):)";
      return false;
    }
    if (RegValue* old = current_->FindValue(name)) {
      old->type = value.type;
      old->data = std::move(value.data);
    } else {
      current_->values.push_back(std::move(value));
    }
    return true;
  }

  std::vector<std::u16string> lines_;
  std::string fileName_;
  RegKey& hklm_;
  RegKey& hkcu_;
  RegKey* current_ = nullptr;
};

std::vector<std::u16string> SplitLines(const std::u16string& text) {
  std::vector<std::u16string> lines;
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t end = text.find(u'\n', start);
    if (end == std::u16string::npos) end = text.size();
    std::u16string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == u'\r') line.pop_back();
    lines.push_back(std::move(line));
    start = end + 1;
  }
  return lines;
}

}  // namespace

std::u16string Registry::ToRegText(std::string* error) const {
  std::u16string out = kHeader;
  out += u"\r\n\r\n";
  // regedit's order: HKEY_CURRENT_USER before HKEY_LOCAL_MACHINE.
  if (!WriteKey(*currentUser_, RootName(Root::CurrentUser), out, error)) return u"";
  if (!WriteKey(*localMachine_, RootName(Root::LocalMachine), out, error)) return u"";
  return out;
}

bool Registry::FromRegText(const std::u16string& textIn, const std::string& fileName,
                           std::string* error) {
  auto hklm = std::make_shared<RegKey>();
  hklm->name = RootName(Root::LocalMachine);
  auto hkcu = std::make_shared<RegKey>();
  hkcu->name = RootName(Root::CurrentUser);
  RegTextReader reader(SplitLines(textIn), fileName, *hklm, *hkcu);
  if (!reader.Run(error)) return false;
  std::lock_guard<std::mutex> lock(mutex_);
  localMachine_ = hklm;
  currentUser_ = hkcu;
  handles_.Clear();  // handles into the old tree would be stale
  return true;
}

bool Registry::Save(const std::filesystem::path& file, std::string* error) const {
  std::u16string textOut;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    textOut = ToRegText(error);
    if (textOut.empty()) return false;
  }
  std::string bytes = "\xFF\xFE";
  bytes.reserve(2 + textOut.size() * 2);
  for (char16_t c : textOut) {
    bytes.push_back(static_cast<char>(c & 0xFF));
    bytes.push_back(static_cast<char>(c >> 8));
  }
  // Written beside and renamed over, so a failed write never leaves half a registry.
  std::filesystem::path temp = file;
  temp += ".tmp";
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out.flush()) {
      *error = "cannot write " + temp.string();
      return false;
    }
  }
  std::error_code ec;
  std::filesystem::rename(temp, file, ec);
  if (ec) {
    *error = "cannot replace " + file.string() + ": " + ec.message();
    return false;
  }
  return true;
}

bool Registry::Load(const std::filesystem::path& file, std::string* error) {
  std::ifstream in(file, std::ios::binary);
  if (!in) {
    *error = "cannot read " + file.string();
    return false;
  }
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const std::string name = file.filename().string();
  std::u16string decoded;
  if (bytes.size() >= 2 && bytes[0] == '\xFF' && bytes[1] == '\xFE') {
    if (bytes.size() % 2 != 0) {
      *error = name + ": UTF-16 text with an odd number of bytes";
      return false;
    }
    for (std::size_t i = 2; i < bytes.size(); i += 2)
      decoded.push_back(static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                              (static_cast<unsigned char>(bytes[i + 1]) << 8)));
  } else if (bytes.size() >= 2 && bytes[0] == '\xFE' && bytes[1] == '\xFF') {
    *error = name + ": big-endian UTF-16 is not a registry editor format";
    return false;
  } else {
    const bool bom = bytes.compare(0, 3, "\xEF\xBB\xBF") == 0;
    std::size_t badLine = 0;
    if (!DecodeUtf8(bom ? bytes.substr(3) : bytes, &decoded, &badLine)) {
      *error = LineError(name, badLine, "malformed UTF-8");
      return false;
    }
  }
  return FromRegText(decoded, name, error);
}

}  // namespace sim
