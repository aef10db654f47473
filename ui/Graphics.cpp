#include "ui/Graphics.h"

namespace ui {

namespace {
constexpr int kDotsPerInch = kDesignDpi;
constexpr int kPointsPerInch = 72;

// MulDiv's rounding: half away from zero.
int MulDivRound(int value, int numerator, int denominator) {
  const long long product = static_cast<long long>(value) * numerator;
  const long long half = denominator / 2;
  return static_cast<int>(product >= 0 ? (product + half) / denominator
                                       : (product - half) / denominator);
}
}  // namespace

int ScaleForDpi(int value, int dpi) { return MulDivRound(value, dpi, kDesignDpi); }

int ScaleFontHeightForDpi(int height, int dpi) {
  return static_cast<int>(static_cast<long long>(height) * dpi / kDesignDpi);
}

int FontHeightOfPoints(int points) { return -MulDivRound(points, kDotsPerInch, kPointsPerInch); }

int FontPointsOfHeight(int height) { return MulDivRound(-height, kPointsPerInch, kDotsPerInch); }

}  // namespace ui
