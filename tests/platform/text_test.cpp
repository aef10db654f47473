#include "platform/text.h"

#include <gtest/gtest.h>

TEST(TextFormat, WideFormattingCutsAtBufferSize) {
  EXPECT_EQ(text::Format(256, u"==> %s\n", u"TMainForm::Install"), u"==> TMainForm::Install\n");
  EXPECT_EQ(text::Format(256, u"Major = 0x%.8X, Minor = 0x%.8X", 10u, 0u),
            u"Major = 0x0000000A, Minor = 0x00000000");
  EXPECT_EQ(text::Format(256, u"%d.%d.%d.%d", 65535, 1, 0, 7), u"65535.1.0.7");
  EXPECT_EQ(text::Format(256, u"%s|%hs|%c|%%", static_cast<const char16_t*>(nullptr), "ab", u'x'),
            u"(null)|ab|x|%");
  const std::u16string longName(400, u'a');
  EXPECT_EQ(text::Format(256, u"%s", longName.c_str()).size(), 255u);
}

TEST(TextConversion, Utf8RoundTripAndCaseFolding) {
  const std::u16string s = u"Ger\u00e4t \u97f3\u6548 \U0001F3B5";
  EXPECT_EQ(text::FromUtf8(text::ToUtf8(s)), s);
  EXPECT_TRUE(text::EqualsNoCase(u"C:\\Program Files\\\u00e4", u"c:\\PROGRAM files\\\u00c4"));
  // Ordinal on upper-cased units: "_" (0x5F) sorts after "B" (0x42).
  EXPECT_GT(text::CompareNoCase(u"a_b", u"AB"), 0);
}

TEST(TextConversion, CaseFoldingBeyondLatin1FollowsTheUpcaseTable) {
  const struct {
    const char16_t* lower;
    const char16_t* upper;
  } pairs[] = {{u"ÿ", u"Ÿ"},     {u"őłž", u"ŐŁŽ"}, {u"αωάώ", u"ΑΩΆΏ"}, {u"аяёџ", u"АЯЁЏ"},
               {u"ґәӏ", u"ҐӘӀ"}, {u"ա", u"Ա"},     {u"ａ", u"Ａ"}};
  for (const auto& pair : pairs) {
    EXPECT_EQ(text::ToUpper(std::u16string(pair.lower)), pair.upper) << text::ToUtf8(pair.lower);
    EXPECT_EQ(text::ToUpper(std::u16string(pair.upper)), pair.upper) << text::ToUtf8(pair.upper);
  }
  // No pair in the table: final sigma, dotless i, long s, the division sign, CJK.
  for (char16_t c : {u'ς', u'ı', u'ſ', u'÷', u'音'}) EXPECT_EQ(text::ToUpper(c), c);
}
