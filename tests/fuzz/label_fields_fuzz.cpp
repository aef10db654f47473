// Fuzz target: a label's value from Language.ini (UTF-16 units from the input) split into its
// fields and parsed into a record; the text fields must stay terminated inside their arrays and
// never end in half of a surrogate pair.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "app/Labels.h"
#include "config/ProfileValue.h"
#include "ui/Exception.h"

namespace {

// The value the field was taken from, to tell a cut pair from a lone unit of the input.
void CheckField(const char16_t* field, std::size_t capacity, const std::u16string& value) {
  std::size_t length = 0;
  while (length < capacity && field[length]) ++length;
  if (length == capacity) __builtin_trap();  // no terminator inside the array
  if (length == 0 || field[length - 1] < 0xD800 || field[length - 1] > 0xDBFF) return;
  // Ends in a high surrogate: a fault only where the input continues with its low half.
  const std::u16string text(field, length);
  bool splitsAPair = false;
  for (std::size_t at = value.find(text); at != std::u16string::npos;
       at = value.find(text, at + 1)) {
    const std::size_t next = at + length;
    if (next >= value.size() || value[next] < 0xDC00 || value[next] > 0xDFFF) return;
    splitsAPair = true;
  }
  if (splitsAPair) __builtin_trap();  // a cut that split a surrogate pair
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::u16string value;
  for (std::size_t i = 0; i + 1 < size; i += 2) {
    const char16_t unit = static_cast<char16_t>(data[i] | (data[i + 1] << 8));
    if (unit != 0) value.push_back(unit);  // a profile value ends at its first zero
  }
  std::vector<std::u16string> fields;
  const std::size_t count = SplitValue(value, fields);
  if (count != fields.size()) __builtin_trap();
  _LABEL_INFO record = {};
  try {
    ParseLabelFields(record, fields, static_cast<int>(count));
  } catch (const ui::Exception&) {
    // A number field that is no number: the wizard shows the conversion error.
  }
  CheckField(record.Text, 128, value);
  CheckField(record.FontName, 64, value);
  if (record.HasFontName && !record.FontName[0]) __builtin_trap();
  return 0;
}
