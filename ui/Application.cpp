#include "ui/Application.h"

#include "platform/os_system.h"
#include "platform/os_ui.h"
#include "ui/Backend.h"

namespace ui {

namespace {
Application* current = nullptr;
}

Application::Application() {
  current = this;
  backend::ApplicationStarted(*this);
}

Application::~Application() {
  mainForm_ = nullptr;
  forms_.clear();
  while (!owned_.empty()) owned_.pop_back();
  backend::ApplicationEnded(*this);
  if (current == this) current = nullptr;
}

Application* Application::Current() { return current; }

void Application::Initialize() {}

void Application::LoadIconFromFile(const std::u16string& path) {
  backend::CheckIconFile(path);
  iconFile_ = path;
  backend::SetApplicationIcon(*this, path);
}

void Application::Adopt(std::unique_ptr<void, void (*)(void*)> object, Form& window) {
  owned_.push_back(std::move(object));
  forms_.push_back(&window);
  if (!mainForm_) mainForm_ = &window;
}

Form* Application::FindForm(const std::u16string& name) const {
  for (Form* form : forms_)
    if (form->Name() == name) return form;
  return nullptr;
}

void Application::Run() {
  loopRunning_ = true;
  if (terminated_) {
    backend::PostQuit();
  } else if (showMainForm_ && mainForm_) {
    Guard([this] { mainForm_->Show(); });
  }
  backend::RunLoop(*this);
  loopRunning_ = false;
}

void Application::Terminate() {
  if (terminated_) return;
  terminated_ = true;
  // A message box's own loop ends at a queued quit request: one posted before the loop runs
  // would close the boxes start-up may still show (an error of a form's construction).
  if (loopRunning_) backend::PostQuit();
}

void Application::ProcessMessages() { backend::ProcessPending(*this); }

void Application::ShowException(const Exception& error) {
  // Before a title is set the program's file name stands for it, as in the taskbar.
  std::u16string caption = title_;
  if (caption.empty()) {
    caption = os::GetModuleFileNameW();
    caption = caption.substr(caption.find_last_of(u"\\/") + 1);
    const std::size_t dot = caption.rfind(u'.');
    if (dot != std::u16string::npos && dot > 0) caption.resize(dot);
  }
  ShowMessageBox(nullptr, error.Message(), caption, MB_OK | MB_ICONERROR);
}

void Application::Guard(const std::function<void()>& action) {
  try {
    action();
  } catch (const Exception& error) {
    ShowException(error);
  } catch (...) {
    ShowException(Exception(u""));
  }
}

int Application::ShowMessageBox(Form* owner, const std::u16string& text,
                                const std::u16string& caption, os::UINT flags) {
  return backend::ShowMessageBox(*this, owner, text, caption, flags);
}

}  // namespace ui
