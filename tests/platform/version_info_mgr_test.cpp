#include "platform/VersionInfoMgr.h"

#include <gtest/gtest.h>

#include "platform/InstallMgr.h"
#include "platform/PayloadResource.h"
#include "support/sim_fixture.h"

namespace {

TEST(OsClassification, ClassesAndCodesOverMajorMinorPairs) {
  struct Case {
    unsigned major, minor;
    std::int32_t osClass, code;
  } cases[] = {
      {4, 0, 0, 0x400}, {4, 1, 0, -1},    {5, 0, 1, 0x500},  {5, 1, 2, 0x501},
      {5, 2, 2, 0x502}, {6, 0, 3, 0x600}, {6, 1, 4, 0x601},  {6, 2, 5, 0x602},
      {6, 3, 5, 0x603}, {6, 4, -1, -1},   {10, 0, 6, 0xA00}, {10, 1, 6, -1},
      {3, 51, -1, -1},  {11, 0, -1, -1},  {0, 0, -1, -1},    {0x10A, 0, -1, -1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.major) + "." + std::to_string(c.minor));
    EXPECT_EQ(ClassifyOsVersion(c.major, c.minor), c.osClass);
    EXPECT_EQ(OsVersionCode(c.major, c.minor), c.code);
  }
}

struct MachineCase {
  const char* name;
  const char* ini;
  std::int32_t osClass, code, servicePack;
  const char* osLine;
};

class WindowsVersionTest : public SimMachineTest,
                           public ::testing::WithParamInterface<MachineCase> {
 protected:
  std::string MachineIni() const override { return GetParam().ini; }
};

TEST_P(WindowsVersionTest, ClassifiesAndTracesTheRunningWindows) {
  const MachineCase& c = GetParam();
  VERSIONINFO_MGR::CVersionInfoMgr mgr;
  std::int32_t osClass = 99, code = 99, sp = 99;
  ASSERT_EQ(mgr.GetWindowsVersion(&osClass, &code, &sp), 0);
  EXPECT_EQ(osClass, c.osClass);
  EXPECT_EQ(code, c.code);
  EXPECT_EQ(sp, c.servicePack);
  mgr.TraceWindowsVersion(&osClass, &code, &sp);
  EXPECT_NE(DebugText().find(std::string(c.osLine) + "##### The service pack version = " +
                             std::to_string(c.servicePack) + " #####\n"),
            std::string::npos)
      << DebugText();

  // The form's own copy: same values, no trace.
  machine().ClearDebugOutput();
  std::int32_t formClass = 2, formCode = 0, formSp = 0;
  ASSERT_EQ(GetOSVersionInfo(&formClass, &formCode, &formSp), 0);
  EXPECT_EQ(formClass, c.osClass);
  EXPECT_EQ(formCode, c.code);
  EXPECT_EQ(formSp, c.servicePack);
  EXPECT_EQ(DebugText(), "");
}

INSTANTIATE_TEST_SUITE_P(
    Machines, WindowsVersionTest,
    ::testing::Values(MachineCase{"Windows10", "[Windows]\nVersion=10.0\n", 6, 0xA00, 0,
                                  "##### The OS is WIN10 #####\n"},
                      MachineCase{"Windows81", "[Windows]\nVersion=6.3\n", 5, 0x603, 0,
                                  "##### The OS is WIN8.1 #####\n"},
                      MachineCase{"Windows7Sp1", "[Windows]\nVersion=6.1\nServicePack=1\n", 4,
                                  0x601, 1, "##### The OS is WIN7 #####\n"},
                      MachineCase{"Windows7", "[Windows]\nVersion=6.1\n", 4, 0x601, 0,
                                  "##### The OS is WIN7 #####\n"},
                      MachineCase{"Server2003", "[Windows]\nVersion=5.2\nArchitecture=x86\n", 2,
                                  0x502, 0, "##### The OS is Windows Server 2003 #####\n"},
                      MachineCase{"Version10_1", "[Windows]\nVersion=10.1\n", 6, -1, 0,
                                  "##### The OS is Unknown #####\n"}),
    [](const ::testing::TestParamInfo<MachineCase>& info) { return std::string(info.param.name); });

class VersionFailureTest : public SimMachineTest {};

TEST_F(VersionFailureTest, MissingOrFailingRtlGetVersionWritesNothing) {
  VERSIONINFO_MGR::CVersionInfoMgr mgr;
  std::int32_t osClass = 7, code = 7, sp = 7;
  machine().InjectFault({"GetProcAddress", 0, 1, ERROR_PROC_NOT_FOUND, "RtlGetVersion"});
  EXPECT_EQ(mgr.GetWindowsVersion(&osClass, &code, &sp), 1);
  machine().InjectFault({"RtlGetVersion", 0, 1, 0, ""});
  EXPECT_EQ(mgr.GetWindowsVersion(&osClass, &code, &sp), 2);
  EXPECT_EQ(osClass, 7);
  EXPECT_EQ(code, 7);
  EXPECT_EQ(sp, 7);
  EXPECT_EQ(DebugText(), "");
  // Null outputs are allowed.
  EXPECT_EQ(mgr.GetWindowsVersion(nullptr, nullptr, nullptr), 0);
}

TEST_F(VersionFailureTest, TraceUsesTheClassWhenNoCodeIsGiven) {
  VERSIONINFO_MGR::CVersionInfoMgr mgr;
  const std::int32_t win7 = 4, bogus = 42;
  mgr.TraceWindowsVersion(&win7, nullptr, nullptr);
  mgr.TraceWindowsVersion(&bogus, nullptr, nullptr);
  EXPECT_EQ(DebugText(), "##### The OS is WIN7 #####\n##### The OS is Unknown #####\n");
}

class InstallMgrTest : public SimMachineTest {};

TEST_F(InstallMgrTest, Gathers64BitWindowsFacts) {
  OpenMachine("[Windows]\nVersion=6.1\nServicePack=1\nArchitecture=x64\n");
  INSTALL_MGR::CInstallMgr mgr;
  EXPECT_EQ(mgr.Is64BitOS, 1);
  EXPECT_EQ(mgr.OSClass, 4);
  EXPECT_EQ(mgr.OSVersionCode, 0x601);
  EXPECT_EQ(mgr.ServicePackMajor, 1);
  EXPECT_EQ(mgr.NativeSystemFolderPath, u"C:\\Windows\\system32\\");

  EXPECT_NE(DebugText().find("GetWindowsVersion: Major = 0x00000006, Minor = 0x00000001\n"
                             "##### The OS is WIN7 #####\n"
                             "##### The service pack version = 1 #####\n"),
            std::string::npos)
      << DebugText();
}

TEST_F(InstallMgrTest, UnknownArchitectureCountsAs32Bit) {
  OpenMachine("[Windows]\nVersion=10.0\nArchitecture=arm64\n");
  int isWow64 = 0;
  QueryWow64Process(&isWow64);
  EXPECT_EQ(isWow64, 1);  // the form's own test may differ from the native one
  std::int32_t is64 = 0;
  EXPECT_EQ(GetNativeOSBits(&is64), 1);
  INSTALL_MGR::CInstallMgr mgr;
  EXPECT_EQ(mgr.Is64BitOS, 0);
}

TEST_F(InstallMgrTest, FailedVersionQueryLeavesZerosAndTracesUnknown) {
  machine().InjectFault({"RtlGetVersion", 0, 1, 0, ""});
  INSTALL_MGR::CInstallMgr mgr;
  EXPECT_EQ(mgr.OSClass, 0);
  EXPECT_EQ(mgr.OSVersionCode, 0);
  EXPECT_EQ(mgr.ServicePackMajor, 0);
  EXPECT_NE(DebugText().find("CInstallMgr::CInstallMgr ***** GetWindowsVersion FAIL! *****\n"
                             "##### The OS is Unknown #####\n"
                             "##### The service pack version = 0 #####\n"),
            std::string::npos)
      << DebugText();
}

TEST_F(InstallMgrTest, Wow64StateFollowsTheMachineAndTheProgram) {
  int isWow64 = 0;
  QueryWow64Process(&isWow64);
  EXPECT_EQ(isWow64, 1);  // the 32-bit setup on 64-bit Windows
  machine().SetProcessIs32Bit(false);
  isWow64 = 0;
  QueryWow64Process(&isWow64);
  EXPECT_EQ(isWow64, 0);
  OpenMachine("[Windows]\nVersion=6.1\nArchitecture=x86\n");
  isWow64 = 0;
  QueryWow64Process(&isWow64);
  EXPECT_EQ(isWow64, 0);
}

// When IsWow64Process cannot answer, the architectures decide: the 32-bit setup on 64-bit
// Windows still knows it runs under WOW64 (and so writes its 64-bit files where they belong).
TEST_F(InstallMgrTest, Wow64StateWithoutIsWow64Process) {
  struct Case {
    const char* ini;
    bool program32;
    int expected;
  };
  const Case cases[] = {
      {"[Windows]\nVersion=10.0\nArchitecture=x64\n", true, 1},
      {"[Windows]\nVersion=10.0\nArchitecture=arm64\n", true, 1},
      {"[Windows]\nVersion=10.0\nArchitecture=x64\n", false, 0},
      {"[Windows]\nVersion=6.1\nArchitecture=x86\n", true, 0},
  };
  for (const Case& c : cases) {
    OpenMachine(c.ini);
    machine().SetProcessIs32Bit(c.program32);
    machine().InjectFault({"GetProcAddress", 0, 1, ERROR_PROC_NOT_FOUND, "IsWow64Process"});
    int isWow64 = 0;
    QueryWow64Process(&isWow64);
    EXPECT_EQ(isWow64, c.expected) << c.ini << " 32-bit program: " << c.program32;
  }
}

// Without GetSystemDirectoryW the Windows folder's System32 is taken; without either the path
// stays empty, which the steps refuse, instead of naming the root of the drive.
TEST_F(InstallMgrTest, SystemFolderWithoutGetSystemDirectory) {
  machine().InjectFault({"GetSystemDirectoryW", 0, 1, ERROR_NOT_ENOUGH_MEMORY, ""});
  EXPECT_EQ(INSTALL_MGR::CInstallMgr().NativeSystemFolderPath, u"C:\\Windows\\system32\\");
  machine().InjectFault({"GetSystemDirectoryW", 0, 1, ERROR_NOT_ENOUGH_MEMORY, ""});
  machine().InjectFault({"GetWindowsDirectoryW", 0, 1, ERROR_NOT_ENOUGH_MEMORY, ""});
  INSTALL_MGR::CInstallMgr mgr;
  EXPECT_EQ(mgr.NativeSystemFolderPath, u"");
  EXPECT_EQ(mgr.CopyWindowPatch(PAYLOAD_WINDOWPATCH, u"WindowPatch"), 2);
}

}  // namespace
