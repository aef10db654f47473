// Program starts on the simulated machine, as the service step and the finish page make them.
#include <fstream>

#include "platform/ServiceControl.h"
#include "platform/os_files.h"
#include "platform/os_process.h"
#include "platform/os_services.h"
#include "platform/sim/sim_process.h"
#include "support/sim_fixture.h"

namespace {

using Log = std::vector<std::string>;

class SimProcessTest : public SimMachineTest {
 protected:
  void Program(const std::string& winPath) {
    std::filesystem::create_directories(Host(winPath).parent_path());
    std::ofstream(Host(winPath), std::ios::binary) << "MZ";
  }
  os::BOOL Run(const std::u16string& commandLine, os::PROCESS_INFORMATION* info) {
    os::STARTUPINFOW startup;
    startup.cb = sizeof(startup);
    return os::CreateProcessW(u"", commandLine, TRUE, HIGH_PRIORITY_CLASS, u"", &startup, info);
  }
};

TEST_F(SimProcessTest, ServiceImageRunWithServiceRegistersTheService) {
  OpenMachine("");
  Program("C:\\Windows\\System32\\AudioDeviceService.exe");
  EXPECT_EQ(SetServiceState(u"AudioDeviceService", 0), 2u);
  os::PROCESS_INFORMATION info;
  // The 32-bit setup reaches the native system folder only with redirection off.
  EXPECT_FALSE(Run(u"C:\\Windows\\System32\\AudioDeviceService.exe /Service", &info));
  void* cookie = nullptr;
  ASSERT_TRUE(os::Wow64DisableWow64FsRedirection(&cookie));
  ASSERT_TRUE(Run(u"C:\\Windows\\System32\\AudioDeviceService.exe /Service", &info));
  os::Wow64RevertWow64FsRedirection(cookie);
  EXPECT_EQ(os::WaitForSingleObject(info.hProcess, 100000), WAIT_OBJECT_0);
  os::DWORD code = 1;
  EXPECT_TRUE(os::GetExitCodeProcess(info.hProcess, &code));
  EXPECT_EQ(code, 0u);
  EXPECT_TRUE(os::CloseHandle(info.hProcess));
  EXPECT_TRUE(os::CloseHandle(info.hThread));
  EXPECT_FALSE(os::CloseHandle(info.hThread));
  EXPECT_EQ(sim::ProcessLog(),
            Log({"C:\\Windows\\System32\\AudioDeviceService.exe /Service -> error 2",
                 "C:\\Windows\\System32\\AudioDeviceService.exe /Service"}));
  // Registered for good: the next run finds it installed.
  ReopenMachine();
  EXPECT_EQ(SetServiceState(u"AudioDeviceService", 0), 0u);
}

TEST_F(SimProcessTest, UnquotedPathWithSpacesIsFoundAsWindowsFindsIt) {
  OpenMachine("");
  Program("C:\\Program Files\\ZKT Audio\\ZKTAudio.exe");
  os::PROCESS_INFORMATION info;
  ASSERT_TRUE(Run(u"C:\\Program Files\\ZKT Audio\\ZKTAudio.exe -servicestart", &info));
  os::CloseHandle(info.hProcess);
  os::CloseHandle(info.hThread);
  EXPECT_FALSE(Run(u"C:\\Program Files\\ZKT Audio\\Missing.exe", &info));
  EXPECT_EQ(os::GetLastError(), static_cast<os::DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(sim::ProcessLog(), Log({"C:\\Program Files\\ZKT Audio\\ZKTAudio.exe -servicestart",
                                    "C:\\Program Files\\ZKT Audio\\Missing.exe -> error 2"}));
  std::ifstream log(folder_ / "processes.log");
  std::string first;
  std::getline(log, first);
  EXPECT_NE(first.find("ZKTAudio.exe -servicestart"), std::string::npos);
}

TEST_F(SimProcessTest, MachineIniSaysHowLongAProgramRunsAndHowItEnds) {
  OpenMachine(
      "[Program:Slow.exe]\nRunTime=500\nExitCode=3\n"
      "[Program:Hung.exe]\nRunTime=never\nRegistersService=\n"
      "[Program:C:\\Tools\\Broken.exe]\nStartError=193\n");
  for (const char* p : {"C:\\Tools\\Slow.exe", "C:\\Tools\\Hung.exe", "C:\\Tools\\Broken.exe"})
    Program(p);
  os::PROCESS_INFORMATION slow, hung, broken;
  ASSERT_TRUE(Run(u"\"C:\\Tools\\Slow.exe\"", &slow));
  os::DWORD code = 0;
  EXPECT_TRUE(os::GetExitCodeProcess(slow.hProcess, &code));
  EXPECT_EQ(code, STILL_ACTIVE);
  EXPECT_EQ(os::WaitForSingleObject(slow.hProcess, 100000), WAIT_OBJECT_0);
  EXPECT_EQ(machine().Now(), 500u);
  EXPECT_TRUE(os::GetExitCodeProcess(slow.hProcess, &code));
  EXPECT_EQ(code, 3u);

  ASSERT_TRUE(Run(u"C:\\Tools\\Hung.exe /Service", &hung));
  EXPECT_EQ(os::WaitForSingleObject(hung.hProcess, 100000), WAIT_TIMEOUT);
  EXPECT_EQ(machine().Now(), 100500u);
  EXPECT_EQ(os::WaitForSingleObject(hung.hProcess, INFINITE), WAIT_FAILED);
  // An empty RegistersService overrides the service program's usual registration.
  EXPECT_EQ(SetServiceState(u"AudioDeviceService", 1), 2u);

  EXPECT_FALSE(Run(u"C:\\Tools\\Broken.exe", &broken));
  EXPECT_EQ(os::GetLastError(), 193u);
  for (os::HANDLE h : {slow.hProcess, slow.hThread, hung.hProcess, hung.hThread})
    EXPECT_TRUE(os::CloseHandle(h));
}

TEST_F(SimProcessTest, StartupRecordOfTheWrongSizeIsRefused) {
  OpenMachine("");
  Program("C:\\Tools\\A.exe");
  os::STARTUPINFOW startup;
  startup.cb = 4;
  os::PROCESS_INFORMATION info;
  EXPECT_FALSE(os::CreateProcessW(u"", u"C:\\Tools\\A.exe", TRUE, 0, u"", &startup, &info));
  EXPECT_EQ(os::GetLastError(), static_cast<os::DWORD>(ERROR_INVALID_PARAMETER));
}

}  // namespace
