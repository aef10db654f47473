// Windows: the windowing framework over real windows and common controls. Each form is a
// top-level window of class "ZktForm"; controls are standard child windows; the notebook is
// the visibility of the controls of its pages.
#include <map>
#include <string>

#include "platform/text.h"
#include "platform/win32/win_text.h"
#include "ui/Application.h"
#include "ui/Backend.h"
#include "ui/PictureFile.h"
#include "ui/win32/win_picture.h"

#include <windows.h>
#include <commctrl.h>

namespace ui::backend {

using os::win::Wide;

namespace {

constexpr wchar_t kFormClass[] = L"ZktForm";
constexpr wchar_t kImageClass[] = L"ZktImage";
constexpr int kFirstControlId = 100;

// Windows refused a window: the framework's error display reports it; nothing is swallowed.
Exception CannotCreateWindow(const std::u16string& name, DWORD error) {
  return Exception(text::Format(512, u"Error creating window %s (error %u)", name.c_str(),
                                static_cast<unsigned>(error)));
}

HWND H(void* peer) { return static_cast<HWND>(peer); }

struct State {
  Application* app = nullptr;
  std::map<Control*, HFONT> fonts;
  std::map<Form*, HFONT> formFonts;
  HICON appIconBig = nullptr;
  HICON appIconSmall = nullptr;
  std::map<Form*, std::pair<HICON, HICON>> icons;
  DWORD uiThread = 0;
};

State& S() {
  static State state;
  return state;
}

COLORREF Resolve(Color color) {
  if (color & kSystemColorFlag) return ::GetSysColor(static_cast<int>(color & 0xFF));
  return static_cast<COLORREF>(color & 0x00FFFFFF);
}

Control* ControlOf(Form& form, HWND child) {
  for (const auto& control : form.Controls())
    if (control->peer == child) return control.get();
  return nullptr;
}

int IdOf(const Form& form, const Control& control) {
  int index = 0;
  for (const auto& c : form.Controls()) {
    if (c.get() == &control) return kFirstControlId + index;
    ++index;
  }
  return 0;
}

// Shown when visible and on the notebook page that is shown (or on the form itself).
bool EffectivelyVisible(const Control& control) {
  if (!control.Visible()) return false;
  if (control.Page() < 0) return true;
  for (const auto& other : control.Owner().Controls())
    if (other->GetKind() == Kind::Notebook) return other->PageIndex() == control.Page();
  return false;
}

void ApplyFont(Control& control) {
  if (!control.peer) return;
  const Font font = control.PixelFont();
  HFONT created = ::CreateFontW(font.height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                                DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                                DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, Wide(font.name));
  ::SendMessageW(H(control.peer), WM_SETFONT, reinterpret_cast<WPARAM>(created), TRUE);
  auto it = S().fonts.find(&control);
  if (it != S().fonts.end() && it->second) ::DeleteObject(it->second);
  S().fonts[&control] = created;
  ::InvalidateRect(H(control.peer), nullptr, TRUE);
}

void ApplyItems(Control& control) {
  if (!control.peer || control.GetKind() != Kind::ComboBox) return;
  HWND combo = H(control.peer);
  ::SendMessageW(combo, CB_RESETCONTENT, 0, 0);
  for (const auto& item : control.Items())
    ::SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Wide(item)));
  ::SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(control.ItemIndex()), 0);
}

// A drop-down list's window includes its open list.
void PlaceControl(Control& control) {
  HWND hwnd = H(control.peer);
  if (!hwnd) return;
  const Rect r = control.PixelBounds();
  const int dropDown = control.GetKind() == Kind::ComboBox ? control.Owner().Scale(200) : 0;
  ::MoveWindow(hwnd, r.left, r.top, r.width, r.height + dropDown, TRUE);
}

void ApplyAll(Control& control) {
  HWND hwnd = H(control.peer);
  if (!hwnd) return;
  if (control.GetKind() != Kind::Image) ::SetWindowTextW(hwnd, Wide(control.Caption()));
  PlaceControl(control);
  ::EnableWindow(hwnd, control.Enabled());
  ApplyFont(control);
  ApplyItems(control);
  if (control.GetKind() == Kind::RadioButton)
    ::SendMessageW(hwnd, BM_SETCHECK, control.Checked() ? BST_CHECKED : BST_UNCHECKED, 0);
  if (control.GetKind() == Kind::ProgressBar) {
    ::SendMessageW(hwnd, PBM_SETRANGE32, static_cast<WPARAM>(control.Min()), control.Max());
    ::SendMessageW(hwnd, PBM_SETPOS, static_cast<WPARAM>(control.Position()), 0);
  }
  ::ShowWindow(hwnd, EffectivelyVisible(control) ? SW_SHOWNA : SW_HIDE);
}

void CreateControl(Form& form, Control& control) {
  const wchar_t* cls = nullptr;
  DWORD style = WS_CHILD | WS_CLIPSIBLINGS;
  switch (control.GetKind()) {
    case Kind::BitBtn:
      cls = L"BUTTON";
      style |= WS_TABSTOP | (control.IsDefault() ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON);
      break;
    case Kind::Label:
      cls = L"STATIC";
      style |= control.WordWrap() ? SS_LEFT : SS_LEFTNOWORDWRAP;
      break;
    case Kind::ComboBox:
      cls = L"COMBOBOX";
      style |= WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST;
      break;
    case Kind::ProgressBar:
      cls = PROGRESS_CLASSW;
      style |= control.Smooth() ? PBS_SMOOTH : 0;
      break;
    case Kind::RadioButton:
      cls = L"BUTTON";
      style |= WS_TABSTOP | BS_RADIOBUTTON;
      break;
    case Kind::Image: cls = kImageClass; break;
    case Kind::Notebook:
    case Kind::DirectoryListBox: return;  // no window of their own
  }
  const Rect bounds = control.PixelBounds();
  HWND hwnd = ::CreateWindowExW(0, cls, L"", style, bounds.left, bounds.top, bounds.width,
                                bounds.height, H(form.peer),
                                reinterpret_cast<HMENU>(static_cast<INT_PTR>(IdOf(form, control))),
                                ::GetModuleHandleW(nullptr), nullptr);
  if (!hwnd) throw CannotCreateWindow(control.Name(), ::GetLastError());
  ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&control));
  control.peer = hwnd;
  ApplyAll(control);
}

void ApplyIcon(Form& form) {
  HWND hwnd = H(form.peer);
  if (!hwnd) return;
  HICON big = nullptr, small = nullptr;
  if (!form.IconFile().empty()) {
    big = static_cast<HICON>(::LoadImageW(nullptr, Wide(form.IconFile()), IMAGE_ICON,
                                          ::GetSystemMetrics(SM_CXICON),
                                          ::GetSystemMetrics(SM_CYICON), LR_LOADFROMFILE));
    small = static_cast<HICON>(::LoadImageW(nullptr, Wide(form.IconFile()), IMAGE_ICON,
                                            ::GetSystemMetrics(SM_CXSMICON),
                                            ::GetSystemMetrics(SM_CYSMICON), LR_LOADFROMFILE));
  } else if (S().app && S().app->MainForm() == &form) {
    big = S().appIconBig;
    small = S().appIconSmall;
  }
  if (big) ::SendMessageW(hwnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big));
  if (small) ::SendMessageW(hwnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small));
  if (!form.IconFile().empty()) {
    auto& held = S().icons[&form];
    if (held.first) ::DestroyIcon(held.first);
    if (held.second) ::DestroyIcon(held.second);
    held = {big, small};
  }
}

void ApplyTransparency(Form& form) {
  HWND hwnd = H(form.peer);
  if (!hwnd || !form.TransparentColor()) return;
  ::SetWindowLongPtrW(hwnd, GWL_EXSTYLE, ::GetWindowLongPtrW(hwnd, GWL_EXSTYLE) | WS_EX_LAYERED);
  ::SetLayeredWindowAttributes(hwnd, Resolve(form.TransparentColorValue()), 0, LWA_COLORKEY);
  ::InvalidateRect(hwnd, nullptr, TRUE);
}

// The window menu's Close item is what the title bar's close box and Alt+F4 go through.
void ApplyCloseBox(Form& form) {
  HWND hwnd = H(form.peer);
  if (!hwnd) return;
  if (HMENU menu = ::GetSystemMenu(hwnd, FALSE))
    ::EnableMenuItem(menu, SC_CLOSE,
                     MF_BYCOMMAND | (form.CloseBoxEnabled() ? MF_ENABLED : MF_GRAYED));
}

DWORD StyleOf(const Form& form) {
  return form.Border() == BorderStyle::None
             ? WS_POPUP | WS_CLIPCHILDREN
             : WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
}

// The outer rectangle of a form: its window at (Left, Top) around the client area.
RECT OuterRect(const Form& form) {
  const FrameInsets frame = FrameOf(form);
  return RECT{form.Left(), form.Top(), form.Left() + frame.left + form.ClientWidth() + frame.right,
              form.Top() + frame.top + form.ClientHeight() + frame.bottom};
}

void PlaceForm(Form& form) {
  const RECT r = OuterRect(form);
  ::MoveWindow(H(form.peer), r.left, r.top, r.right - r.left, r.bottom - r.top, TRUE);
}

LRESULT CALLBACK FormProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto* form = reinterpret_cast<Form*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (!form || !S().app) return ::DefWindowProcW(hwnd, msg, wParam, lParam);
  Application& app = *S().app;
  switch (msg) {
    case WM_COMMAND: {
      Control* control = ControlOf(*form, reinterpret_cast<HWND>(lParam));
      if (!control) break;
      if (HIWORD(wParam) == BN_CLICKED && control->Usable())
        app.Guard([control] { control->Click(); });
      if (HIWORD(wParam) == CBN_SELCHANGE) {
        const int index = static_cast<int>(::SendMessageW(H(control->peer), CB_GETCURSEL, 0, 0));
        app.Guard([control, index] { control->UserSelect(index); });
      }
      return 0;
    }
    case DM_GETDEFID:
      for (const auto& control : form->Controls())
        if (control->IsDefault() && control->Usable())
          return MAKELRESULT(IdOf(*form, *control), DC_HASDEFID);
      return 0;
    case WM_CTLCOLORSTATIC: {
      Control* control = ControlOf(*form, reinterpret_cast<HWND>(lParam));
      HDC dc = reinterpret_cast<HDC>(wParam);
      if (control) ::SetTextColor(dc, Resolve(control->GetFont().color));
      ::SetBkColor(dc, Resolve(form->GetColor()));
      return reinterpret_cast<LRESULT>(::GetSysColorBrush(COLOR_BTNFACE));
    }
    case WM_ERASEBKGND: {
      RECT r;
      ::GetClientRect(hwnd, &r);
      HBRUSH brush = ::CreateSolidBrush(Resolve(form->GetColor()));
      ::FillRect(reinterpret_cast<HDC>(wParam), &r, brush);
      ::DeleteObject(brush);
      return 1;
    }
    case WM_CLOSE: app.Guard([form] { form->Perform(WM_CLOSE, 0, 0); }); return 0;
    case WM_DPICHANGED: {
      // Moved to a monitor of another DPI: scaled again, where Windows suggests.
      const RECT* suggested = reinterpret_cast<const RECT*>(lParam);
      form->ChangeDpi(HIWORD(wParam), suggested->left, suggested->top);
      return 0;
    }
    default:
      if (msg >= WM_USER && msg < 0x8000) {
        LParam result = 0;
        app.Guard([&] { result = form->Perform(msg, wParam, lParam); });
        return result;
      }
      break;
  }
  return ::DefWindowProcW(hwnd, msg, wParam, lParam);
}

LRESULT CALLBACK ImageProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_PAINT) {
    auto* control = reinterpret_cast<Control*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    PAINTSTRUCT ps;
    HDC dc = ::BeginPaint(hwnd, &ps);
    RECT r;
    ::GetClientRect(hwnd, &r);
    if (control) PaintPicture(dc, r, control->GetPicture());
    ::EndPaint(hwnd, &ps);
    return 0;
  }
  if (msg == WM_ERASEBKGND) return 1;
  return ::DefWindowProcW(hwnd, msg, wParam, lParam);
}

void RegisterClasses() {
  static bool done = false;
  if (done) return;
  done = true;
  // Common controls v6 (selected by the manifest) are loaded at run time, not imported.
  if (HMODULE comctl = ::LoadLibraryW(L"comctl32.dll")) {
    using InitFn = BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*);
    auto init = reinterpret_cast<InitFn>(
        reinterpret_cast<void*>(::GetProcAddress(comctl, "InitCommonControlsEx")));
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
    if (init) init(&icc);
  }
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  wc.lpfnWndProc = FormProc;
  wc.hInstance = ::GetModuleHandleW(nullptr);
  wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  wc.lpszClassName = kFormClass;
  ::RegisterClassExW(&wc);
  wc.lpfnWndProc = ImageProc;
  wc.lpszClassName = kImageClass;
  ::RegisterClassExW(&wc);
}

bool Dispatch(MSG& msg) {
  // Dialog keys in the active form: Enter presses its default button, Tab moves the focus.
  HWND active = ::GetActiveWindow();
  if (active && ::IsDialogMessageW(active, &msg)) return true;
  ::TranslateMessage(&msg);
  ::DispatchMessageW(&msg);
  return true;
}

}  // namespace

FrameInsets FrameOf(const Form& form) {
  if (form.Border() == BorderStyle::None) return {};
  // Windows 10 1607 scales the title bar and borders of each monitor's DPI; before, they
  // have the system's size.
  using AdjustForDpiFn = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);
  static const auto adjustForDpi = reinterpret_cast<AdjustForDpiFn>(reinterpret_cast<void*>(
      ::GetProcAddress(::GetModuleHandleW(L"user32.dll"), "AdjustWindowRectExForDpi")));
  RECT r{0, 0, 0, 0};
  if (!adjustForDpi || !adjustForDpi(&r, StyleOf(form), FALSE, 0, static_cast<UINT>(form.Dpi())))
    ::AdjustWindowRectEx(&r, StyleOf(form), FALSE, 0);
  return {-r.left, -r.top, r.right, r.bottom};
}

void ApplicationStarted(Application& app) {
  S().app = &app;
  S().uiThread = ::GetCurrentThreadId();
  RegisterClasses();
}

void ApplicationEnded(Application& app) {
  if (S().app == &app) S().app = nullptr;
  if (S().appIconBig) ::DestroyIcon(S().appIconBig);
  if (S().appIconSmall) ::DestroyIcon(S().appIconSmall);
  S().appIconBig = S().appIconSmall = nullptr;
}

void EnsureWindow(Form& form) {
  if (form.peer) return;
  Application& app = form.App();
  const bool isMain = app.MainForm() == &form;
  HWND owner = nullptr;
  if (!isMain && app.MainForm()) {
    EnsureWindow(*app.MainForm());
    owner = H(app.MainForm()->peer);
  }
  const DWORD style = StyleOf(form);
  const DWORD ex = (isMain && app.MainFormOnTaskBar()) ? WS_EX_APPWINDOW : 0;
  const RECT r = OuterRect(form);
  HWND hwnd = ::CreateWindowExW(ex, kFormClass, Wide(form.Caption()), style, r.left, r.top,
                                r.right - r.left, r.bottom - r.top, owner, nullptr,
                                ::GetModuleHandleW(nullptr), nullptr);
  if (!hwnd) {
    const DWORD error = ::GetLastError();
    // A main form without a window leaves nothing to close: the program ends after the report.
    if (isMain) ::PostQuitMessage(0);
    throw CannotCreateWindow(form.Name(), error);
  }
  ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&form));
  form.peer = hwnd;
  for (const auto& control : form.Controls()) CreateControl(form, *control);
  ApplyIcon(form);
  ApplyTransparency(form);
  ApplyCloseBox(form);
}

void DestroyWindow(Form& form) {
  for (const auto& control : form.Controls()) {
    auto it = S().fonts.find(control.get());
    if (it != S().fonts.end()) {
      if (it->second) ::DeleteObject(it->second);
      S().fonts.erase(it);
    }
    control->peer = nullptr;
  }
  if (form.peer) {
    ::SetWindowLongPtrW(H(form.peer), GWLP_USERDATA, 0);
    ::DestroyWindow(H(form.peer));
    form.peer = nullptr;
  }
  auto icons = S().icons.find(&form);
  if (icons != S().icons.end()) {
    if (icons->second.first) ::DestroyIcon(icons->second.first);
    if (icons->second.second) ::DestroyIcon(icons->second.second);
    S().icons.erase(icons);
  }
}

void FormChanged(Form& form, Change what) {
  if (what == Change::Visible) {
    if (form.Visible()) {
      EnsureWindow(form);
      ::ShowWindow(H(form.peer), SW_SHOW);
      ::UpdateWindow(H(form.peer));
      if (form.Focused() && form.Focused()->peer) ::SetFocus(H(form.Focused()->peer));
      // A main form shown after its owned forms would cover them: they come back to the
      // front, and the last of them gets the keyboard.
      if (form.App().MainForm() == &form) {
        for (Form* other : form.App().Forms()) {
          if (other == &form || !other->Visible() || !other->peer) continue;
          ::SetWindowPos(H(other->peer), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
          ::SetForegroundWindow(H(other->peer));
          ::SetActiveWindow(H(other->peer));
          if (other->Focused() && other->Focused()->peer) ::SetFocus(H(other->Focused()->peer));
        }
      }
    } else if (form.peer) {
      ::ShowWindow(H(form.peer), SW_HIDE);
    }
    return;
  }
  HWND hwnd = H(form.peer);
  if (!hwnd) return;
  switch (what) {
    case Change::Caption: ::SetWindowTextW(hwnd, Wide(form.Caption())); break;
    case Change::Bounds: PlaceForm(form); break;
    case Change::Dpi:
      PlaceForm(form);
      for (const auto& control : form.Controls()) {
        PlaceControl(*control);
        ApplyFont(*control);
      }
      break;
    case Change::Picture:
      ApplyIcon(form);
      ApplyTransparency(form);
      break;
    case Change::CloseBox: ApplyCloseBox(form); break;
    default: break;
  }
}

void ControlChanged(Control& control, Change what) {
  if (what == Change::Page) {
    for (const auto& other : control.Owner().Controls())
      if (other->peer)
        ::ShowWindow(H(other->peer), EffectivelyVisible(*other) ? SW_SHOWNA : SW_HIDE);
    return;
  }
  HWND hwnd = H(control.peer);
  if (!hwnd) return;
  switch (what) {
    case Change::Caption: ::SetWindowTextW(hwnd, Wide(control.Caption())); break;
    case Change::Visible:
      ::ShowWindow(hwnd, EffectivelyVisible(control) ? SW_SHOWNA : SW_HIDE);
      break;
    case Change::Enabled: ::EnableWindow(hwnd, control.Enabled()); break;
    case Change::Bounds: PlaceControl(control); break;
    case Change::Font: ApplyFont(control); break;
    case Change::Items: ApplyItems(control); break;
    case Change::ItemIndex:
      ::SendMessageW(hwnd, CB_SETCURSEL, static_cast<WPARAM>(control.ItemIndex()), 0);
      break;
    case Change::Checked:
      ::SendMessageW(hwnd, BM_SETCHECK, control.Checked() ? BST_CHECKED : BST_UNCHECKED, 0);
      break;
    case Change::Position:
      ::SendMessageW(hwnd, PBM_SETRANGE32, static_cast<WPARAM>(control.Min()), control.Max());
      ::SendMessageW(hwnd, PBM_SETPOS, static_cast<WPARAM>(control.Position()), 0);
      break;
    case Change::Picture: ::InvalidateRect(hwnd, nullptr, FALSE); break;
    case Change::Focus: ::SetFocus(hwnd); break;
    default: break;
  }
}

void PostFormMessage(Form& form, os::UINT msg, WParam wParam, LParam lParam) {
  // Only the user-interface thread may create the window; the worker posts to a shown form.
  if (!form.peer && ::GetCurrentThreadId() == S().uiThread) EnsureWindow(form);
  if (msg == WM_QUIT && !form.peer) {
    ::PostQuitMessage(static_cast<int>(wParam));
    return;
  }
  ::PostMessageW(H(form.peer), msg, wParam, lParam);
}

void PostQuit() { ::PostQuitMessage(0); }

void RunLoop(Application&) {
  MSG msg;
  while (::GetMessageW(&msg, nullptr, 0, 0) > 0) Dispatch(msg);
}

void ProcessPending(Application&) {
  MSG msg;
  while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      ::PostQuitMessage(static_cast<int>(msg.wParam));  // for the loop around us
      return;
    }
    Dispatch(msg);
  }
}

int ShowMessageBox(Application& app, Form* owner, const std::u16string& text,
                   const std::u16string& caption, os::UINT flags) {
  HWND hwnd = nullptr;
  if (owner) hwnd = H(owner->peer);
  else if (app.MainForm() && app.MainForm()->Visible()) hwnd = H(app.MainForm()->peer);
  return ::MessageBoxW(hwnd, Wide(text), Wide(caption), flags);
}

Picture LoadPicture(const std::u16string& path) {
  Picture picture;
  ReadPictureHeader(path, &picture);  // the same checks and errors as the sim
  picture.data = DecodePicture(path);
  return picture;
}

void CheckIconFile(const std::u16string& path) {
  CheckIconHeader(path);
  HICON icon = static_cast<HICON>(
      ::LoadImageW(nullptr, Wide(path), IMAGE_ICON, 0, 0, LR_LOADFROMFILE | LR_DEFAULTSIZE));
  if (!icon) throw EInvalidGraphic(u"The file \"" + path + u"\" is not a valid icon.");
  ::DestroyIcon(icon);
}

void SetApplicationIcon(Application& app, const std::u16string& path) {
  if (S().appIconBig) ::DestroyIcon(S().appIconBig);
  if (S().appIconSmall) ::DestroyIcon(S().appIconSmall);
  S().appIconBig = static_cast<HICON>(::LoadImageW(nullptr, Wide(path), IMAGE_ICON,
                                                   ::GetSystemMetrics(SM_CXICON),
                                                   ::GetSystemMetrics(SM_CYICON), LR_LOADFROMFILE));
  S().appIconSmall = static_cast<HICON>(
      ::LoadImageW(nullptr, Wide(path), IMAGE_ICON, ::GetSystemMetrics(SM_CXSMICON),
                   ::GetSystemMetrics(SM_CYSMICON), LR_LOADFROMFILE));
  if (app.MainForm()) ApplyIcon(*app.MainForm());
}

}  // namespace ui::backend
