// A profile (INI) file as Windows' profile functions read it, kept line by line with its
// original bytes, so that a write changes one line and leaves the rest untouched. The simulated
// profile functions are built on it, and programs that must read a whole file at once (rather
// than one value per call, each of which may fail on its own) parse it with the same rules.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace profile {

enum class ProfileEncoding { Ansi, Utf8, Utf16Le, Utf16Be };

class ProfileText {
 public:
  // Decodes the bytes of a file (ANSI as Windows-1252, or by byte-order mark).
  static ProfileText Parse(const std::string& bytes);

  // The raw value of the first matching key of the first matching section; nullopt when the
  // section or key is missing or the key line has no "=".
  std::optional<std::u16string> Find(const std::u16string& section,
                                     const std::u16string& key) const;
  // Sets the value, creating the section or key when missing. False when nothing changed.
  bool Set(const std::u16string& section, const std::u16string& key, const std::u16string& value);
  std::string Serialize() const;
  ProfileEncoding Encoding() const { return encoding_; }

 private:
  struct Line {
    std::string raw;      // the bytes of the line, its line feed included
    std::u16string text;  // the decoded line without its line feed
    bool lineFeed = false;
  };
  enum class Kind { Blank, Header, Key };
  struct Parsed {
    Kind kind = Kind::Blank;
    std::u16string name;  // section or key name
    bool hasValue = false;
    std::u16string value;
  };
  static Parsed ParseLine(const std::u16string& text);
  std::string Encode(const std::u16string& text) const;
  void EnsureFinalLineFeed();
  Line MakeLine(const std::u16string& text) const;

  ProfileEncoding encoding_ = ProfileEncoding::Ansi;
  std::string mark_;  // byte-order mark kept as read
  std::vector<Line> lines_;
};

// What GetPrivateProfileStringW leaves in a buffer of `bufferSize` characters for a value
// found (`value`) or the default: quotes stripped, text cut; returns the count.
std::size_t ProfileCopyEntry(const std::u16string& value, std::size_t bufferSize,
                             std::u16string* out);
// The blanks of the profile functions (C white space, plus the DOS end-of-file mark).
bool ProfileIsSpace(char16_t c);
std::u16string ProfileTrim(const std::u16string& s);

}  // namespace profile
