// The handle owners close what they own exactly once: a second close of the raw handle fails.
#include "platform/OwnedHandles.h"

#include "platform/os_devices.h"
#include "platform/os_files.h"
#include "platform/os_registry.h"
#include "platform/os_services.h"
#include "platform/os_system.h"
#include "platform/sim/sim_services.h"
#include "support/sim_fixture.h"

namespace {

class OwnedHandlesTest : public SimMachineTest {
 protected:
  os::HKEY OpenSoftware() {
    os::HKEY key = nullptr;
    EXPECT_EQ(os::RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"SOFTWARE", 0, KEY_READ, &key), ERROR_SUCCESS);
    return key;
  }
  os::HANDLE CreateFile(const std::u16string& path) {
    return os::CreateFileW(path, GENERIC_WRITE, 0, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL);
  }
};

TEST_F(OwnedHandlesTest, EachKindClosesItsHandleWhenTheScopeEnds) {
  os::HKEY rawKey = nullptr;
  os::HANDLE rawFile = nullptr, rawFind = nullptr, rawSet = nullptr;
  os::SC_HANDLE rawManager = nullptr;
  {
    const os::OwnedKey key(OpenSoftware());
    const os::OwnedFile file(CreateFile(u"C:\\owned.txt"));
    os::FindData data;
    const os::OwnedFind find(os::FindFirstFileW(u"C:\\*", &data));
    const os::OwnedService manager(os::OpenSCManagerW(u"", u"", SC_MANAGER_ALL_ACCESS));
    const os::OwnedDeviceSet set(os::SetupDiGetClassDevsW(nullptr, u"", DIGCF_ALLCLASSES));
    ASSERT_TRUE(key && file && find && manager && set);
    rawKey = key.get();
    rawFile = file.get();
    rawFind = find.get();
    rawManager = manager.get();
    rawSet = set.get();
    EXPECT_EQ(sim::OpenServiceHandles(), 1u);
  }
  EXPECT_EQ(sim::OpenServiceHandles(), 0u);
  EXPECT_NE(os::RegCloseKey(rawKey), ERROR_SUCCESS);
  EXPECT_FALSE(os::CloseHandle(rawFile));
  EXPECT_FALSE(os::FindClose(rawFind));
  EXPECT_FALSE(os::SetupDiDestroyDeviceInfoList(rawSet));
  EXPECT_FALSE(os::CloseServiceHandle(rawManager));
}

TEST_F(OwnedHandlesTest, FailedOpensOwnNothing) {
  const os::OwnedFile file(os::CreateFileW(u"C:\\missing\\x.txt", GENERIC_READ, 0, OPEN_EXISTING,
                                           FILE_ATTRIBUTE_NORMAL));
  EXPECT_FALSE(file);
  EXPECT_EQ(file.get(), INVALID_HANDLE_VALUE);
  os::OwnedKey key;
  EXPECT_NE(
      os::RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\NoSuchKey", 0, KEY_READ, key.Receive()),
      ERROR_SUCCESS);
  EXPECT_FALSE(key);
  const os::OwnedService service(nullptr);
  EXPECT_FALSE(service);
}

TEST_F(OwnedHandlesTest, MovesHandOverAndReceiveClosesWhatWasHeld) {
  os::OwnedKey first(OpenSoftware());
  const os::HKEY raw = first.get();
  os::OwnedKey second(std::move(first));
  EXPECT_FALSE(first);
  EXPECT_EQ(second.get(), raw);

  // Receiving a new key into an owner closes the one it held.
  ASSERT_EQ(os::RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"SYSTEM", 0, KEY_READ, second.Receive()),
            ERROR_SUCCESS);
  EXPECT_NE(second.get(), raw);
  EXPECT_NE(os::RegCloseKey(raw), ERROR_SUCCESS);

  // A released handle is the caller's to close.
  const os::HKEY released = second.release();
  EXPECT_FALSE(second);
  EXPECT_EQ(os::RegCloseKey(released), ERROR_SUCCESS);

  os::OwnedFile file(CreateFile(u"C:\\a.txt"));
  const os::HANDLE rawFile = file.get();
  file = os::OwnedFile(CreateFile(u"C:\\b.txt"));
  EXPECT_FALSE(os::CloseHandle(rawFile));
  EXPECT_TRUE(file);
}

}  // namespace
