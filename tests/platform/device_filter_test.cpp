// The filter detach pass and device restarts against the simulated devices.
#include <fstream>
#include <sstream>

#include "config/DeviceIdMgr.h"
#include "platform/DeviceFilter.h"
#include "platform/DeviceRestart.h"
#include "platform/InstallMgr.h"
#include "platform/os_devices.h"
#include "platform/os_files.h"
#include "platform/sim/sim_devices.h"
#include "support/sim_fixture.h"

namespace {

using Log = std::vector<std::string>;

// The install sequence's arguments: the audio category, the pattern's length and "ZEVor".
const os::GUID kAudioCategory = {
    0x6994AD04, 0x93EF, 0x11D0, {0xA3, 0xCC, 0x00, 0xA0, 0xC9, 0x22, 0x31, 0x96}};
constexpr char16_t kPattern[] = u"USB\\VID_B7D2&PID_72XX&REV_0100&MI_00";
constexpr std::uint32_t kIdLength = 36;

std::string Device(const std::string& label, const std::string& hardwareId,
                   const std::string& more) {
  return "[Device:" + label + "]\nHardwareIds=" + hardwareId + ",USB\\VID_B7D2&PID_7201\n" + more;
}

class DeviceFilterTest : public SimMachineTest {
 protected:
  void SetUp() override {
    SimMachineTest::SetUp();
    ids_.m_VerifiedIds.emplace(kPattern, u"");
  }
  void Detach() {
    INSTALL_MGR::CInstallMgr mgr;
    mgr.RemoveFilterAndRestart(kAudioCategory, kIdLength, ids_, u"ZEVor", SPDRP_LOWERFILTERS);
  }
  // The device's LowerFilters as devices.ini records it: "deleted", "<type>:<hex>", or ""
  // when nothing was ever written.
  std::string SavedFilters(const std::string& label) {
    sim::MachineIni saved;
    std::string error;
    if (!saved.Load(folder_ / "devices.ini", &error)) return "";
    return saved.Get("Device:" + label, "LowerFilters");
  }
  static std::string Hex(const std::u16string& multiSz) {
    std::string out;
    char buf[4];
    for (char16_t c : multiSz)
      for (int shift : {0, 8}) {
        std::snprintf(buf, sizeof buf, "%02x", (c >> shift) & 0xFF);
        out += (out.empty() ? "" : ",") + std::string(buf);
      }
    return out;
  }
  DEVICEID_MGR::CDeviceIdMgr ids_;
};

TEST_F(DeviceFilterTest, OnlyIdsOfTheGivenLengthThatMatchArePassedOver) {
  OpenMachine(
      Device("Short", "USB\\VID_B7D2&PID_7201&REV_0100&MI_0", "LowerFilters=ZEVor\n") +
      Device("Lower", "usb\\vid_b7d2&pid_7201&rev_0100&mi_00", "LowerFilters=ZEVor\n") +
      Device("OtherInterface", "USB\\VID_B7D2&PID_7201&REV_0100&MI_01", "LowerFilters=ZEVor\n"));
  // Even a list entry equal to the short ID does not select it: the length decides first.
  ids_.m_VerifiedIds.emplace(u"USB\\VID_B7D2&PID_7201&REV_0100&MI_0", u"");
  Detach();
  EXPECT_EQ(sim::DeviceLog(),
            Log({"Device:Lower LowerFilters deleted", "Device:Lower disable config-specific",
                 "Device:Lower enable global", "Device:Lower enable config-specific"}));
  EXPECT_EQ(SavedFilters("Short"), "7:" + Hex(std::u16string(u"ZEVor\0\0", 7)));
}

TEST_F(DeviceFilterTest, EmptyListSelectsNothing) {
  OpenMachine(Device("A", "USB\\VID_B7D2&PID_7201&REV_0100&MI_00", "LowerFilters=ZEVor\n"));
  ids_.m_VerifiedIds.clear();
  Detach();
  EXPECT_TRUE(sim::DeviceLog().empty());
  EXPECT_FALSE(std::filesystem::exists(folder_ / "devices.ini"));
  EXPECT_EQ(machine().Now(), 0u);
}

TEST_F(DeviceFilterTest, OnlyEntryInLowerCaseDeletesTheProperty) {
  OpenMachine(Device("A", "USB\\VID_B7D2&PID_7201&REV_0100&MI_00", "LowerFilters=zevor\n"));
  Detach();
  EXPECT_EQ(SavedFilters("A"), "deleted");
  EXPECT_EQ(machine().Now(), 1000u);  // one restart, one second
  ReopenMachine();
  EXPECT_EQ(SavedFilters("A"), "deleted");
}

TEST_F(DeviceFilterTest, OtherEntriesStayInOrderInUpperCase) {
  OpenMachine(Device("A", "USB\\VID_B7D2&PID_7201&REV_0100&MI_00",
                     "LowerFilters=ksthunk,ZEVor,MyFilter\n"));
  Detach();
  EXPECT_EQ(SavedFilters("A"), "7:" + Hex(std::u16string(u"KSTHUNK\0MYFILTER\0\0", 18)));
}

TEST_F(DeviceFilterTest, ListWithoutTheFilterIsNotRewritten) {
  OpenMachine(Device("A", "USB\\VID_B7D2&PID_7201&REV_0100&MI_00", "LowerFilters=ksthunk,other\n"));
  Detach();
  EXPECT_EQ(sim::DeviceLog(), Log({"Device:A disable config-specific", "Device:A enable global",
                                   "Device:A enable config-specific"}));
  EXPECT_EQ(SavedFilters("A"), "7:" + Hex(std::u16string(u"ksthunk\0other\0\0", 15)));
}

TEST_F(DeviceFilterTest, FilterPropertyOfAnotherTypeIsLeftAlone) {
  OpenMachine(Device("A", "USB\\VID_B7D2&PID_7201&REV_0100&MI_00",
                     "LowerFilters=ZEVor\nLowerFiltersType=REG_SZ\n"));
  Detach();
  EXPECT_EQ(SavedFilters("A"), "1:" + Hex(std::u16string(u"ZEVor\0", 6)));
}

TEST_F(DeviceFilterTest, UnpluggedDeviceIsCleanedButNotRestarted) {
  OpenMachine(
      Device("Away", "USB\\VID_B7D2&PID_7202&REV_0100&MI_00", "LowerFilters=ZEVor\nPresent=0\n") +
      Device("Here", "USB\\VID_B7D2&PID_7201&REV_0100&MI_00", "LowerFilters=ZEVor\n"));
  Detach();
  EXPECT_EQ(sim::DeviceLog(),
            Log({"Device:Away LowerFilters deleted", "Device:Here LowerFilters deleted",
                 "Device:Here disable config-specific", "Device:Here enable global",
                 "Device:Here enable config-specific"}));
  EXPECT_EQ(machine().Now(), 1000u);
}

TEST_F(DeviceFilterTest, NoDeviceSetEndsTheWholeDetach) {
  OpenMachine(Device("A", "USB\\VID_B7D2&PID_7201&REV_0100&MI_00", "LowerFilters=ZEVor\n"));
  machine().InjectFault({"SetupDiGetClassDevsW", 0, 1, ERROR_NOT_ENOUGH_MEMORY, ""});
  INSTALL_MGR::CInstallMgr mgr;
  EXPECT_EQ(
      mgr.RemoveFilterFromDevices(kAudioCategory, kIdLength, ids_, u"ZEVor", SPDRP_LOWERFILTERS),
      1);
  machine().InjectFault({"SetupDiGetClassDevsW", 0, 1, ERROR_NOT_ENOUGH_MEMORY, ""});
  Detach();  // the removal pass fails, so no restart follows
  EXPECT_TRUE(sim::DeviceLog().empty());
  machine().InjectFault({"SetupDiGetClassDevsW", 0, 1, ERROR_NOT_ENOUGH_MEMORY, ""});
  EXPECT_EQ(mgr.RestartMatchingDevices(kAudioCategory, kIdLength, ids_), 1);
}

TEST_F(DeviceFilterTest, MultiStringLength) {
  EXPECT_EQ(INSTALL_MGR::CInstallMgr::GetMultiSzLength(u"a\0bc\0"), 6u);
  EXPECT_EQ(INSTALL_MGR::CInstallMgr::GetMultiSzLength(u""), 0u);
}

// A single device of a fresh present-devices set, for the per-device operations.
class OneDeviceTest : public SimMachineTest {
 protected:
  void Open(const std::string& more) {
    OpenMachine(Device("A", "USB\\VID_B7D2&PID_7201&REV_0100&MI_00", more));
    set_ = os::SetupDiGetClassDevsW(nullptr, u"", DIGCF_PRESENT | DIGCF_ALLCLASSES);
    ASSERT_NE(set_, INVALID_HANDLE_VALUE);
    device_.cbSize = sizeof(device_);
    ASSERT_TRUE(os::SetupDiEnumDeviceInfo(set_, 0, &device_));
  }
  void TearDown() override {
    if (set_ != INVALID_HANDLE_VALUE) os::SetupDiDestroyDeviceInfoList(set_);
    SimMachineTest::TearDown();
  }
  os::HDEVINFO set_ = INVALID_HANDLE_VALUE;
  os::SP_DEVINFO_DATA device_;
};

TEST_F(OneDeviceTest, EnumerationEndsWithNoMoreItems) {
  Open("");
  os::SP_DEVINFO_DATA next;
  next.cbSize = sizeof(next);
  EXPECT_FALSE(os::SetupDiEnumDeviceInfo(set_, 1, &next));
  EXPECT_EQ(os::GetLastError(), static_cast<os::DWORD>(ERROR_NO_MORE_ITEMS));
  next.cbSize = 4;
  EXPECT_FALSE(os::SetupDiEnumDeviceInfo(set_, 0, &next));
  EXPECT_EQ(os::GetLastError(), static_cast<os::DWORD>(ERROR_INVALID_USER_BUFFER));
}

TEST_F(OneDeviceTest, ClassInstallerAnswersGiveEachResultCode) {
  Open("InstallerFailsAt=1\n");
  EXPECT_EQ(DisableDevice(set_, &device_), 2);
  EXPECT_EQ(EnableDevice(set_, &device_), 0);  // calls 2 and 3 pass

  Open("InstallerFailsAt=2\n");
  EXPECT_EQ(DisableDevice(set_, &device_), 0);
  EXPECT_EQ(EnableDevice(set_, &device_), 2);
  EXPECT_TRUE(sim::DeviceDisabled("Device:A"));

  Open("InstallerFailsAt=3\n");
  EXPECT_EQ(DisableDevice(set_, &device_), 0);
  EXPECT_EQ(EnableDevice(set_, &device_), 4);

  Open("");
  machine().InjectFault({"SetupDiSetClassInstallParamsW", 0, 1, ERROR_INVALID_PARAMETER, ""});
  EXPECT_EQ(DisableDevice(set_, &device_), 1);
  machine().InjectFault({"SetupDiSetClassInstallParamsW", 0, 1, ERROR_INVALID_PARAMETER, ""});
  EXPECT_EQ(EnableDevice(set_, &device_), 1);
  machine().InjectFault({"SetupDiSetClassInstallParamsW", 1, 1, ERROR_INVALID_PARAMETER, ""});
  EXPECT_EQ(EnableDevice(set_, &device_), 3);
  machine().InjectFault({"SetupDiGetDeviceInstallParamsW", 0, 1, ERROR_INVALID_PARAMETER, ""});
  EXPECT_EQ(EnableDevice(set_, &device_), 5);
}

// An enable refused once after the disable is asked for again: the device does not stay off.
TEST_F(OneDeviceTest, RestartAsksForARefusedEnableOnceMore) {
  Open("");
  machine().InjectFault({"SetupDiCallClassInstaller", 1, 1, ERROR_INVALID_PARAMETER, ""});
  EXPECT_TRUE(RestartDevice(set_, &device_));
  EXPECT_FALSE(sim::DeviceDisabled("Device:A"));
  EXPECT_EQ(machine().Now(), 2000u);

  Open("");
  machine().InjectFault({"SetupDiCallClassInstaller", 1, 2, ERROR_INVALID_PARAMETER, ""});
  EXPECT_FALSE(RestartDevice(set_, &device_));
  EXPECT_TRUE(sim::DeviceDisabled("Device:A"));
}

// The two scopes have a flag each, and the device stays disabled while either is set.
TEST_F(OneDeviceTest, EachDisableScopeHasItsOwnFlag) {
  auto change = [this](os::DWORD state, os::DWORD scope) {
    os::SP_PROPCHANGE_PARAMS params;
    params.ClassInstallHeader.cbSize = sizeof(os::SP_CLASSINSTALL_HEADER);
    params.ClassInstallHeader.InstallFunction = DIF_PROPERTYCHANGE;
    params.StateChange = state;
    params.Scope = scope;
    ASSERT_TRUE(os::SetupDiSetClassInstallParamsW(set_, &device_, &params.ClassInstallHeader,
                                                  sizeof(params)));
    ASSERT_TRUE(os::SetupDiCallClassInstaller(DIF_PROPERTYCHANGE, set_, &device_));
  };
  // Disabled in every profile (Device Manager's global disable): enabling the current profile
  // alone does not bring it back.
  Open("Disabled=1\n");
  change(DICS_ENABLE, DICS_FLAG_CONFIGSPECIFIC);
  EXPECT_TRUE(sim::DeviceDisabled("Device:A"));
  change(DICS_ENABLE, DICS_FLAG_GLOBAL);
  EXPECT_FALSE(sim::DeviceDisabled("Device:A"));

  change(DICS_DISABLE, DICS_FLAG_CONFIGSPECIFIC);
  change(DICS_ENABLE, DICS_FLAG_GLOBAL);
  EXPECT_TRUE(sim::DeviceDisabled("Device:A"));
  // Both flags are kept for the next run.
  change(DICS_DISABLE, DICS_FLAG_GLOBAL);
  ReopenMachine();
  set_ = os::SetupDiGetClassDevsW(nullptr, u"", DIGCF_PRESENT | DIGCF_ALLCLASSES);
  ASSERT_TRUE(os::SetupDiEnumDeviceInfo(set_, 0, &device_));
  EXPECT_TRUE(sim::DeviceDisabled("Device:A"));
  change(DICS_ENABLE, DICS_FLAG_GLOBAL);
  EXPECT_TRUE(sim::DeviceDisabled("Device:A"));
  change(DICS_ENABLE, DICS_FLAG_CONFIGSPECIFIC);
  EXPECT_FALSE(sim::DeviceDisabled("Device:A"));
}

// A refused enable of the current profile leaves the device disabled, even after the global
// enable passed.
TEST_F(OneDeviceTest, RefusedProfileEnableLeavesTheDeviceDisabled) {
  Open("InstallerFailsAt=3\n");
  EXPECT_EQ(DisableDevice(set_, &device_), 0);
  EXPECT_EQ(EnableDevice(set_, &device_), 4);
  EXPECT_TRUE(sim::DeviceDisabled("Device:A"));
}

TEST_F(OneDeviceTest, DeviceThatNeedsARebootIsNotCountedAsRestarted) {
  Open("NeedsReboot=1\n");
  EXPECT_EQ(EnableDevice(set_, &device_), 6);
  EXPECT_FALSE(RestartDevice(set_, &device_));
  EXPECT_FALSE(sim::DeviceDisabled("Device:A"));
  EXPECT_EQ(machine().Now(), 1000u);
}

TEST_F(OneDeviceTest, PropertyReadProbesThenReads) {
  Open("LowerFilters=ZEVor\n");
  os::DWORD type = 0;
  PropertyBlock block = ReadDeviceProperty(set_, &device_, SPDRP_LOWERFILTERS, &type);
  ASSERT_TRUE(block);
  EXPECT_EQ(type, REG_MULTI_SZ);
  EXPECT_EQ(std::u16string(block.get()), u"ZEVor");
  EXPECT_FALSE(ReadDeviceProperty(set_, &device_, SPDRP_UPPERFILTERS, &type));
  EXPECT_EQ(os::GetLastError(), static_cast<os::DWORD>(ERROR_INVALID_DATA));
}

TEST_F(OneDeviceTest, UnterminatedFilterListIsReadWithinItsBlock) {
  Open("");
  // Five characters without any terminating zero, as a careless writer may leave them.
  const char16_t raw[] = u"ZEVor";
  ASSERT_TRUE(os::SetupDiSetDeviceRegistryPropertyW(set_, &device_, SPDRP_LOWERFILTERS,
                                                    reinterpret_cast<const os::BYTE*>(raw), 10));
  EXPECT_TRUE(IsFilterInProperty(set_, &device_, u"zevor", SPDRP_LOWERFILTERS));
  INSTALL_MGR::CInstallMgr mgr;
  EXPECT_TRUE(mgr.RemoveFilterFromProperty(set_, &device_, u"ZEVor", SPDRP_LOWERFILTERS));
  os::DWORD type = 0;
  EXPECT_FALSE(ReadDeviceProperty(set_, &device_, SPDRP_LOWERFILTERS, &type));
}

TEST_F(OneDeviceTest, EmptyFilterListCannotBeRewritten) {
  Open("LowerFilters=\n");
  INSTALL_MGR::CInstallMgr mgr;
  EXPECT_FALSE(mgr.RemoveFilterFromProperty(set_, &device_, u"ZEVor", SPDRP_LOWERFILTERS));
  EXPECT_TRUE(sim::DeviceLog().empty());
}

}  // namespace
