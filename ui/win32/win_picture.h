// Windows: decoding picture files and painting them stretched (GDI+ loaded from System32).
#pragma once

#include <memory>
#include <string>

#include "ui/Graphics.h"

#include <windows.h>

namespace ui {

struct PictureData {
  HBITMAP bitmap = nullptr;
  ~PictureData();
};

namespace backend {

// Throws EInvalidGraphic when GDI+ is missing or cannot decode the file.
std::shared_ptr<PictureData> DecodePicture(const std::u16string& path);
// Stretches the picture over `area`; without decoded data, paints the built-in picture.
void PaintPicture(HDC dc, const RECT& area, const Picture& picture);

}  // namespace backend
}  // namespace ui
