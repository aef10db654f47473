// Windows: BMP and PNG decoding through the GDI+ flat API, looked up at run time so that the
// program imports only DLLs that Windows always loads from System32.
#include "ui/win32/win_picture.h"

#include <cstdint>

#include "ui/Exception.h"

namespace ui {

PictureData::~PictureData() {
  if (bitmap) ::DeleteObject(bitmap);
}

namespace backend {

namespace {

struct GdiplusStartupInput {
  UINT32 GdiplusVersion = 1;
  void* DebugEventCallback = nullptr;
  BOOL SuppressBackgroundThread = FALSE;
  BOOL SuppressExternalCodecs = FALSE;
};
using StartupFn = int(WINAPI*)(ULONG_PTR*, const GdiplusStartupInput*, void*);
using FromFileFn = int(WINAPI*)(const WCHAR*, void**);
using ToHbitmapFn = int(WINAPI*)(void*, HBITMAP*, DWORD);
using DisposeFn = int(WINAPI*)(void*);

struct Gdiplus {
  bool ready = false;
  FromFileFn fromFile = nullptr;
  ToHbitmapFn toHbitmap = nullptr;
  DisposeFn dispose = nullptr;
};

template <typename T>
T Proc(HMODULE module, const char* name) {
  return reinterpret_cast<T>(reinterpret_cast<void*>(::GetProcAddress(module, name)));
}

const Gdiplus& Load() {
  static Gdiplus gdiplus = [] {
    Gdiplus g;
    wchar_t system[MAX_PATH];
    const UINT n = ::GetSystemDirectoryW(system, MAX_PATH);
    if (n == 0 || n >= MAX_PATH - 16) return g;
    std::wstring path(system, n);
    path += L"\\gdiplus.dll";
    HMODULE module = ::LoadLibraryW(path.c_str());
    if (!module) return g;
    auto startup = Proc<StartupFn>(module, "GdiplusStartup");
    g.fromFile = Proc<FromFileFn>(module, "GdipCreateBitmapFromFile");
    g.toHbitmap = Proc<ToHbitmapFn>(module, "GdipCreateHBITMAPFromBitmap");
    g.dispose = Proc<DisposeFn>(module, "GdipDisposeImage");
    ULONG_PTR token = 0;
    GdiplusStartupInput input;
    g.ready =
        startup && g.fromFile && g.toHbitmap && g.dispose && startup(&token, &input, nullptr) == 0;
    return g;
  }();
  return gdiplus;
}

}  // namespace

std::shared_ptr<PictureData> DecodePicture(const std::u16string& path) {
  const Gdiplus& g = Load();
  if (!g.ready) throw EInvalidGraphic(u"Pictures cannot be loaded: GDI+ is not available.");
  void* bitmap = nullptr;
  if (g.fromFile(reinterpret_cast<const WCHAR*>(path.c_str()), &bitmap) != 0 || !bitmap)
    throw EInvalidGraphic(u"The file \"" + path + u"\" cannot be decoded.");
  auto data = std::make_shared<PictureData>();
  const int status = g.toHbitmap(bitmap, &data->bitmap, 0xFF000000u);
  g.dispose(bitmap);
  if (status != 0 || !data->bitmap)
    throw EInvalidGraphic(u"The file \"" + path + u"\" cannot be decoded.");
  return data;
}

void PaintPicture(HDC dc, const RECT& area, const Picture& picture) {
  if (picture.data && picture.data->bitmap) {
    HDC memory = ::CreateCompatibleDC(dc);
    HGDIOBJ old = ::SelectObject(memory, picture.data->bitmap);
    BITMAP info{};
    ::GetObjectW(picture.data->bitmap, sizeof(info), &info);
    ::SetStretchBltMode(dc, HALFTONE);
    ::SetBrushOrgEx(dc, 0, 0, nullptr);
    ::StretchBlt(dc, area.left, area.top, area.right - area.left, area.bottom - area.top, memory, 0,
                 0, info.bmWidth, info.bmHeight, SRCCOPY);
    ::SelectObject(memory, old);
    ::DeleteDC(memory);
    return;
  }
  // The built-in picture: the product name on a dark blue ground.
  HBRUSH ground = ::CreateSolidBrush(RGB(0x0B, 0x1F, 0x3A));
  ::FillRect(dc, &area, ground);
  ::DeleteObject(ground);
  HFONT font = ::CreateFontW(-(area.bottom - area.top) / 12, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE,
                             DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                             DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, L"Tahoma");
  HGDIOBJ old = ::SelectObject(dc, font);
  ::SetBkMode(dc, TRANSPARENT);
  ::SetTextColor(dc, RGB(0xFF, 0xFF, 0xFF));
  RECT text = area;
  ::DrawTextW(dc, L"ZKT 7.1 USB Audio", -1, &text, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  ::SelectObject(dc, old);
  ::DeleteObject(font);
}

}  // namespace backend
}  // namespace ui
