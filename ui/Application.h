// The application object: its forms, the message loop and the standard error display.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/os_types.h"
#include "ui/Exception.h"
#include "ui/Form.h"

namespace ui {

class Application {
 public:
  Application();
  ~Application();  // destroys the forms, last created first
  Application(const Application&) = delete;
  Application& operator=(const Application&) = delete;

  // The application of this process (set while one exists).
  static Application* Current();

  void Initialize();
  bool MainFormOnTaskBar() const { return mainFormOnTaskBar_; }
  void SetMainFormOnTaskBar(bool on) { mainFormOnTaskBar_ = on; }
  bool ShowMainForm() const { return showMainForm_; }
  void SetShowMainForm(bool show) { showMainForm_ = show; }
  const std::u16string& Title() const { return title_; }
  void SetTitle(const std::u16string& title) { title_ = title; }
  // The application's icon (taskbar); throws EInOutError or EInvalidGraphic.
  void LoadIconFromFile(const std::u16string& path);
  const std::u16string& IconFile() const { return iconFile_; }

  // Creates a form; the first one created becomes the main form. The application owns it.
  template <typename T, typename... Args>
  T* CreateForm(Args&&... args) {
    auto form = std::make_unique<T>(*this, std::forward<Args>(args)...);
    T* raw = form.get();
    Adopt(std::unique_ptr<void, void (*)(void*)>(form.release(),
                                                 [](void* p) { delete static_cast<T*>(p); }),
          raw->Window());
    return raw;
  }
  Form* MainForm() const { return mainForm_; }
  // Every form, in creation order; nullptr when there is none of that name.
  const std::vector<Form*>& Forms() const { return forms_; }
  Form* FindForm(const std::u16string& name) const;

  // Shows the main form (when ShowMainForm) and dispatches messages until Terminate.
  void Run();
  // Ends the message loop: posts a quit request, or, before the loop runs, has it posted
  // when the loop starts (a quit request already queued would close the next message box).
  void Terminate();
  bool Terminated() const { return terminated_; }
  // Dispatches the messages already waiting, then returns.
  void ProcessMessages();

  // The standard error display: a message box with the error's message.
  void ShowException(const Exception& error);
  // Runs `action`, showing any error that escapes it; what handlers run under.
  void Guard(const std::function<void()>& action);
  // A message box owned by `owner` (nullptr: by the application). Thread-safe.
  int ShowMessageBox(Form* owner, const std::u16string& text, const std::u16string& caption,
                     os::UINT flags);

 private:
  void Adopt(std::unique_ptr<void, void (*)(void*)> object, Form& window);

  bool mainFormOnTaskBar_ = false;
  bool showMainForm_ = true;
  bool terminated_ = false;
  bool loopRunning_ = false;
  std::u16string title_;
  std::u16string iconFile_;
  Form* mainForm_ = nullptr;
  std::vector<Form*> forms_;
  std::vector<std::unique_ptr<void, void (*)(void*)>> owned_;
};

}  // namespace ui
