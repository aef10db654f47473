// Fuzz target: profile-value parsing. The first bytes choose a section and key, the rest is
// the file; the value found goes through the buffer cut, the comma split and the decimal read,
// and a write must leave a file in which the written value reads back.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "config/ProfileValue.h"
#include "platform/ProfileText.h"

namespace {

// Names of letters only, so that the written line can always be found again.
std::u16string Letters(const std::uint8_t* data, std::size_t size) {
  std::u16string out;
  for (std::size_t i = 0; i < size; ++i) out.push_back(static_cast<char16_t>(u'a' + data[i] % 26));
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 3) return 0;
  const std::size_t sectionLength = data[0] % 8, keyLength = data[1] % 8;
  const std::size_t bufferSize = data[2];
  data += 3;
  size -= 3;
  if (size < sectionLength + keyLength) return 0;
  const std::u16string section = Letters(data, sectionLength);
  const std::u16string key = Letters(data + sectionLength, keyLength);
  const std::string file(reinterpret_cast<const char*>(data + sectionLength + keyLength),
                         size - sectionLength - keyLength);

  profile::ProfileText doc = profile::ProfileText::Parse(file);
  if (doc.Serialize() != file) __builtin_trap();  // reading must keep every byte
  const auto value = doc.Find(section, key);
  std::u16string out;
  const std::size_t count = profile::ProfileCopyEntry(value ? *value : u"", bufferSize, &out);
  if (bufferSize > 0 && count >= bufferSize) __builtin_trap();
  std::vector<std::u16string> pieces;
  if (SplitValue(out, pieces) == 0) __builtin_trap();
  for (const std::u16string& piece : pieces) DecimalValue(piece);

  const std::u16string written = u"v" + std::u16string(count % 7, u'x');
  doc.Set(section, key, written);
  const auto back = profile::ProfileText::Parse(doc.Serialize()).Find(section, key);
  if (!section.empty() && !key.empty() && (!back || *back != written)) __builtin_trap();
  return 0;
}
