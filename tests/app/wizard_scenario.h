// Scenario tests of the whole setup on the simulated machine: the sample setup folder is put
// beside the program, SetupMain runs with a simulated person, and the test reads what the
// person saw and what the machine kept.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/SetupMain.h"
#include "app/UBackgroundForm.h"
#include "app/UMainForm.h"
#include "platform/sim/sim_threads.h"
#include "platform/sim/sim_session.h"
#include "platform/sim/sim_ui.h"
#include "tests/support/sim_fixture.h"
#include "ui/sim/sim_person.h"

// The application and both forms, created as start-up creates them, for tests that drive the
// forms directly; at the end the worker is waited for and everything destroyed.
struct WizardForms {
  WizardForms() : app(std::make_unique<ui::Application>()) {
    BackgroundForm = app->CreateForm<TBackgroundForm>();
    MainForm = app->CreateForm<TMainForm>();
  }
  ~WizardForms() {
    ::sim::WaitForThreads();
    app.reset();
    MainForm = nullptr;
    BackgroundForm = nullptr;
  }
  WizardForms(const WizardForms&) = delete;
  WizardForms& operator=(const WizardForms&) = delete;
  std::unique_ptr<ui::Application> app;
};

class WizardScenario : public SimMachineTest {
 protected:
  static constexpr const char* kSetupFolder = "C:\\Users\\User\\Downloads\\ZKTAudioSetup\\";

  void SetUp() override {
    SimMachineTest::SetUp();
    ::sim::ClearMessageBoxes();
    ::sim::ClearSession();
    CopySample();
  }
  void CopySample() {
    std::filesystem::remove_all(SetupHost(""));
    std::filesystem::create_directories(SetupHost(""));
    std::filesystem::copy(std::filesystem::path(ZKT_SOURCE_DIR) / "sample", SetupHost(""),
                          std::filesystem::copy_options::recursive);
  }
  void TearDown() override {
    ::sim::ClearMessageBoxes();
    ::sim::ClearSession();
    SimMachineTest::TearDown();
  }

  std::filesystem::path SetupHost(const std::string& relative) const {
    std::string win = std::string(kSetupFolder) + relative;
    return Host(win);
  }
  // Replaces one line "key=..." of the sample AudioConfig.cfg (or appends to the section).
  void SetConfig(const std::string& section, const std::string& key, const std::string& value) {
    const auto path = SetupHost("AudioConfig.cfg");
    std::ifstream in(path, std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    in.close();
    const std::string header = "[" + section + "]";
    std::size_t at = text.find(header);
    if (at == std::string::npos) {
      text += "\n" + header + "\n" + key + "=" + value + "\n";
    } else {
      const std::size_t end = text.find("\n[", at + 1);
      const std::size_t keyAt = text.find("\n" + key + "=", at);
      if (keyAt != std::string::npos && (end == std::string::npos || keyAt < end)) {
        const std::size_t lineEnd = text.find('\n', keyAt + 1);
        text.replace(keyAt + 1, lineEnd - keyAt - 1, key + "=" + value);
      } else {
        text.insert(at + header.size(), "\n" + key + "=" + value);
      }
    }
    std::ofstream(path, std::ios::binary) << text;
  }
  void RemoveSection(const std::string& section) {
    const auto path = SetupHost("AudioConfig.cfg");
    std::ifstream in(path, std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    in.close();
    const std::size_t at = text.find("[" + section + "]");
    ASSERT_NE(at, std::string::npos);
    const std::size_t end = text.find("\n[", at);
    text.erase(at, end == std::string::npos ? std::string::npos : end + 1 - at);
    std::ofstream(path, std::ios::binary) << text;
  }
  // Writes a Language.ini (ASCII) below the setup folder's Language folder.
  void WriteLanguage(const std::string& folder, const std::vector<std::string>& lines) {
    const auto dir = SetupHost("Language\\" + folder);
    std::filesystem::create_directories(dir);
    std::ofstream out(dir / "Language.ini", std::ios::binary);
    out << "[Setup]\r\n";
    for (const auto& line : lines) out << line << "\r\n";
  }

  // Runs the setup once with the given person; the result is the person's record.
  std::unique_ptr<ui::sim::Person> Run(const std::string& actions) {
    std::vector<ui::sim::Action> list;
    std::string error;
    if (actions.empty()) {
      list = ui::sim::DefaultActions();
    } else {
      EXPECT_TRUE(ui::sim::ParseActions(actions, &list, &error)) << error;
    }
    auto person = std::make_unique<ui::sim::Person>(list);
    person->Attach();
    EXPECT_EQ(SetupMain(), 0);
    person->Detach();
    return person;
  }

  std::vector<::sim::MessageBoxRecord> Boxes() const { return ::sim::MessageBoxes(); }
  static bool Has(const ui::sim::Person& p, const std::string& line) {
    for (const auto& l : p.Transcript())
      if (l == line) return true;
    return false;
  }
};
