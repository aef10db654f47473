// Colours, fonts and pictures as the forms describe them.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace ui {

// 0x00BBGGRR, or a system colour: 0x80000000 | COLOR_xxx index.
using Color = std::uint32_t;
constexpr Color kSystemColorFlag = 0x80000000u;
constexpr Color clBtnFace = kSystemColorFlag | 15;   // COLOR_BTNFACE
constexpr Color clWindowText = kSystemColorFlag | 8;  // COLOR_WINDOWTEXT

struct Font {
  std::u16string name = u"Tahoma";
  int height = -11;  // negative: character height in pixels (points at 96 dots per inch)
  Color color = clWindowText;
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
