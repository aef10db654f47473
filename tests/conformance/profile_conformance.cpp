// Conformance: GetPrivateProfileStringW / WritePrivateProfileStringW on awkward INI files, and
// DES decryption of device-ID entries through the CryptoAPI.
//
// Known difference: wine rewrites the whole file on a write (blank lines dropped, "key=value"
// without blanks, CRLF, a blank line before each section), while Windows, like the sim, changes
// only the written line. After writes the file is therefore printed in a normalised form: lines
// trimmed, blank lines dropped, blanks around the first "=" removed, line ends ignored; the
// encoding is shown by the file's first bytes.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "config/Base64.h"
#include "config/DesDecrypt.h"
#include "platform/os_files.h"
#include "platform/os_profile.h"
#include "tests/conformance/conformance.h"

namespace {

std::string Escaped(const std::u16string& s) {
  std::string out;
  char buffer[16];
  for (char16_t c : s) {
    if (c >= 0x20 && c < 0x7F && c != '\\') {
      out.push_back(static_cast<char>(c));
    } else {
      std::snprintf(buffer, sizeof(buffer), "\\u%04X", static_cast<unsigned>(c));
      out += buffer;
    }
  }
  return out;
}

std::u16string Utf16(const std::string& ascii) {
  return std::u16string(ascii.begin(), ascii.end());
}

std::string Utf16LeBytes(const std::u16string& text) {
  std::string out = "\xFF\xFE";
  for (char16_t c : text) {
    out.push_back(static_cast<char>(c & 0xFF));
    out.push_back(static_cast<char>(c >> 8));
  }
  return out;
}

bool PutBytes(const std::u16string& path, const std::string& bytes) {
  os::HANDLE file = os::CreateFileW(path, GENERIC_WRITE, 0, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL);
  if (file == INVALID_HANDLE_VALUE) return false;
  os::DWORD written = 0;
  const bool ok = bytes.empty() || (os::WriteFile(file, bytes.data(),
                                                  static_cast<os::DWORD>(bytes.size()), &written) &&
                                    written == bytes.size());
  os::CloseHandle(file);
  return ok;
}

std::string GetBytes(const std::u16string& path) {
  os::HANDLE file =
      os::CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL);
  if (file == INVALID_HANDLE_VALUE) return "<missing>";
  const os::DWORD size = os::GetFileSize(file, nullptr);
  std::string bytes(size, '\0');
  os::DWORD read = 0;
  if (size) os::ReadFile(file, bytes.data(), size, &read);
  os::CloseHandle(file);
  bytes.resize(read);
  return bytes;
}

bool IsBlank(char16_t c) { return c == u' ' || (c >= 0x09 && c <= 0x0D); }

// The file's text as lines in the normalised form described at the top.
void PrintNormalised(const std::u16string& path) {
  const std::string bytes = GetBytes(path);
  std::u16string text;
  std::string mark;
  if (bytes.size() >= 2 && bytes[0] == '\xFF' && bytes[1] == '\xFE') {
    mark = "FF FE";
    for (std::size_t i = 2; i + 1 < bytes.size(); i += 2)
      text.push_back(static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                           (static_cast<unsigned char>(bytes[i + 1]) << 8)));
  } else {
    mark = "none";
    for (unsigned char b : bytes) text.push_back(b);
  }
  conf::Line("  mark %s", mark.c_str());
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find(u'\n', start);
    if (end == std::u16string::npos) end = text.size();
    std::u16string line = text.substr(start, end - start);
    start = end + 1;
    std::size_t b = 0, e = line.size();
    while (b < e && IsBlank(line[b])) ++b;
    while (e > b && IsBlank(line[e - 1])) --e;
    line = line.substr(b, e - b);
    if (line.empty()) continue;
    const std::size_t eq = line.find(u'=');
    if (line[0] != u'[' && eq != std::u16string::npos) {
      std::size_t ne = eq, vs = eq + 1;
      while (ne > 0 && IsBlank(line[ne - 1])) --ne;
      while (vs < line.size() && IsBlank(line[vs])) ++vs;
      line = line.substr(0, ne) + u"=" + line.substr(vs);
    }
    conf::Line("  | %s", Escaped(line).c_str());
  }
}

struct Query {
  const char* section;
  const char* key;
  os::DWORD size;
};

void Read(const std::u16string& file, const Query& q, const char* fallback = "") {
  std::u16string out = u"(poison)";
  const os::DWORD count = os::GetPrivateProfileStringW(Utf16(q.section), Utf16(q.key),
                                                       Utf16(fallback), &out, q.size, file);
  // Long values: their length and ends tell enough.
  const std::string shown =
      out.size() <= 40 ? Escaped(out)
                       : Escaped(out.substr(0, 8)) + "..." + Escaped(out.substr(out.size() - 8));
  conf::Line("  [%s] %s (buffer %lu): %lu \"%s\" length %zu", q.section, q.key,
             static_cast<unsigned long>(q.size), static_cast<unsigned long>(count), shown.c_str(),
             out.size());
}

const std::string kAwkward =
    "; comment line\r\n"
    "orphan=before any section\r\n"
    "[Install]   \r\n"
    "  Title =  Hello World  \r\n"
    "Quoted=\"quoted text\"\r\n"
    "Single='single'\r\n"
    "Half=\"half\r\n"
    "Empty=\r\n"
    ";Hidden=1\r\n"
    "Dup=first\r\n"
    "DUP=second\r\n"
    "NoEquals\r\n"
    "Tab=\ta\tb\t\r\n"
    "\r\n"
    "[install]\r\n"
    "Second=in the duplicate section\r\n";

}  // namespace

CONFORMANCE_SCENARIO(profile_read_awkward, 40) {
  const std::u16string crlf = conf::Scratch() + u"awkward_crlf.ini";
  std::string lf = kAwkward;
  for (std::size_t at; (at = lf.find("\r\n")) != std::string::npos;) lf.erase(at, 1);
  const std::u16string lfFile = conf::Scratch() + u"awkward_lf.ini";
  const std::u16string longFile = conf::Scratch() + u"long_value.ini";
  conf::Line("put %d %d %d", PutBytes(crlf, kAwkward),
             PutBytes(lfFile, lf + "[Last]\nk=no final newline"),
             PutBytes(longFile, "[S]\r\nLong=" + std::string(2000, 'v') + "\r\n"));
  const Query queries[] = {
      {"install", "TITLE", 1024},  {" Install ", " Title ", 1024}, {"Install", "Title", 6},
      {"Install", "Quoted", 1024}, {"Install", "Quoted", 5},       {"Install", "Quoted", 13},
      {"Install", "Single", 1024}, {"Install", "Half", 1024},      {"Install", "Empty", 1024},
      {"Install", "Hidden", 1024}, {"Install", "Dup", 1024},       {"Install", "NoEquals", 1024},
      {"Install", "Tab", 1024},    {"Install", "Second", 1024},    {"Install", "orphan", 1024},
      {"Missing", "Title", 1024},
  };
  for (const std::u16string& file : {crlf, lfFile}) {
    conf::Line("file %s", file == crlf ? "CRLF" : "LF");
    for (const Query& q : queries) Read(file, q);
  }
  Read(lfFile, {"Last", "k", 1024});
  Read(crlf, {"Install", "None", 1024}, "dflt  ");
  Read(conf::Scratch() + u"no_such_file.ini", {"Install", "Title", 1024}, "dflt");
  for (os::DWORD size : {1024u, 1023u, 2u, 1u}) Read(longFile, {"S", "Long", size});
}

CONFORMANCE_SCENARIO(profile_read_utf16, 41) {
  const std::u16string file = conf::Scratch() + u"utf16.ini";
  conf::Line("put %d", PutBytes(file, Utf16LeBytes(u"[Lang]\r\nName=Fran\u00e7ais \u7e41\u9ad4\r\n"
                                                   u"[Other]\r\nK = v\r\n")));
  Read(file, {"lang", "NAME", 1024});
  Read(file, {"Lang", "Name", 4});
  Read(file, {"Other", "K", 1024});
}

CONFORMANCE_SCENARIO(profile_write, 42) {
  const std::u16string ansi = conf::Scratch() + u"write_ansi.ini";
  conf::Line("put %d", PutBytes(ansi,
                                "; keep me\n[Language]  \nDefaultLanguage = English\n\n"
                                "Other=1\n[Next]\r\nA=b"));
  conf::Line("write existing %d",
             os::WritePrivateProfileStringW(u"language", u"defaultlanguage", u"German", ansi));
  conf::Line("write new key %d", os::WritePrivateProfileStringW(u"Language", u"New", u"x", ansi));
  conf::Line("write after last line %d", os::WritePrivateProfileStringW(u"Next", u"C", u"d", ansi));
  conf::Line("write new section %d", os::WritePrivateProfileStringW(u"Added", u"K", u"v", ansi));
  conf::Line("write same value %d", os::WritePrivateProfileStringW(u"Added", u"K", u"v", ansi));
  PrintNormalised(ansi);
  Read(ansi, {"Language", "DefaultLanguage", 1024});
  Read(ansi, {"Next", "A", 1024});

  const std::u16string created = conf::Scratch() + u"write_created.ini";
  conf::Line("create %d",
             os::WritePrivateProfileStringW(u"Language", u"DefaultLanguage", u"English", created));
  PrintNormalised(created);

  const std::u16string wide = conf::Scratch() + u"write_utf16.ini";
  conf::Line("put %d", PutBytes(wide, Utf16LeBytes(u"[Language]\r\nDefaultLanguage=English\r\n")));
  conf::Line("write utf16 %d", os::WritePrivateProfileStringW(u"Language", u"DefaultLanguage",
                                                              u"\u7e41\u9ad4", wide));
  PrintNormalised(wide);
  Read(wide, {"Language", "DefaultLanguage", 1024});

  conf::Line(
      "write in missing folder %d",
      os::WritePrivateProfileStringW(u"S", u"K", u"v", conf::Scratch() + u"no\\such\\folder.ini"));
}

CONFORMANCE_SCENARIO(des_decryption, 45) {
  struct Case {
    const char* base64;
    std::size_t capacity;
  } cases[] = {
      {"e6PiYsJ9yAo=", 64},  // "abc"
      {"BjKOrxXxh2EYR79hpPdhrgnzhnRhpe6aGOVk4ONh5qOKt9tLFo/aRg==", 64},
      {"85y2wVa/TYE=", 64},  // empty text
      {"voWe1wCBm6E=", 64},  // no valid padding
      {"e6PiYsJ9yAo=", 7},   // capacity below the ciphertext length
  };
  for (std::size_t i = 0; i < sizeof(cases) / sizeof(cases[0]); ++i) {
    unsigned char cipher[128];
    std::size_t length = sizeof(cipher);
    Base64Decode(cases[i].base64, std::strlen(cases[i].base64), cipher, &length);
    unsigned char plain[64] = {};
    std::size_t size = cases[i].capacity;
    const int result = DesDecrypt(cipher, length, plain, &size, "Hn7Rk2Pv", 8);
    std::u16string text;
    for (std::size_t k = 0; result == 0 && k < size; ++k) text.push_back(plain[k]);
    conf::Line("case %zu: DesDecrypt %d, %zu bytes \"%s\"", i, result, result == 0 ? size : 0,
               Escaped(text).c_str());
  }
  unsigned char plain[16];
  std::size_t size = sizeof(plain);
  const unsigned char seven[7] = {1, 2, 3, 4, 5, 6, 7};
  conf::Line("length 7: DesDecrypt %d", DesDecrypt(seven, 7, plain, &size, "Hn7Rk2Pv", 8));
}
