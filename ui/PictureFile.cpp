#include "ui/PictureFile.h"
#include "platform/OwnedHandles.h"

#include <cstdint>
#include <vector>

#include "platform/os_files.h"
#include "platform/text.h"
#include "ui/Exception.h"

namespace ui {

namespace {

// Reads up to `size` bytes from the start of the file; throws when it cannot be opened.
std::vector<unsigned char> ReadHead(const std::u16string& path, os::DWORD size) {
  os::OwnedFile file(
      os::CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL));
  if (!file) throw EInOutError(CannotOpenText(path, os::GetLastError()));
  std::vector<unsigned char> head(size);
  os::DWORD read = 0;
  const bool ok = os::ReadFile(file.get(), head.data(), size, &read) != FALSE;
  const os::DWORD error = os::GetLastError();
  file.reset();
  if (!ok) throw EInOutError(CannotOpenText(path, error));
  head.resize(read);
  return head;
}

std::uint32_t Le32(const std::vector<unsigned char>& b, std::size_t at) {
  return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) |
         (static_cast<std::uint32_t>(b[at + 3]) << 24);
}
std::uint32_t Be32(const std::vector<unsigned char>& b, std::size_t at) {
  return (static_cast<std::uint32_t>(b[at]) << 24) | (b[at + 1] << 16) | (b[at + 2] << 8) |
         b[at + 3];
}
std::uint16_t Le16(const std::vector<unsigned char>& b, std::size_t at) {
  return static_cast<std::uint16_t>(b[at] | (b[at + 1] << 8));
}

EInvalidGraphic NotA(const char16_t* what, const std::u16string& path) {
  return EInvalidGraphic(u"The file \"" + path + u"\" is not a valid " + what + u".");
}

}  // namespace

std::u16string CannotOpenText(const std::u16string& path, unsigned long error) {
  std::u16string reason;
  switch (error) {
    case ERROR_FILE_NOT_FOUND: reason = u"The system cannot find the file specified."; break;
    case ERROR_PATH_NOT_FOUND: reason = u"The system cannot find the path specified."; break;
    case ERROR_ACCESS_DENIED: reason = u"Access is denied."; break;
    default: reason = text::Format(64, u"Error %u.", static_cast<unsigned>(error)); break;
  }
  return u"Cannot open file \"" + path + u"\". " + reason;
}

PictureFormat FormatOfFileName(const std::u16string& path) {
  const std::size_t dot = path.rfind(u'.');
  const std::size_t slash = path.find_last_of(u"\\/");
  if (dot == std::u16string::npos || (slash != std::u16string::npos && dot < slash))
    return PictureFormat::Unknown;
  const std::u16string ext = text::ToUpper(path.substr(dot));
  if (ext == u".BMP") return PictureFormat::Bitmap;
  if (ext == u".PNG") return PictureFormat::Png;
  return PictureFormat::Unknown;
}

void ReadPictureHeader(const std::u16string& path, Picture* picture) {
  const PictureFormat format = FormatOfFileName(path);
  if (format == PictureFormat::Unknown) {
    const std::size_t dot = path.rfind(u'.');
    throw EInvalidGraphic(u"Unknown picture file extension (" +
                          (dot == std::u16string::npos ? std::u16string() : path.substr(dot)) +
                          u")");
  }
  const std::vector<unsigned char> head = ReadHead(path, 32);
  std::int64_t width = 0, height = 0;
  if (format == PictureFormat::Bitmap) {
    if (head.size() < 26 || head[0] != 'B' || head[1] != 'M') throw NotA(u"bitmap", path);
    width = static_cast<std::int32_t>(Le32(head, 18));
    height = static_cast<std::int32_t>(Le32(head, 22));
    if (height < 0) height = -height;  // top-down bitmap
  } else {
    static const unsigned char kSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    if (head.size() < 24) throw NotA(u"PNG image", path);
    for (int i = 0; i < 8; ++i)
      if (head[i] != kSignature[i]) throw NotA(u"PNG image", path);
    if (head[12] != 'I' || head[13] != 'H' || head[14] != 'D' || head[15] != 'R')
      throw NotA(u"PNG image", path);
    width = Be32(head, 16);
    height = Be32(head, 20);
  }
  if (width <= 0 || height <= 0 || width > 65535 || height > 65535)
    throw NotA(format == PictureFormat::Bitmap ? u"bitmap" : u"PNG image", path);
  picture->source = path;
  picture->width = static_cast<int>(width);
  picture->height = static_cast<int>(height);
}

void CheckIconHeader(const std::u16string& path) {
  const std::vector<unsigned char> head = ReadHead(path, 22);
  if (head.size() < 22 || Le16(head, 0) != 0 || Le16(head, 2) != 1 || Le16(head, 4) == 0)
    throw NotA(u"icon", path);
}

}  // namespace ui
