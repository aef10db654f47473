// Start-up of the setup: the path-length guard, the two forms and the message loop.
#include "app/SetupMain.h"

#include <string>

#include "app/UBackgroundForm.h"
#include "app/UMainForm.h"
#include "platform/os_system.h"
#include "platform/os_ui.h"
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

}  // namespace

int SetupMain() {
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
