// A fresh simulated machine per test, in a scratch folder under the system temp folder.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "platform/sim/sim_machine.h"
#include "platform/sim/sim_ui.h"
#include "platform/text.h"

class SimMachineTest : public ::testing::Test {
 protected:
  // Override to describe the machine; empty means the defaults (Windows 10 x64).
  virtual std::string MachineIni() const { return ""; }

  void SetUp() override { OpenMachine(MachineIni()); }

  void TearDown() override {
    sim::Machine::Current().Reset();
    std::error_code ec;
    std::filesystem::remove_all(folder_, ec);
  }

  // (Re)opens a fresh machine with the given machine.ini text ("" keeps the defaults).
  void OpenMachine(const std::string& ini) {
    std::error_code ec;
    if (!folder_.empty()) std::filesystem::remove_all(folder_, ec);
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = std::string(info->test_suite_name()) + "." + info->name();
    for (auto& c : name)
      if (c == '/') c = '_';
    folder_ = std::filesystem::temp_directory_path() / "zkt-tests" / name;
    std::filesystem::remove_all(folder_, ec);
    std::filesystem::create_directories(folder_);
    if (!ini.empty()) std::ofstream(folder_ / "machine.ini", std::ios::binary) << ini;
    std::string error;
    ASSERT_TRUE(sim::Machine::Current().Open(folder_, &error)) << error;
  }

  // Reopens the same machine folder, as the next run of a program would.
  void ReopenMachine() {
    std::string error;
    ASSERT_TRUE(sim::Machine::Current().Save(&error)) << error;
    ASSERT_TRUE(sim::Machine::Current().Open(folder_, &error)) << error;
  }

  sim::Machine& machine() { return sim::Machine::Current(); }
  // Host path of a Windows path on drive C: ("C:\\x\\y" -> <folder>/C/x/y), exact case.
  std::filesystem::path Host(const std::string& winPath) const {
    std::string rel = winPath.substr(3);
    for (auto& c : rel)
      if (c == '\\') c = '/';
    return folder_ / "C" / rel;
  }
  std::string DebugText() const { return text::ToUtf8(sim::Machine::Current().DebugOutput()); }

  // Writes or reads a file on drive C: straight on the host, past the simulated calls.
  void WriteFile(const std::string& winPath, const std::string& content) const {
    std::filesystem::create_directories(Host(winPath).parent_path());
    std::ofstream(Host(winPath), std::ios::binary) << content;
  }
  std::string ReadFile(const std::string& winPath) const {
    std::ifstream in(Host(winPath), std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  }

  std::filesystem::path folder_;
};

// A fresh machine whose record of message boxes starts empty and is emptied again afterwards.
class SimMachineWithBoxesTest : public SimMachineTest {
 protected:
  void SetUp() override {
    SimMachineTest::SetUp();
    sim::ClearMessageBoxes();
  }
  void TearDown() override {
    sim::ClearMessageBoxes();
    SimMachineTest::TearDown();
  }
};
