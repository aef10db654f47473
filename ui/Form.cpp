#include "ui/Form.h"

#include "platform/os_system.h"
#include "ui/Application.h"
#include "ui/Backend.h"
#include "ui/Exception.h"

namespace ui {

Form::Form(Application& app, const FormDesc& desc)
    : app_(app),
      name_(desc.name),
      caption_(desc.caption),
      border_(desc.border),
      clientWidth_(desc.clientWidth),
      clientHeight_(desc.clientHeight),
      font_(desc.font),
      color_(desc.color) {
  for (const ControlDesc& c : desc.controls) {
    auto control = std::make_unique<Control>(this, c.kind, c.name, c.page);
    Control& ctl = *control;
    controls_.push_back(std::move(control));
    Font font = font_;
    if (c.fontHeight != 0) font.height = c.fontHeight;
    ctl.SetFont(font);
    ctl.SetBounds(c.left, c.top, c.width, c.height);
    ctl.SetVisible(!(c.flags & kHidden));
    ctl.SetEnabled(!(c.flags & kDisabled));
    ctl.SetDefault(c.flags & kDefaultButton);
    ctl.SetWordWrap(c.flags & kWordWrap);
    ctl.SetSmooth(c.flags & kSmooth);
    ctl.SetTransparent(c.flags & kTransparent);
    if (c.kind == Kind::Notebook) {
      for (const auto& page : c.items) ctl.AddItem(page);
      ctl.SetPageIndex(c.value);
    } else {
      ctl.SetCaption(c.caption);
      for (const auto& item : c.items) ctl.AddItem(item);
    }
    if (c.kind == Kind::ProgressBar) ctl.SetRange(0, c.value > 0 ? c.value : 100);
    if (c.flags & kChecked) ctl.SetChecked(true);
    ctl.SetAlignClient(c.flags & kAlignClient);
  }
  // Centred on the primary screen, as the descriptions ask: the whole window with its title
  // bar and borders, not only its client area.
  dpi_ = os::GetScreenDpi();
  const backend::FrameInsets frame = backend::FrameOf(*this);
  left_ = (os::GetScreenWidth() - (frame.left + ClientWidth() + frame.right)) / 2;
  top_ = (os::GetScreenHeight() - (frame.top + ClientHeight() + frame.bottom)) / 2;
}

void Form::FocusControl(Control& control) {
  focused_ = &control;
  backend::ControlChanged(control, Change::Focus);
}

Form::~Form() { backend::DestroyWindow(*this); }

Control& Form::Find(const std::u16string& name) const {
  for (const auto& control : controls_)
    if (control->Name() == name) return *control;
  throw Exception(u"Form " + name_ + u" has no control " + name);
}

void Form::SetCaption(const std::u16string& caption) {
  caption_ = caption;
  backend::FormChanged(*this, Change::Caption);
}

void Form::MoveWindow(int left, int top, int width, int height) {
  left_ = left;
  top_ = top;
  pixelSized_ = true;
  pixelWidth_ = width;
  pixelHeight_ = height;
  backend::FormChanged(*this, Change::Bounds);
  for (const auto& control : controls_)
    if (control->AlignClient()) backend::ControlChanged(*control, Change::Bounds);
}

void Form::ChangeDpi(int dpi, int left, int top) {
  if (dpi <= 0) return;
  dpi_ = dpi;
  left_ = left;
  top_ = top;
  backend::FormChanged(*this, Change::Dpi);
}

void Form::SetTransparentColor(bool on, Color key) {
  transparentColor_ = on;
  transparentColorValue_ = key;
  backend::FormChanged(*this, Change::Picture);
}

void Form::LoadIconFromFile(const std::u16string& path) {
  backend::CheckIconFile(path);
  iconFile_ = path;
  backend::FormChanged(*this, Change::Picture);
}

void Form::Show() {
  if (visible_) return;
  // An error in the show handler is shown and the window appears all the same.
  if (OnShow) app_.Guard([this] { OnShow(*this); });
  visible_ = true;
  backend::FormChanged(*this, Change::Visible);
}

void Form::Hide() {
  if (!visible_) return;
  visible_ = false;
  backend::FormChanged(*this, Change::Visible);
}

void Form::EnableCloseBox(bool enabled) {
  if (closeBoxEnabled_ == enabled) return;
  closeBoxEnabled_ = enabled;
  backend::FormChanged(*this, Change::CloseBox);
}

void Form::Close() {
  bool canClose = true;
  if (OnCloseQuery) OnCloseQuery(*this, canClose);
  if (!canClose) return;
  const bool isMain = app_.MainForm() == this;
  CloseAction action = isMain ? CloseAction::Free : CloseAction::Hide;
  if (OnClose) OnClose(*this, action);
  if (action == CloseAction::None) return;
  if (isMain) {
    app_.Terminate();
  } else {
    Hide();
  }
}

void Form::PostFormMessage(os::UINT msg, WParam wParam, LParam lParam) {
  backend::PostFormMessage(*this, msg, wParam, lParam);
}

LParam Form::Perform(os::UINT msg, WParam wParam, LParam lParam) {
  Message message{msg, wParam, lParam, 0};
  if (OnMessage && OnMessage(*this, message)) return message.result;
  if (msg == WM_CLOSE) Close();
  return message.result;
}

}  // namespace ui
