// Colours, fonts and pictures as the forms describe them.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace ui {

// 0x00BBGGRR, or a system colour: 0x80000000 | COLOR_xxx index.
using Color = std::uint32_t;
constexpr Color kSystemColorFlag = 0x80000000u;
constexpr Color clBtnFace = kSystemColorFlag | 15;    // COLOR_BTNFACE
constexpr Color clWindowText = kSystemColorFlag | 8;  // COLOR_WINDOWTEXT

struct Font {
  std::u16string name = u"Tahoma";
  int height = -11;  // negative: character height in pixels (points at 96 dots per inch)
  Color color = clWindowText;
};

// Forms are designed in pixels at 96 dots per inch (100 %); on a screen of another DPI every
// position, size and font height is that design value scaled by DPI / 96.
constexpr int kDesignDpi = 96;
// A design value at `dpi`, rounded as MulDiv rounds (exact at 96).
int ScaleForDpi(int value, int dpi);
// A design font height at `dpi`, rounded toward zero: glyphs do not grow in proportion to the
// height, so a font never larger than the exact scale keeps text within its scaled control.
int ScaleFontHeightForDpi(int height, int dpi);

// A rectangle in pixels: position and size.
struct Rect {
  int left = 0, top = 0, width = 0, height = 0;
};

// Font height of a point size at 96 dots per inch, rounded as MulDiv rounds.
int FontHeightOfPoints(int points);
int FontPointsOfHeight(int height);

// A loaded picture: the backend's bitmap plus what the forms may ask about it.
struct PictureData;
struct Picture {
  std::u16string source;  // file it came from; empty for the built-in picture
  int width = 0;
  int height = 0;
  std::shared_ptr<PictureData> data;  // backend bitmap
};

}  // namespace ui
