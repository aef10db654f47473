// Simulated machine: the windowing framework without windows. State lives in the portable
// objects; this backend only queues posted messages and hands idle turns to the person.
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

#include "platform/os_ui.h"
#include "platform/sim/sim_threads.h"
#include "platform/sim/sim_ui.h"
#include "ui/Backend.h"
#include "ui/PictureFile.h"
#include "ui/sim/sim_ui_hooks.h"

namespace ui::sim {

namespace {

struct Posted {
  Form* form;
  os::UINT msg;
  WParam wParam;
  LParam lParam;
};

struct Queue {
  std::mutex mutex;
  std::condition_variable posted;
  std::deque<Posted> messages;
  bool quit = false;
  std::thread::id uiThread;
  Hooks hooks;
};

Queue& Q() {
  static Queue queue;
  return queue;
}

Hooks CurrentHooks() {
  std::lock_guard<std::mutex> lock(Q().mutex);
  return Q().hooks;
}

// Takes the next message; false at the quit request. Blocks while a worker runs; gives the
// person a turn when nothing else happens, and reports `leave` when the person is done.
bool NextMessage(Application& app, Posted* out, bool blocking, bool* leave) {
  std::unique_lock<std::mutex> lock(Q().mutex);
  for (;;) {
    if (!Q().messages.empty()) {
      *out = Q().messages.front();
      Q().messages.pop_front();
      if (out->msg != WM_QUIT) return true;
      // Outside the loop's own wait the request must stay for the loop around us.
      if (!blocking) Q().quit = true;
      return false;
    }
    if (Q().quit) {
      if (blocking) Q().quit = false;
      return false;
    }
    if (!blocking) return false;
    if (::sim::RunningThreads() > 0) {
      Q().posted.wait_for(lock, std::chrono::milliseconds(2));
      continue;
    }
    auto idle = Q().hooks.idle;
    lock.unlock();
    const bool stay = idle && idle(app);
    lock.lock();
    if (!stay) {
      *leave = true;
      return false;
    }
  }
}

// A quit request waits for the user-interface thread (posted, or queued as a message).
bool QuitPending() {
  std::lock_guard<std::mutex> lock(Q().mutex);
  if (std::this_thread::get_id() != Q().uiThread) return false;
  if (Q().quit) return true;
  for (const Posted& message : Q().messages)
    if (message.msg == WM_QUIT) return true;
  return false;
}

}  // namespace

void SetHooks(Hooks hooks) {
  std::lock_guard<std::mutex> lock(Q().mutex);
  Q().hooks = std::move(hooks);
}

void ClearHooks() { SetHooks(Hooks()); }

}  // namespace ui::sim

namespace ui::backend {

using ui::sim::Q;

void ApplicationStarted(Application&) {
  std::lock_guard<std::mutex> lock(Q().mutex);
  Q().messages.clear();
  Q().quit = false;
  Q().uiThread = std::this_thread::get_id();
}

void ApplicationEnded(Application&) {
  // A worker still running would outlive the machine it works on.
  ::sim::WaitForThreads();
  std::lock_guard<std::mutex> lock(Q().mutex);
  Q().messages.clear();
  Q().quit = false;
}

FrameInsets FrameOf(const Form& form) {
  // Windows 10's fixed single border with a caption, at 96 DPI (see MACHINE.md).
  if (form.Border() == BorderStyle::None) return {};
  return {form.Scale(3), form.Scale(26), form.Scale(3), form.Scale(3)};
}

void EnsureWindow(Form&) {}

void DestroyWindow(Form& form) {
  std::lock_guard<std::mutex> lock(Q().mutex);
  for (auto it = Q().messages.begin(); it != Q().messages.end();)
    it = it->form == &form ? Q().messages.erase(it) : it + 1;
}

void FormChanged(Form& form, Change what) {
  auto hooks = ui::sim::CurrentHooks();
  if (hooks.formChanged) hooks.formChanged(form, what);
}

void ControlChanged(Control& control, Change what) {
  auto hooks = ui::sim::CurrentHooks();
  if (hooks.controlChanged) hooks.controlChanged(control, what);
}

void PostFormMessage(Form& form, os::UINT msg, WParam wParam, LParam lParam) {
  std::lock_guard<std::mutex> lock(Q().mutex);
  Q().messages.push_back({&form, msg, wParam, lParam});
  Q().posted.notify_all();
}

void PostQuit() {
  std::lock_guard<std::mutex> lock(Q().mutex);
  Q().quit = true;
  Q().posted.notify_all();
}

void RunLoop(Application& app) {
  for (;;) {
    ui::sim::Posted message{};
    bool leave = false;
    if (!ui::sim::NextMessage(app, &message, true, &leave)) break;
    app.Guard([&] { message.form->Perform(message.msg, message.wParam, message.lParam); });
  }
  ::sim::WaitForThreads();
  auto hooks = ui::sim::CurrentHooks();
  if (hooks.loopEnded) hooks.loopEnded(app);
}

void ProcessPending(Application& app) {
  for (;;) {
    ui::sim::Posted message{};
    bool leave = false;
    if (!ui::sim::NextMessage(app, &message, false, &leave)) return;
    app.Guard([&] { message.form->Perform(message.msg, message.wParam, message.lParam); });
  }
}

int ShowMessageBox(Application&, Form*, const std::u16string& text, const std::u16string& caption,
                   os::UINT flags) {
  // The box's own message loop takes a waiting quit request, ends the box and posts the
  // request again for the loop around it, so the box closes before it can be read.
  if (ui::sim::QuitPending()) return ::sim::MessageBoxClosedByQuit(text, caption, flags);
  return ::sim::ShowMessageBox(text, caption, flags);
}

Picture LoadPicture(const std::u16string& path) {
  Picture picture;
  ReadPictureHeader(path, &picture);
  return picture;
}

void CheckIconFile(const std::u16string& path) { CheckIconHeader(path); }

void SetApplicationIcon(Application&, const std::u16string&) {}

}  // namespace ui::backend
