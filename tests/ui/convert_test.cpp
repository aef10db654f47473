#include <gtest/gtest.h>

#include "ui/Convert.h"
#include "ui/Exception.h"

namespace {

struct Case {
  const char16_t* text;
  bool ok;
  std::int32_t value;
};

TEST(StringToInt, AcceptsDecimalAndTheHexadecimalPrefixes) {
  const Case cases[] = {
      {u"255", true, 255},
      {u" 255", true, 255},
      {u"+7", true, 7},
      {u"-12", true, -12},
      {u"$FF", true, 255},
      {u"0xff", true, 255},
      {u"0X0000FF", true, 255},
      {u"x10", true, 16},
      {u"X10", true, 16},
      {u"-$10", true, -16},
      {u"2147483647", true, 2147483647},
      {u"-2147483648", true, INT32_MIN},
      {u"$FFFFFFFF", true, -1},
      {u"FFh", false, 0},
      {u"255 ", false, 0},
      {u"", false, 0},
      {u"-", false, 0},
      {u"0x", false, 0},
      {u"2147483648", false, 0},
      {u"$100000000", false, 0},
      {u"12a", false, 0},
      {u"1.5", false, 0},
  };
  for (std::size_t i = 0; i < sizeof(cases) / sizeof(cases[0]); ++i) {
    std::int32_t value = 12345;
    EXPECT_EQ(ui::TryStrToInt(cases[i].text, &value), cases[i].ok) << "case " << i;
    if (cases[i].ok) {
      EXPECT_EQ(value, cases[i].value) << "case " << i;
    }
  }
}

TEST(StringToInt, ErrorNamesTheText) {
  try {
    ui::StringToInt(u"FFh");
    FAIL() << "expected a conversion error";
  } catch (const ui::EConvertError& error) {
    EXPECT_EQ(error.Message(), u"'FFh' is not a valid integer value");
  }
}

}  // namespace
