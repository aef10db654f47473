#include "config/DefaultAudioSettings.h"

#include <vector>

#include "config/ProfileValue.h"
#include "config/RegValueWriters.h"
#include "payload/common/ProductNames.h"
#include "platform/text.h"
#include "platform/trace.h"

namespace {

struct DefaultSetting {
  const char16_t* key;
  const char16_t* valueName;
  const char16_t* failureTrace;
};

// Read in this order; EncEnable is written as 0 when missing, the others are skipped.
const DefaultSetting kEncEnable = {u"EncEnable", payload::kEncEnableValue,
                                   u"***** Save REG_ENC_ENABLE to registry FAIL!, %d *****"};
const DefaultSetting kOptionalSettings[] = {
    {u"VoiceMagicEnable", payload::kVoiceMagicEnableValue,
     u"***** Save REG_VOICE_MAGIC_ENABLE FAIL!, %d *****"},
    {u"VoiceMagicLevel", payload::kVoiceMagicLevelValue,
     u"***** Save REG_VOICE_MAGIC_LEVEL to registry FAIL!, %d *****"},
    {u"V7ch1Scalar", payload::kVirtual7ch1ScalarValue,
     u"***** Save REG_V7ch1_SCALAR to registry FAIL!, %d *****"},
    {u"EncScalar", payload::kEncScalarValue,
     u"***** Save REG_ENC_SCALAR to registry FAIL!, %d *****"},
    {u"EncGpio", payload::kEncGpioValue, u"***** Save REG_ENC_GPIO to registry FAIL!, %d *****"},
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
    if (SetRegDword(payload::kLevelTableSubKey, pieces[0],
                    static_cast<std::uint32_t>(DecimalValue(pieces[1]))) != 0)
      trace::Printf(u"***** Save level to registry FAIL! *****");
  }

  std::u16string encEnable;
  ReadProfileValue(configFile, u"DefaultSet", kEncEnable.key, encEnable);
  const std::uint32_t enabled = encEnable.empty() ? 0 : FirstPieceValue(encEnable);
  std::int32_t result = SetRegDword(payload::kProductSubKey, kEncEnable.valueName, enabled);
  if (result != 0) trace::Printf(kEncEnable.failureTrace, result);

  for (const DefaultSetting& setting : kOptionalSettings) {
    std::u16string value;
    ReadProfileValue(configFile, u"DefaultSet", setting.key, value);
    if (value.empty()) continue;
    result = SetRegDword(payload::kProductSubKey, setting.valueName, FirstPieceValue(value));
    if (result != 0) trace::Printf(setting.failureTrace, result);
  }
  return 0;
}
