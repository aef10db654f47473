// Picture and icon files: which format a file name asks for, and whether the file holds it.
// Both backends check files this way before decoding, so the errors read the same.
#pragma once

#include <string>

#include "ui/Graphics.h"

namespace ui {

enum class PictureFormat { Unknown, Bitmap, Png };

// By the file name's extension, without regard to case: ".bmp", ".png".
PictureFormat FormatOfFileName(const std::u16string& path);

// Reads the file's header: the picture's format must match its extension. Fills `picture`'s
// source, width and height; throws EInOutError (file cannot be read) or EInvalidGraphic.
void ReadPictureHeader(const std::u16string& path, Picture* picture);

// An icon file (ICO: reserved 0, type 1, at least one image, directory complete); throws as
// above.
void CheckIconHeader(const std::u16string& path);

// "Cannot open file "<path>". <reason>" for a Win32 error code.
std::u16string CannotOpenText(const std::u16string& path, unsigned long error);

}  // namespace ui
