// The handle values the simulated machine hands out: each kind in its own numbering, in steps of
// four, never handed out twice, not even after the machine is reopened (a stale handle of an
// earlier run then stays invalid).
#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>

#include "platform/os_devices.h"
#include "platform/os_files.h"
#include "platform/os_process.h"
#include "platform/os_registry.h"
#include "platform/os_services.h"
#include "support/sim_fixture.h"

namespace {

template <typename Handle>
std::uintptr_t Value(Handle handle) {
  return reinterpret_cast<std::uintptr_t>(handle);
}

class SimHandlesTest : public SimMachineTest {};

TEST_F(SimHandlesTest, FileAndSearchHandlesShareOneNumbering) {
  std::ofstream(Host("C:\\a.txt"), std::ios::binary) << "a";
  const os::HANDLE file = os::CreateFileW(u"C:\\a.txt", GENERIC_READ, FILE_SHARE_READ,
                                          OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  os::FindData data;
  const os::HANDLE find = os::FindFirstFileW(u"C:\\*.txt", &data);
  ASSERT_NE(find, INVALID_HANDLE_VALUE);
  EXPECT_EQ(Value(find), Value(file) + 4);
  EXPECT_GT(Value(file), 0x100u);
  // A search handle is no file handle and the other way round.
  EXPECT_FALSE(os::CloseHandle(find));
  EXPECT_FALSE(os::FindClose(file));
  EXPECT_TRUE(os::CloseHandle(file));
  EXPECT_TRUE(os::FindClose(find));
  EXPECT_FALSE(os::FindClose(find));
  const os::HANDLE next = os::FindFirstFileW(u"C:\\*.txt", &data);
  EXPECT_EQ(Value(next), Value(find) + 4);  // closed values are not handed out again
  EXPECT_TRUE(os::FindClose(next));
}

TEST_F(SimHandlesTest, RegistryKeysAreNumberedApartAndStayInvalidAfterAReopen) {
  os::HKEY first = nullptr;
  os::HKEY second = nullptr;
  ASSERT_EQ(os::RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"SOFTWARE", 0, KEY_READ, &first), ERROR_SUCCESS);
  ASSERT_EQ(os::RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"SYSTEM", 0, KEY_READ, &second), ERROR_SUCCESS);
  EXPECT_GE(Value(first), 0x100u);
  EXPECT_LT(Value(first), 0x5C0000u);
  EXPECT_EQ(Value(second), Value(first) + 4);
  EXPECT_EQ(os::RegCloseKey(first), ERROR_SUCCESS);
  EXPECT_EQ(os::RegCloseKey(first), ERROR_INVALID_HANDLE);
  ReopenMachine();
  EXPECT_EQ(os::RegCloseKey(second), ERROR_INVALID_HANDLE);
  os::HKEY third = nullptr;
  ASSERT_EQ(os::RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"SOFTWARE", 0, KEY_READ, &third), ERROR_SUCCESS);
  EXPECT_EQ(Value(third), Value(second) + 4);
  EXPECT_EQ(os::RegCloseKey(third), ERROR_SUCCESS);
}

TEST_F(SimHandlesTest, ServiceHandlesAndDeviceSetsHaveRangesOfTheirOwn) {
  const os::SC_HANDLE manager = os::OpenSCManagerW(u"", u"", SC_MANAGER_ALL_ACCESS);
  ASSERT_NE(manager, nullptr);
  const os::SC_HANDLE other = os::OpenSCManagerW(u"", u"", SC_MANAGER_CONNECT);
  ASSERT_NE(other, nullptr);
  EXPECT_EQ(Value(manager) & ~std::uintptr_t{0xFFFF}, 0x5C0000u);
  EXPECT_EQ(Value(other), Value(manager) + 4);
  EXPECT_TRUE(os::CloseServiceHandle(manager));
  EXPECT_FALSE(os::CloseServiceHandle(manager));
  ReopenMachine();
  EXPECT_FALSE(os::CloseServiceHandle(other));

  const os::HDEVINFO set = os::SetupDiGetClassDevsW(nullptr, u"", DIGCF_ALLCLASSES);
  ASSERT_NE(set, INVALID_HANDLE_VALUE);
  const os::HDEVINFO again = os::SetupDiGetClassDevsW(nullptr, u"", DIGCF_ALLCLASSES);
  EXPECT_EQ(Value(set) & ~std::uintptr_t{0xFFFF}, 0x5D0000u);
  EXPECT_EQ(Value(again), Value(set) + 4);
  EXPECT_TRUE(os::SetupDiDestroyDeviceInfoList(set));
  EXPECT_FALSE(os::SetupDiDestroyDeviceInfoList(set));
  EXPECT_TRUE(os::SetupDiDestroyDeviceInfoList(again));
}

TEST_F(SimHandlesTest, AProgramsProcessAndThreadHandlesFollowEachOther) {
  std::filesystem::create_directories(Host("C:\\Tools"));
  std::ofstream(Host("C:\\Tools\\run.exe"), std::ios::binary) << "MZ";
  os::STARTUPINFOW startup;
  startup.cb = sizeof(startup);
  os::PROCESS_INFORMATION one;
  os::PROCESS_INFORMATION two;
  ASSERT_TRUE(os::CreateProcessW(u"", u"C:\\Tools\\run.exe", FALSE, 0, u"", &startup, &one));
  ASSERT_TRUE(os::CreateProcessW(u"", u"C:\\Tools\\run.exe", FALSE, 0, u"", &startup, &two));
  EXPECT_EQ(Value(one.hProcess) & ~std::uintptr_t{0xFFFF}, 0x5E0000u);
  EXPECT_EQ(Value(one.hProcess) % 8, 0u);
  EXPECT_EQ(Value(one.hThread), Value(one.hProcess) + 4);
  EXPECT_EQ(Value(two.hProcess), Value(one.hProcess) + 8);
  EXPECT_EQ(two.dwProcessId, one.dwProcessId + 4);
  EXPECT_EQ(one.dwThreadId, one.dwProcessId + 2);
  // The thread handle waits as the process does but has no exit code of its own.
  EXPECT_EQ(os::WaitForSingleObject(one.hThread, 0), WAIT_OBJECT_0);
  os::DWORD code = 1;
  EXPECT_FALSE(os::GetExitCodeProcess(one.hThread, &code));
  EXPECT_TRUE(os::CloseHandle(one.hProcess));
  EXPECT_FALSE(os::GetExitCodeProcess(one.hProcess, &code));
  EXPECT_EQ(os::WaitForSingleObject(one.hThread, 0), WAIT_OBJECT_0);  // the thread's still open
  EXPECT_TRUE(os::CloseHandle(one.hThread));
  EXPECT_FALSE(os::CloseHandle(one.hThread));
  for (const os::HANDLE h : {two.hProcess, two.hThread}) EXPECT_TRUE(os::CloseHandle(h));
}

}  // namespace
