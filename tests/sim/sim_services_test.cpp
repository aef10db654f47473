// The simulated service manager's deletion and configuration changes, as Windows answers them:
// a deleted service stays until it is stopped and its last handle is closed.
#include <gtest/gtest.h>

#include <fstream>

#include "platform/os_files.h"
#include "platform/os_registry.h"
#include "platform/os_services.h"
#include "platform/sim/sim_services.h"
#include "support/sim_fixture.h"

namespace {

constexpr char16_t kName[] = u"AudioDeviceService";
constexpr char16_t kKey[] = u"SYSTEM\\CurrentControlSet\\Services\\AudioDeviceService";

class SimServicesTest : public SimMachineTest {
 protected:
  void SetUp() override {
    SimMachineTest::SetUp();
    Describe("State=running\nStopPolls=0\n");
  }
  void Describe(const std::string& keys) {
    OpenMachine("[Windows]\nVersion=10.0\nArchitecture=x64\n[Service:AudioDeviceService]\n" + keys);
    manager_ = os::OpenSCManagerW(u"", u"", SC_MANAGER_ALL_ACCESS);
    ASSERT_NE(manager_, nullptr);
  }
  void TearDown() override {
    if (manager_) os::CloseServiceHandle(manager_);
    SimMachineTest::TearDown();
  }
  os::SC_HANDLE Open(os::DWORD access = SERVICE_ALL_ACCESS) {
    return os::OpenServiceW(manager_, kName, access);
  }
  static bool KeyExists() {
    os::HKEY key = nullptr;
    if (os::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
      return false;
    os::RegCloseKey(key);
    return true;
  }
  static os::DWORD KeyDword(const char16_t* value) {
    os::HKEY key = nullptr;
    os::DWORD data = 0xDEAD, size = 4;
    if (os::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
      return 0xDEAD;
    os::RegQueryValueExW(key, value, nullptr, &data, &size);
    os::RegCloseKey(key);
    return data;
  }
  os::SC_HANDLE manager_ = nullptr;
};

TEST_F(SimServicesTest, StoppedServiceGoesWithItsLastHandleAndItsKeyTree) {
  Describe("State=stopped\n");
  os::HKEY sub = nullptr;
  ASSERT_EQ(os::RegCreateKeyExW(HKEY_LOCAL_MACHINE, std::u16string(kKey) + u"\\Parameters", u"", 0,
                                KEY_ALL_ACCESS, &sub, nullptr),
            ERROR_SUCCESS);
  os::RegCloseKey(sub);
  os::SC_HANDLE first = Open(), second = Open(SERVICE_QUERY_STATUS);
  ASSERT_NE(first, nullptr);
  ASSERT_NE(second, nullptr);
  EXPECT_TRUE(os::DeleteService(first));
  // A second deletion of the same service is refused while it waits.
  EXPECT_FALSE(os::DeleteService(first));
  EXPECT_EQ(os::GetLastError(), static_cast<os::DWORD>(ERROR_SERVICE_MARKED_FOR_DELETE));
  os::CloseServiceHandle(first);
  EXPECT_EQ(sim::ServiceState(kName), SERVICE_STOPPED) << "a handle is still open";
  EXPECT_TRUE(KeyExists());
  os::CloseServiceHandle(second);
  EXPECT_EQ(sim::ServiceState(kName), 0u);
  EXPECT_FALSE(KeyExists());
  EXPECT_EQ(Open(), nullptr);
  EXPECT_EQ(os::GetLastError(), static_cast<os::DWORD>(ERROR_SERVICE_DOES_NOT_EXIST));
}

TEST_F(SimServicesTest, RunningServiceMarkedForDeletionRefusesStartsUntilStoppedThenGoes) {
  os::SC_HANDLE service = Open();
  ASSERT_TRUE(os::DeleteService(service));
  os::CloseServiceHandle(service);
  // Still there and running, and it can still be opened, queried and stopped.
  EXPECT_EQ(sim::ServiceState(kName), SERVICE_RUNNING);
  service = Open();
  ASSERT_NE(service, nullptr);
  EXPECT_FALSE(os::ChangeServiceConfigW(service, SERVICE_NO_CHANGE, SERVICE_DEMAND_START,
                                        SERVICE_NO_CHANGE, u"", u""));
  EXPECT_EQ(os::GetLastError(), static_cast<os::DWORD>(ERROR_SERVICE_MARKED_FOR_DELETE));
  os::SERVICE_STATUS status;
  ASSERT_TRUE(os::ControlService(service, SERVICE_CONTROL_STOP, &status));
  EXPECT_EQ(status.dwCurrentState, SERVICE_STOPPED);
  EXPECT_FALSE(os::StartServiceW(service, 0, nullptr));
  EXPECT_EQ(os::GetLastError(), static_cast<os::DWORD>(ERROR_SERVICE_MARKED_FOR_DELETE));
  EXPECT_TRUE(KeyExists());
  os::CloseServiceHandle(service);
  EXPECT_FALSE(KeyExists());
  const auto log = sim::ServiceLog();
  ASSERT_FALSE(log.empty());
  EXPECT_EQ(log.back(), "AUDIODEVICESERVICE deleted");
}

TEST_F(SimServicesTest, MarkOutlivesTheProgramAndWindowsRestartEndsIt) {
  os::SC_HANDLE service = Open();
  ASSERT_TRUE(os::DeleteService(service));
  os::CloseServiceHandle(service);
  os::CloseServiceHandle(manager_);
  manager_ = nullptr;
  std::string error;
  ASSERT_TRUE(machine().Save(&error)) << error;
  // The next program on the same machine still finds it running and marked.
  ASSERT_TRUE(machine().Open(folder_, &error)) << error;
  EXPECT_EQ(sim::ServiceState(kName), SERVICE_RUNNING);
  manager_ = os::OpenSCManagerW(u"", u"", SC_MANAGER_ALL_ACCESS);
  service = Open();
  EXPECT_FALSE(os::StartServiceW(service, 0, nullptr));
  EXPECT_EQ(os::GetLastError(), static_cast<os::DWORD>(ERROR_SERVICE_MARKED_FOR_DELETE));
  os::CloseServiceHandle(service);
  sim::LoadServicesAtWindowsStart();
  EXPECT_EQ(sim::ServiceState(kName), 0u);
  EXPECT_FALSE(KeyExists());
}

TEST_F(SimServicesTest, DeletionAndConfigurationNeedTheirAccessRights) {
  os::SC_HANDLE service = Open(SERVICE_QUERY_STATUS | SERVICE_STOP);
  EXPECT_FALSE(os::DeleteService(service));
  EXPECT_EQ(os::GetLastError(), static_cast<os::DWORD>(ERROR_ACCESS_DENIED));
  EXPECT_FALSE(os::ChangeServiceConfigW(service, SERVICE_NO_CHANGE, SERVICE_DISABLED,
                                        SERVICE_NO_CHANGE, u"", u""));
  EXPECT_EQ(os::GetLastError(), static_cast<os::DWORD>(ERROR_ACCESS_DENIED));
  os::CloseServiceHandle(service);
  EXPECT_EQ(sim::ServiceState(kName), SERVICE_RUNNING);
  EXPECT_EQ(KeyDword(u"Start"), SERVICE_AUTO_START);
}

TEST_F(SimServicesTest, ConfigurationChangesReachTheKeyAndDisabledServicesDoNotStart) {
  Describe("State=stopped\n");
  os::SC_HANDLE service = Open();
  ASSERT_TRUE(os::ChangeServiceConfigW(service, SERVICE_NO_CHANGE, SERVICE_DISABLED,
                                       SERVICE_ERROR_SEVERE, u"C:\\Program Files\\a b\\s.exe",
                                       u"Audio"));
  EXPECT_EQ(KeyDword(u"Start"), SERVICE_DISABLED);
  EXPECT_EQ(KeyDword(u"ErrorControl"), SERVICE_ERROR_SEVERE);
  EXPECT_EQ(KeyDword(u"Type"), SERVICE_WIN32_OWN_PROCESS) << "SERVICE_NO_CHANGE kept it";
  EXPECT_FALSE(os::StartServiceW(service, 0, nullptr));
  EXPECT_EQ(os::GetLastError(), static_cast<os::DWORD>(ERROR_SERVICE_DISABLED));
  // Values Windows refuses: a boot start for a Win32 service, an unknown start or type.
  for (const auto& [type, start] :
       {std::pair{SERVICE_NO_CHANGE, SERVICE_BOOT_START}, std::pair{SERVICE_NO_CHANGE, 5u},
        std::pair{0x40u, 3u}, std::pair{SERVICE_KERNEL_DRIVER | 0x100u, 3u}}) {
    EXPECT_FALSE(os::ChangeServiceConfigW(service, type, start, SERVICE_NO_CHANGE, u"", u""))
        << type << "/" << start;
    EXPECT_EQ(os::GetLastError(), static_cast<os::DWORD>(ERROR_INVALID_PARAMETER));
  }
  EXPECT_EQ(KeyDword(u"Start"), SERVICE_DISABLED) << "refused changes left the key alone";
  ASSERT_TRUE(os::ChangeServiceConfigW(service, SERVICE_NO_CHANGE, SERVICE_DEMAND_START,
                                       SERVICE_NO_CHANGE, u"", u""));
  EXPECT_TRUE(os::StartServiceW(service, 0, nullptr));
  os::CloseServiceHandle(service);
}

// Registry faults are the calling program's: the manager's own reads and writes of the service
// key go past them, so a deletion still takes the key and a start still reads its Start value.
TEST_F(SimServicesTest, RegistryFaultsDoNotReachTheManagersOwnKeyAccess) {
  Describe("State=stopped\n");
  for (const char* call : {"RegOpenKeyExW", "RegQueryValueExW", "RegEnumKeyExW", "RegDeleteKeyExW",
                           "RegCreateKeyExW", "RegSetValueExW", "RegCloseKey"})
    machine().InjectFault({call, 0, -1, ERROR_ACCESS_DENIED, ""});
  os::SC_HANDLE service = Open();
  ASSERT_NE(service, nullptr);
  ASSERT_TRUE(os::ChangeServiceConfigW(service, SERVICE_NO_CHANGE, SERVICE_DISABLED,
                                       SERVICE_NO_CHANGE, u"", u""));
  EXPECT_FALSE(os::StartServiceW(service, 0, nullptr));
  EXPECT_EQ(os::GetLastError(), static_cast<os::DWORD>(ERROR_SERVICE_DISABLED));
  ASSERT_TRUE(os::DeleteService(service));
  os::CloseServiceHandle(service);
  machine().ClearFaults();
  EXPECT_EQ(sim::ServiceState(kName), 0u);
  EXPECT_FALSE(KeyExists()) << "DeleteService succeeded, so the key is gone";
}

}  // namespace
