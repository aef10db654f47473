// Reads a machine's registry.reg as text, independently of the registry model under test.
#pragma once

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "platform/text.h"

// The file as UTF-8 text with CRLF turned into LF ("" when missing).
inline std::string ReadRegFile(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::string out;
  if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
      static_cast<unsigned char>(bytes[1]) == 0xFE) {
    std::u16string wide;
    for (std::size_t i = 2; i + 1 < bytes.size(); i += 2)
      wide.push_back(static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                           (static_cast<unsigned char>(bytes[i + 1]) << 8)));
    out = text::ToUtf8(wide);
  } else {
    out = bytes;
  }
  std::string lf;
  for (char c : out)
    if (c != '\r') lf.push_back(c);
  return lf;
}

// The lines of one key's block (header excluded), up to the next blank line.
inline std::string RegKeyBlock(const std::string& regText, const std::string& keyPath) {
  const std::string header = "\n[" + keyPath + "]\n";
  const auto at = regText.find(header);
  if (at == std::string::npos) return "<missing key " + keyPath + ">";
  const auto begin = at + header.size();
  const auto end = regText.find("\n\n", begin);
  return regText.substr(begin, end == std::string::npos ? std::string::npos : end - begin + 1);
}
