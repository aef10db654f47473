#include "config/DefaultAudioSettings.h"

#include <vector>

#include "config/ProfileValue.h"
#include "config/RegValueWriters.h"
#include "platform/text.h"
#include "platform/trace.h"

namespace {

const char16_t kProductKey[] = u"ZKT 72xx Software";

struct DefaultSetting {
  const char16_t* key;
  const char16_t* valueName;
  const char16_t* failureTrace;
};

// Read in this order; EncEnable is written as 0 when missing, the others are skipped.
const DefaultSetting kEncEnable = {u"EncEnable", u"EncEnable",
                                   u"***** Save REG_ENC_ENABLE to registry FAIL!, %d *****"};
const DefaultSetting kOptionalSettings[] = {
    {u"VoiceMagicEnable", u"VoiceMagicEnable",
     u"***** Save REG_VOICE_MAGIC_ENABLE FAIL!, %d *****"},
    {u"VoiceMagicLevel", u"VoiceMagicLevel",
     u"***** Save REG_VOICE_MAGIC_LEVEL to registry FAIL!, %d *****"},
    {u"V7ch1Scalar", u"Virtual7ch1Scalar",
     u"***** Save REG_V7ch1_SCALAR to registry FAIL!, %d *****"},
    {u"EncScalar", u"EncScalar", u"***** Save REG_ENC_SCALAR to registry FAIL!, %d *****"},
    {u"EncGpio", u"EncGpio", u"***** Save REG_ENC_GPIO to registry FAIL!, %d *****"},
};

std::uint32_t FirstPieceValue(const std::u16string& text) {
  std::vector<std::u16string> pieces;
  SplitValue(text, pieces);
  return static_cast<std::uint32_t>(DecimalValue(pieces[0]));
}

}  // namespace

int WriteDefaultAudioSettings(const std::u16string& configFile) {
  for (int i = 1; i <= 19; ++i) {
    std::u16string value;
    ReadProfileValue(configFile, u"EncValueMap", text::Format(16, u"%d", i), value);
    std::vector<std::u16string> pieces;
    if (SplitValue(value, pieces) == 1) continue;  // missing, empty or without a comma
    if (SetRegDword(std::u16string(kProductKey) + u"\\EncValueMap", pieces[0],
                    static_cast<std::uint32_t>(DecimalValue(pieces[1]))) != 0)
      trace::Printf(u"***** Save level to registry FAIL! *****");
  }

  std::u16string encEnable;
  ReadProfileValue(configFile, u"DefaultSet", kEncEnable.key, encEnable);
  const std::uint32_t enabled = encEnable.empty() ? 0 : FirstPieceValue(encEnable);
  std::int32_t result = SetRegDword(kProductKey, kEncEnable.valueName, enabled);
  if (result != 0) trace::Printf(kEncEnable.failureTrace, result);

  for (const DefaultSetting& setting : kOptionalSettings) {
    std::u16string value;
    ReadProfileValue(configFile, u"DefaultSet", setting.key, value);
    if (value.empty()) continue;
    result = SetRegDword(kProductKey, setting.valueName, FirstPieceValue(value));
    if (result != 0) trace::Printf(setting.failureTrace, result);
  }
  return 0;
}
