// What waits for the next start of Windows on the simulated machine: renames and deletions
// recorded by MoveFileExW with MOVEFILE_DELAY_UNTIL_REBOOT, and service keys written alone.
#include "platform/sim/sim_pending_renames.h"

#include <gtest/gtest.h>

#include <fstream>

#include "platform/ServiceControl.h"
#include "platform/os_files.h"
#include "platform/os_registry.h"
#include "platform/os_services.h"
#include "platform/sim/sim_services.h"
#include "support/sim_fixture.h"

namespace {

class SimRestartTest : public SimMachineTest {
 protected:
  void Write(const std::string& winPath, const std::string& content) {
    std::filesystem::create_directories(Host(winPath).parent_path());
    std::ofstream(Host(winPath), std::ios::binary) << content;
  }
  std::string Read(const std::string& winPath) {
    std::ifstream in(Host(winPath), std::ios::binary);
    if (!in) return "(missing)";
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  static bool PendingValueExists() {
    os::HKEY key = nullptr;
    if (os::RegOpenKeyExW(HKEY_LOCAL_MACHINE,
                          u"SYSTEM\\CurrentControlSet\\Control\\Session Manager", 0, KEY_READ,
                          &key) != ERROR_SUCCESS)
      return false;
    const bool exists = os::RegQueryValueExW(key, u"PendingFileRenameOperations", nullptr, nullptr,
                                             nullptr) == ERROR_SUCCESS;
    os::RegCloseKey(key);
    return exists;
  }
};

TEST_F(SimRestartTest, DelayedOperationsWaitForTheRestartAndHappenInOrder) {
  Write("C:\\App\\in use.dll", "old");
  Write("C:\\App\\new.dll", "new");
  Write("C:\\App\\rename.txt", "r");
  Write("C:\\App\\Empty\\last.txt", "l");
  const os::DWORD delay = MOVEFILE_DELAY_UNTIL_REBOOT;
  ASSERT_TRUE(os::MoveFileExW(u"C:\\App\\in use.dll", u"", delay));
  ASSERT_TRUE(os::MoveFileExW(u"C:\\App\\new.dll", u"C:\\App\\in use.dll",
                              delay | MOVEFILE_REPLACE_EXISTING));
  ASSERT_TRUE(os::MoveFileExW(u"C:\\App\\rename.txt", u"C:\\App\\renamed.txt", delay));
  // Without "replace", an existing target makes the session manager skip the rename.
  Write("C:\\App\\kept.txt", "kept");
  Write("C:\\App\\other.txt", "other");
  ASSERT_TRUE(os::MoveFileExW(u"C:\\App\\other.txt", u"C:\\App\\kept.txt", delay));
  // A folder goes once it is empty; the file inside goes first.
  ASSERT_TRUE(os::MoveFileExW(u"C:\\App\\Empty\\last.txt", u"", delay));
  ASSERT_TRUE(os::MoveFileExW(u"C:\\App\\Empty", u"", delay));
  EXPECT_FALSE(os::MoveFileExW(u"C:\\App\\x", u"C:\\App\\y", delay | MOVEFILE_COPY_ALLOWED));
  EXPECT_EQ(os::GetLastError(), static_cast<os::DWORD>(ERROR_INVALID_PARAMETER));

  // Nothing has happened yet, and the record survives the end of the run.
  EXPECT_EQ(Read("C:\\App\\in use.dll"), "old");
  ReopenMachine();
  EXPECT_TRUE(PendingValueExists());

  EXPECT_EQ(sim::RestartWindows(), 5);
  EXPECT_EQ(Read("C:\\App\\in use.dll"), "new");
  EXPECT_EQ(Read("C:\\App\\new.dll"), "(missing)");
  EXPECT_EQ(Read("C:\\App\\renamed.txt"), "r");
  EXPECT_EQ(Read("C:\\App\\kept.txt"), "kept");
  EXPECT_EQ(Read("C:\\App\\other.txt"), "other");
  EXPECT_FALSE(std::filesystem::exists(Host("C:\\App\\Empty")));
  EXPECT_FALSE(PendingValueExists());
  EXPECT_EQ(sim::RestartWindows(), 0);
}

TEST_F(SimRestartTest, A32BitProgramsDelayedDeletionInSystem32MeansSysWow64) {
  ASSERT_TRUE(machine().UnderWow64());
  Write("C:\\Windows\\SysWOW64\\old32.dll", "32");
  Write("C:\\Windows\\System32\\old32.dll", "64");
  ASSERT_TRUE(
      os::MoveFileExW(u"C:\\Windows\\System32\\old32.dll", u"", MOVEFILE_DELAY_UNTIL_REBOOT));
  EXPECT_EQ(sim::RestartWindows(), 1);
  EXPECT_EQ(Read("C:\\Windows\\SysWOW64\\old32.dll"), "(missing)");
  EXPECT_EQ(Read("C:\\Windows\\System32\\old32.dll"), "64");
}

TEST_F(SimRestartTest, AServiceKeyWrittenAloneBecomesAServiceAtTheNextStart) {
  os::HKEY key = nullptr;
  ASSERT_EQ(
      os::RegCreateKeyExW(HKEY_LOCAL_MACHINE, u"SYSTEM\\CurrentControlSet\\Services\\HandMade", u"",
                          0, KEY_ALL_ACCESS, &key, nullptr),
      ERROR_SUCCESS);
  const os::DWORD type = SERVICE_WIN32_OWN_PROCESS;
  os::RegSetValueExW(key, u"Type", REG_DWORD, &type, 4);
  os::RegCloseKey(key);
  // A key without a Type is no service even after the start.
  ASSERT_EQ(os::RegCreateKeyExW(HKEY_LOCAL_MACHINE, u"SYSTEM\\CurrentControlSet\\Services\\NoType",
                                u"", 0, KEY_ALL_ACCESS, &key, nullptr),
            ERROR_SUCCESS);
  os::RegCloseKey(key);

  EXPECT_EQ(sim::ServiceState(u"HandMade"), 0u);
  EXPECT_EQ(SetServiceState(u"HandMade", 0), 2u);
  ReopenMachine();  // a later run of a program is no restart of Windows
  EXPECT_EQ(sim::ServiceState(u"HandMade"), 0u);

  sim::RestartWindows();
  EXPECT_EQ(sim::ServiceState(u"HandMade"), static_cast<os::DWORD>(SERVICE_STOPPED));
  EXPECT_EQ(sim::ServiceState(u"NoType"), 0u);
  ReopenMachine();
  EXPECT_EQ(sim::ServiceState(u"HandMade"), static_cast<os::DWORD>(SERVICE_STOPPED));
}

}  // namespace

namespace {

// Windows keeps the list itself: registry faults injected for the program do not reach it, while
// a failed MoveFileExW records nothing and keeps what the list holds.
TEST_F(SimRestartTest, TheListIsWindowsOwnAndAFailedDelayedMoveKeepsItsOperations) {
  Write("C:\\Data\\a.txt", "a");
  Write("C:\\Data\\b.txt", "b");
  Write("C:\\Data\\c.txt", "c");
  ASSERT_TRUE(os::MoveFileExW(u"C:\\Data\\a.txt", u"", MOVEFILE_DELAY_UNTIL_REBOOT));
  for (const char* call : {"RegCreateKeyExW", "RegQueryValueExW", "RegSetValueExW", "RegCloseKey"})
    machine().InjectFault({call, 0, -1, ERROR_ACCESS_DENIED, ""});
  EXPECT_TRUE(os::MoveFileExW(u"C:\\Data\\b.txt", u"", MOVEFILE_DELAY_UNTIL_REBOOT));
  machine().ClearFaults();
  machine().InjectFault({"MoveFileExW", 0, 1, ERROR_ACCESS_DENIED, "c.txt"});
  EXPECT_FALSE(os::MoveFileExW(u"C:\\Data\\c.txt", u"", MOVEFILE_DELAY_UNTIL_REBOOT));
  EXPECT_EQ(os::GetLastError(), static_cast<os::DWORD>(ERROR_ACCESS_DENIED));
  machine().ClearFaults();
  EXPECT_EQ(sim::RestartWindows(), 2);
  EXPECT_EQ(Read("C:\\Data\\a.txt"), "(missing)");
  EXPECT_EQ(Read("C:\\Data\\b.txt"), "(missing)");
  EXPECT_EQ(Read("C:\\Data\\c.txt"), "c");
}

}  // namespace
