// Start-up of the setup: the log, then the wizard (the path-length guard, the two forms and the
// message loop) or the unattended install.
#include "app/SetupMain.h"

#include <string>

#include "app/SetupArguments.h"
#include "app/SetupLogHeader.h"
#include "app/UBackgroundForm.h"
#include "app/UMainForm.h"
#include "app/Unattended.h"
#include "platform/SetupLog.h"
#include "platform/os_system.h"
#include "platform/os_ui.h"
#include "platform/text.h"
#include "ui/Application.h"

namespace {

void Start(ui::Application& app) {
  if (os::GetModuleFileNameW().size() > kMaxSetupPathLength) {
    app.ShowMessageBox(nullptr, u"TLPD - Too Long Path Detector", u"ERROR", MB_OK | MB_ICONERROR);
    app.SetShowMainForm(false);
    app.Terminate();
  }
  app.Initialize();
  app.SetMainFormOnTaskBar(true);
  BackgroundForm = app.CreateForm<TBackgroundForm>();
  MainForm = app.CreateForm<TMainForm>();
  app.Run();
}

int RunWizard() {
  {
    ui::Application app;
    try {
      Start(app);
    } catch (const ui::Exception& error) {
      app.ShowException(error);
    } catch (...) {
      app.ShowException(ui::Exception(u""));
    }
    MainForm = nullptr;
    BackgroundForm = nullptr;
  }
  return 0;
}

}  // namespace

int SetupMain(const std::vector<std::u16string>& args) {
  const SetupOptions options = ParseSetupArguments(args);
  // Without a log the setup runs all the same.
  setup_log::Open(options.logFile.empty() ? setup_log::DefaultPath() : options.logFile);
  WriteLogHeader(args);
  const std::uint32_t code = options.unattended ? RunUnattended(options) : RunWizard();
  setup_log::Append(text::Format(64, u"Setup ended with exit code %u (0x%08X)\n", code, code));
  setup_log::Close();
  return static_cast<int>(code);
}
