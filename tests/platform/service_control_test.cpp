// SetServiceState against the simulated service control manager.
#include <fstream>
#include <sstream>

#include "platform/ServiceControl.h"
#include "platform/os_files.h"
#include "platform/os_services.h"
#include "platform/sim/sim_services.h"
#include "support/sim_fixture.h"

namespace {

using Log = std::vector<std::string>;

class ServiceControlTest : public SimMachineTest {
 protected:
  // One service of the given behaviour, on a default machine.
  void Describe(const std::string& keys) {
    OpenMachine("[Windows]\nVersion=10.0\nArchitecture=x64\n[Service:AudioDeviceService]\n" + keys);
  }
  std::uint32_t Request(std::uint32_t code) { return SetServiceState(u"AudioDeviceService", code); }
  os::DWORD State() { return sim::ServiceState(u"AudioDeviceService"); }
  // Both handles closed, the service's first.
  void ExpectHandlesClosedInOrder() {
    EXPECT_EQ(sim::OpenServiceHandles(), 0u);
    const Log closes = sim::ServiceHandleCloses();
    ASSERT_EQ(closes.size() % 2, 0u);
    for (std::size_t i = 0; i < closes.size(); i += 2) {
      EXPECT_EQ(closes[i], "service AudioDeviceService") << "close " << i;
      EXPECT_EQ(closes[i + 1], "manager") << "close " << i + 1;
    }
  }
  std::string FileText(const char* name) {
    std::ifstream in(folder_ / name, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
};

TEST_F(ServiceControlTest, NotInstalledServiceGivesTwoForEveryRequest) {
  OpenMachine("");
  for (std::uint32_t code : {0u, 1u, 128u})
    EXPECT_EQ(SetServiceState(u"AudioDeviceService", code), 2u) << "request " << code;
  EXPECT_EQ(sim::ServiceHandleCloses(), Log({"manager", "manager", "manager"}));
  EXPECT_EQ(sim::OpenServiceHandles(), 0u);
  EXPECT_TRUE(sim::ServiceLog().empty());
}

TEST_F(ServiceControlTest, RequestsOnAServiceAlreadyInTheStateSendNothing) {
  Describe("State=stopped\n");
  EXPECT_EQ(Request(1), 0u);
  Describe("State=running\n");
  EXPECT_EQ(Request(0), 0u);
  EXPECT_TRUE(sim::ServiceLog().empty());
  EXPECT_EQ(machine().Now(), 0u);
  ExpectHandlesClosedInOrder();
}

TEST_F(ServiceControlTest, StartThenCodeThenStopAsTheInstallSequenceDoes) {
  Describe("State=stopped\nStartPolls=3\nStopPolls=2\n");
  EXPECT_EQ(Request(0), 0u);
  EXPECT_EQ(State(), SERVICE_RUNNING);
  EXPECT_EQ(Request(128), 0u);
  EXPECT_EQ(Request(1), 0u);
  EXPECT_EQ(State(), SERVICE_STOPPED);
  EXPECT_EQ(sim::ServiceLog(), Log({"AudioDeviceService start", "AudioDeviceService control 128",
                                    "AudioDeviceService control 1"}));
  // Two pauses while starting, one while stopping.
  EXPECT_EQ(machine().Now(), 900u);
  ExpectHandlesClosedInOrder();
  EXPECT_NE(FileText("services.log").find("AudioDeviceService control 128"), std::string::npos);
}

TEST_F(ServiceControlTest, ThirtyPollsAreTheLimit) {
  Describe("State=stopped\nStartPolls=30\n");
  EXPECT_EQ(Request(0), 0u);
  EXPECT_EQ(machine().Now(), 29u * 300u);

  Describe("State=stopped\nStartPolls=31\n");
  EXPECT_EQ(Request(0), 7u);
  EXPECT_EQ(machine().Now(), 30u * 300u);
  EXPECT_EQ(State(), SERVICE_START_PENDING);

  Describe("State=running\nStopPolls=30\n");
  EXPECT_EQ(Request(1), 0u);
  Describe("State=running\nStopPolls=never\n");
  EXPECT_EQ(Request(1), 5u);
  EXPECT_EQ(machine().Now(), 30u * 300u);
  EXPECT_EQ(State(), SERVICE_STOP_PENDING);
  ExpectHandlesClosedInOrder();
}

TEST_F(ServiceControlTest, RefusedStopAndStartAreFourAndSix) {
  Describe("State=running\nAcceptsStop=0\n");
  EXPECT_EQ(Request(1), 4u);
  EXPECT_EQ(State(), SERVICE_RUNNING);
  ExpectHandlesClosedInOrder();

  Describe("State=stopped\nStartError=1053\n");
  EXPECT_EQ(Request(0), 6u);
  EXPECT_EQ(sim::ServiceLog(), Log({"AudioDeviceService start refused 1053"}));
  ExpectHandlesClosedInOrder();

  // Neither stopped nor running: the start is still asked for, and refused.
  Describe("State=stop-pending\nStopPolls=never\n");
  EXPECT_EQ(Request(0), 6u);
  ExpectHandlesClosedInOrder();
}

TEST_F(ServiceControlTest, ServiceCodesCountAsSentWhateverTheAnswer) {
  Describe("State=running\nAcceptsUserControls=0\n");
  EXPECT_EQ(Request(128), 0u);
  EXPECT_EQ(sim::ServiceLog(), Log({"AudioDeviceService control 128 refused 120"}));
  // A stopped service gets nothing, and the result is still 0.
  Describe("State=stopped\n");
  EXPECT_EQ(Request(128), 0u);
  EXPECT_TRUE(sim::ServiceLog().empty());
  ExpectHandlesClosedInOrder();
}

TEST_F(ServiceControlTest, ManagerAndFirstQueryFailures) {
  Describe("State=running\n");
  machine().InjectFault({"OpenSCManagerW", 0, 1, ERROR_ACCESS_DENIED, ""});
  EXPECT_EQ(Request(1), 1u);
  EXPECT_TRUE(sim::ServiceHandleCloses().empty());

  machine().InjectFault({"QueryServiceStatus", 0, 1, ERROR_ACCESS_DENIED, ""});
  EXPECT_EQ(Request(1), 3u);
  EXPECT_TRUE(sim::ServiceLog().empty());
  ExpectHandlesClosedInOrder();
}

TEST_F(ServiceControlTest, FailedPollCountsAsAPoll) {
  Describe("State=running\nStopPolls=1\n");
  // The first query passes, the first poll fails: the second poll sees the service stopped.
  machine().InjectFault({"QueryServiceStatus", 1, 1, ERROR_ACCESS_DENIED, ""});
  EXPECT_EQ(Request(1), 0u);
  EXPECT_EQ(machine().Now(), 300u);
}

TEST_F(ServiceControlTest, StateAndRegistrationOutliveTheRun) {
  Describe("State=stopped\n");
  EXPECT_EQ(Request(0), 0u);
  ReopenMachine();
  EXPECT_EQ(State(), SERVICE_RUNNING);
  // Installed services are registry keys, as on Windows.
  std::ifstream reg(folder_ / "registry.reg", std::ios::binary);
  std::stringstream s;
  s << reg.rdbuf();
  std::string regText;
  for (std::size_t i = 0; i < s.str().size(); ++i)
    if (s.str()[i] != '\0') regText.push_back(s.str()[i]);  // UTF-16 to ASCII for the search
  EXPECT_NE(regText.find("\\SYSTEM\\CurrentControlSet\\Services\\AudioDeviceService]"),
            std::string::npos);
}

TEST_F(ServiceControlTest, ManagerCallsReportWindowsErrors) {
  Describe("State=stopped\nStart=2\n");
  os::SC_HANDLE manager = os::OpenSCManagerW(u"", u"", SC_MANAGER_ALL_ACCESS);
  ASSERT_NE(manager, nullptr);
  EXPECT_EQ(os::OpenServiceW(manager, u"NoSuchService", SERVICE_ALL_ACCESS), nullptr);
  EXPECT_EQ(os::GetLastError(), static_cast<os::DWORD>(ERROR_SERVICE_DOES_NOT_EXIST));
  os::SC_HANDLE query = os::OpenServiceW(manager, u"audiodeviceservice", SERVICE_QUERY_STATUS);
  ASSERT_NE(query, nullptr);
  os::SERVICE_STATUS status;
  EXPECT_FALSE(os::StartServiceW(query, 0, nullptr));
  EXPECT_EQ(os::GetLastError(), static_cast<os::DWORD>(ERROR_ACCESS_DENIED));
  os::SC_HANDLE service = os::OpenServiceW(manager, u"AudioDeviceService", SERVICE_ALL_ACCESS);
  EXPECT_FALSE(os::ControlService(service, SERVICE_CONTROL_STOP, &status));
  EXPECT_EQ(os::GetLastError(), static_cast<os::DWORD>(ERROR_SERVICE_NOT_ACTIVE));
  EXPECT_TRUE(os::StartServiceW(service, 0, nullptr));
  EXPECT_FALSE(os::StartServiceW(service, 0, nullptr));
  EXPECT_EQ(os::GetLastError(), static_cast<os::DWORD>(ERROR_SERVICE_ALREADY_RUNNING));
  EXPECT_TRUE(os::QueryServiceStatus(query, &status));
  EXPECT_EQ(status.dwCurrentState, SERVICE_RUNNING);
  EXPECT_EQ(status.dwControlsAccepted, SERVICE_ACCEPT_STOP);
  EXPECT_TRUE(os::CloseServiceHandle(query));
  EXPECT_FALSE(os::CloseServiceHandle(query));
  EXPECT_EQ(os::GetLastError(), static_cast<os::DWORD>(ERROR_INVALID_HANDLE));
  os::CloseServiceHandle(service);
  os::CloseServiceHandle(manager);
}

}  // namespace
