// The wizard's label records: one per key of the section "Setup" of a language's Language.ini.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// One entry of a label file: text, font colour, reserved, font name, size and position, and
// the presence flags of the fields after the text (set when read from a non-empty field).
struct _LABEL_INFO {
  char16_t Text[128];
  std::int32_t FontColor;
  std::int32_t Reserved;
  char16_t FontName[64];
  std::int32_t FontSize;
  std::int32_t Left;
  std::int32_t Top;
  std::int32_t Width;
  std::int32_t Height;
  std::uint8_t HasFontColor;
  std::uint8_t HasReserved;
  std::uint8_t HasFontName;
  std::uint8_t HasFontSize;
  std::uint8_t HasLeft;
  std::uint8_t HasTop;
  std::uint8_t HasWidth;
  std::uint8_t HasHeight;
};

// The label keys in the order they are read; the index of each is the index of its record.
enum LabelIndex {
  LABEL_BACK_BTN,
  LABEL_NEXT_BTN,
  LABEL_FINISH_BTN,
  LABEL_CANCEL_BTN,
  LABEL_SELECT_LANG,
  LABEL_VERSION,
  LABEL_AUDIO_EXT,
  LABEL_INSTALL,
  LABEL_REBOOT,
  LABEL_REBOOT_RADIO_BTN,
  LABEL_NO_REBOOT_RADIO_BTN,
  LABEL_TITLE,
  LABEL_WARNING1,
  LABEL_WARNING2,
  LABEL_WARNING3,
  LABEL_WARNING4,
  LABEL_ANTIVIRUS_TIP,
  LABEL_KB3033929_TIP,
  LABEL_COUNT
};

extern const char16_t* const kLabelKeys[LABEL_COUNT];
// The optional key of the finish page's text after a failed install, and the text used when a
// language file has none.
extern const char16_t kInstallFailedKey[];
extern const char16_t kInstallFailedText[];

// Copies `text` into a fixed field of `capacity` units with its terminator, cut to fit; a cut
// never leaves half of a surrogate pair behind.
void CopyLabelText(char16_t* field, std::size_t capacity, const std::u16string& text);

// Fills a record from the first `count` comma-separated fields of its Language.ini value: the
// text, then the colour, reserved, font name, size and position fields that are not empty. A
// number field that is no number throws the framework's conversion error.
void ParseLabelFields(_LABEL_INFO& record, const std::vector<std::u16string>& fields, int count);
