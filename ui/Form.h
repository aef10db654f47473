// A top-level window built from a description: its controls, handlers and posted messages.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ui/Control.h"
#include "ui/Messages.h"

namespace ui {

class Application;

enum class BorderStyle { None, Single };
enum class CloseAction { None, Hide, Free };

// Design state of one control. `items` are the pages of a notebook; `value` is the page index
// of a notebook or the maximum of a progress bar.
struct ControlDesc {
  ControlDesc(Kind kind, std::u16string name, int page, int left, int top, int width, int height,
              std::u16string caption = u"", unsigned flags = 0, int fontHeight = 0,
              std::vector<std::u16string> items = {}, int value = 0)
      : kind(kind),
        name(std::move(name)),
        page(page),
        left(left),
        top(top),
        width(width),
        height(height),
        caption(std::move(caption)),
        flags(flags),
        fontHeight(fontHeight),
        items(std::move(items)),
        value(value) {}
  Kind kind;
  std::u16string name;
  int page;
  int left, top, width, height;
  std::u16string caption;
  unsigned flags;
  int fontHeight;  // 0: the form's font
  std::vector<std::u16string> items;
  int value;
};
enum ControlFlags : unsigned {
  kHidden = 1,
  kDisabled = 2,
  kDefaultButton = 4,
  kChecked = 8,
  kWordWrap = 16,
  kSmooth = 32,
  kTransparent = 64,
  kAlignClient = 128,  // fills the form's client area, also when the form is resized
};

struct FormDesc {
  std::u16string name;
  std::u16string caption;
  BorderStyle border = BorderStyle::Single;
  int clientWidth = 0, clientHeight = 0;
  Font font;
  Color color = clBtnFace;
  std::vector<ControlDesc> controls;
};

class Form {
 public:
  Form(Application& app, const FormDesc& desc);
  ~Form();
  Form(const Form&) = delete;
  Form& operator=(const Form&) = delete;

  Application& App() const { return app_; }
  const std::u16string& Name() const { return name_; }
  // The control of that name; throws when the description has none.
  Control& Find(const std::u16string& name) const;
  const std::vector<std::unique_ptr<Control>>& Controls() const { return controls_; }

  const std::u16string& Caption() const { return caption_; }
  void SetCaption(const std::u16string& caption);
  BorderStyle Border() const { return border_; }
  // The DPI of the monitor the window is on (96: 100 %), taken from the primary screen when
  // the form is created; design values are scaled by it.
  int Dpi() const { return dpi_; }
  int Scale(int designValue) const { return ScaleForDpi(designValue, dpi_); }
  // Position of the outer window on the screen, in pixels.
  int Left() const { return left_; }
  int Top() const { return top_; }
  // Size of the client area in pixels: the design size scaled, or what MoveWindow gave.
  int ClientWidth() const { return pixelSized_ ? pixelWidth_ : Scale(clientWidth_); }
  int ClientHeight() const { return pixelSized_ ? pixelHeight_ : Scale(clientHeight_); }
  // Places the window in pixels as MoveWindow does (for the borderless forms that use it the
  // size is the client size); the size no longer follows the DPI.
  void MoveWindow(int left, int top, int width, int height);
  // The window moved to a monitor of another DPI (WM_DPICHANGED): it takes the new DPI and
  // the position Windows suggests, and its client area and controls are scaled again.
  void ChangeDpi(int dpi, int left, int top);
  const Font& GetFont() const { return font_; }
  Color GetColor() const { return color_; }
  // Colour keying: every pixel of the key colour becomes see-through.
  bool TransparentColor() const { return transparentColor_; }
  Color TransparentColorValue() const { return transparentColorValue_; }
  void SetTransparentColor(bool on, Color key);
  // Loads an icon file as the window's icon; throws EInOutError or EInvalidGraphic.
  void LoadIconFromFile(const std::u16string& path);
  const std::u16string& IconFile() const { return iconFile_; }

  // The control that has the keyboard focus (nullptr: none).
  Control* Focused() const { return focused_; }
  void FocusControl(Control& control);

  bool Visible() const { return visible_; }
  // Runs OnShow (an error escaping it goes to the standard error display), then makes the
  // window visible.
  void Show();
  void Hide();
  // The close box of the title bar (and the window menu's Close, Alt+F4); enabled at first.
  bool CloseBoxEnabled() const { return closeBoxEnabled_; }
  void EnableCloseBox(bool enabled);
  // Standard close: OnCloseQuery may refuse; OnClose may change the action; closing the
  // application's main form ends the application.
  void Close();

  // Thread-safe: queues a message for this form's window (PostMessageW).
  void PostFormMessage(os::UINT msg, WParam wParam, LParam lParam);
  // Message dispatch: the form's own handler first, then the standard processing.
  LParam Perform(os::UINT msg, WParam wParam, LParam lParam);

  std::function<void(Form&)> OnShow;
  std::function<void(Form&, bool& canClose)> OnCloseQuery;
  std::function<void(Form&, CloseAction& action)> OnClose;
  // Returns true when the message is fully handled; false passes it on to the standard
  // processing.
  std::function<bool(Form&, Message&)> OnMessage;

  // The backend's window.
  void* peer = nullptr;

 private:
  friend class Application;
  Application& app_;
  std::u16string name_;
  std::u16string caption_;
  BorderStyle border_;
  int dpi_ = kDesignDpi;
  int left_ = 0, top_ = 0, clientWidth_ = 0, clientHeight_ = 0;
  bool pixelSized_ = false;
  int pixelWidth_ = 0, pixelHeight_ = 0;
  Font font_;
  Color color_;
  bool transparentColor_ = false;
  Color transparentColorValue_ = 0;
  std::u16string iconFile_;
  bool visible_ = false;
  bool closeBoxEnabled_ = true;
  Control* focused_ = nullptr;
  std::vector<std::unique_ptr<Control>> controls_;
};

}  // namespace ui
