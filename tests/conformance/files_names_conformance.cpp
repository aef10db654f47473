// Conformance: names that differ only in case, beyond Latin-1 (Greek, Cyrillic, Latin
// Extended-A, full-width letters), in the file system and the registry: Windows compares them
// upper-cased through its upcase table, so each pair names the same file or key.
#include <string>

#include "platform/os_files.h"
#include "platform/os_registry.h"
#include "tests/conformance/conformance.h"

namespace {

constexpr os::DWORD kPoison = 0xdeadbeefu;

unsigned long U(os::DWORD v) { return static_cast<unsigned long>(v); }

std::u16string Base() { return conf::Scratch() + u"names\\"; }

struct CasePair {
  const char* script;
  const char16_t* lower;
  const char16_t* upper;
};

// Each pair: written in lower case, asked for in upper case.
const CasePair kPairs[] = {
    {"Greek", u"αβγδεζηθ", u"ΑΒΓΔΕΖΗΘ"},
    {"Greek accents", u"άέήίόύώ", u"ΆΈΉΊΌΎΏ"},
    {"Greek final sigma (no pair)", u"λόγος", u"ΛΌΓΟΣ"},
    {"Cyrillic", u"привет", u"ПРИВЕТ"},
    {"Cyrillic Ie..Dzhe", u"ёђѓєѕіїјљњћќўџ", u"ЁЂЃЄЅІЇЈЉЊЋЌЎЏ"},
    {"Latin Extended-A", u"őűčšžł", u"ŐŰČŠŽŁ"},
    {"y with diaeresis", u"ÿ", u"Ÿ"},
    {"full-width", u"ａｂｃ", u"ＡＢＣ"},
    {"Armenian", u"աբգ", u"ԱԲԳ"},
};

}  // namespace

CONFORMANCE_SCENARIO(files_case_beyond_latin1, 80) {
  os::CreateDirectoryW(Base());
  for (const CasePair& pair : kPairs) {
    const std::u16string lower = Base() + pair.lower + u".txt";
    conf::WriteText(lower, pair.script);
    conf::Line("%s: file asked for in upper case reads '%s'", pair.script,
               conf::ReadText(Base() + pair.upper + u".TXT").c_str());
    os::SetLastError(kPoison);
    const os::BOOL made = os::CreateDirectoryW(Base() + pair.upper + u".TXT");
    conf::Line("%s: CreateDirectoryW of the upper-case name %d, last error %lu", pair.script,
               made ? 1 : 0, U(made ? 0 : os::GetLastError()));
    os::DeleteFileW(Base() + pair.upper + u".TXT");
    conf::Line("%s: after DeleteFileW of the upper-case name: %s", pair.script,
               os::GetFileAttributesW(lower) == INVALID_FILE_ATTRIBUTES ? "gone" : "still there");
    os::DeleteFileW(lower);
    os::RemoveDirectoryW(Base() + pair.upper + u".TXT");
  }
  os::RemoveDirectoryW(Base());
}

CONFORMANCE_SCENARIO(registry_case_beyond_latin1, 81) {
  const std::u16string root = u"Software\\ZktConformance\\Names\\";
  for (const CasePair& pair : kPairs) {
    os::HKEY key = nullptr;
    os::RegCreateKeyExW(HKEY_CURRENT_USER, root + pair.lower, u"", 0, KEY_ALL_ACCESS, &key,
                        nullptr);
    if (key) os::RegCloseKey(key);
    os::HKEY other = nullptr;
    os::DWORD disposition = 0;
    const os::LONG rc = os::RegCreateKeyExW(HKEY_CURRENT_USER, root + pair.upper, u"", 0,
                                            KEY_ALL_ACCESS, &other, &disposition);
    conf::Line("%s: key created in lower case, created again in upper case: %ld, disposition %lu",
               pair.script, static_cast<long>(rc), U(disposition));
    if (other) os::RegCloseKey(other);
    conf::Line("%s: RegDeleteKeyExW of the upper-case name %ld", pair.script,
               static_cast<long>(os::RegDeleteKeyExW(HKEY_CURRENT_USER, root + pair.upper, 0)));
  }
  os::RegDeleteKeyExW(HKEY_CURRENT_USER, u"Software\\ZktConformance\\Names", 0);
}
