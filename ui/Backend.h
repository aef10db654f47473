// What the framework asks of its backend: ui/sim keeps the state headless for the simulated
// person, ui/win32 mirrors it in real windows. Chosen at link time.
#pragma once

#include <string>

#include "ui/Control.h"
#include "ui/Form.h"

namespace ui::backend {

void ApplicationStarted(Application& app);
void ApplicationEnded(Application& app);

// The extra pixels of a form's title bar and borders around its client area, at its DPI.
struct FrameInsets {
  int left = 0, top = 0, right = 0, bottom = 0;
};
FrameInsets FrameOf(const Form& form);

// A form's window and its controls' windows; created when first needed.
void EnsureWindow(Form& form);
void DestroyWindow(Form& form);
void FormChanged(Form& form, Change what);
void ControlChanged(Control& control, Change what);

// Thread-safe posting to a form's window, and the quit request.
void PostFormMessage(Form& form, os::UINT msg, WParam wParam, LParam lParam);
void PostQuit();
// Dispatches messages until the quit request (blocking when none are waiting).
void RunLoop(Application& app);
// Dispatches what is waiting now.
void ProcessPending(Application& app);

int ShowMessageBox(Application& app, Form* owner, const std::u16string& text,
                   const std::u16string& caption, os::UINT flags);

// Picture and icon files; both throw EInOutError or EInvalidGraphic.
Picture LoadPicture(const std::u16string& path);
void CheckIconFile(const std::u16string& path);
void SetApplicationIcon(Application& app, const std::u16string& path);

}  // namespace ui::backend
