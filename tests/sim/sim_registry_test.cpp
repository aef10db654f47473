// The simulated registry: Windows' error codes and rules, views, persistence and registry.reg.
#include "platform/sim/sim_registry.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <thread>

#include "platform/os_registry.h"
#include "support/reg_file.h"
#include "support/sim_fixture.h"

namespace {

std::vector<os::BYTE> Bytes(const std::u16string& s, bool withZero = true) {
  const auto* p = reinterpret_cast<const os::BYTE*>(s.c_str());
  return std::vector<os::BYTE>(p, p + (s.size() + (withZero ? 1 : 0)) * 2);
}

class SimRegistryTest : public SimMachineTest {
 protected:
  os::HKEY Create(os::HKEY root, const std::u16string& path, os::REGSAM access = KEY_ALL_ACCESS,
                  const std::u16string& keyClass = u"") {
    os::HKEY key = nullptr;
    EXPECT_EQ(
        os::RegCreateKeyExW(root, path, keyClass, REG_OPTION_NON_VOLATILE, access, &key, nullptr),
        ERROR_SUCCESS)
        << text::ToUtf8(path);
    return key;
  }
  os::LONG Open(os::HKEY root, const std::u16string& path, os::REGSAM access, os::HKEY* key) {
    return os::RegOpenKeyExW(root, path, 0, access, key);
  }
  void Set(os::HKEY key, const std::u16string& name, os::DWORD type,
           const std::vector<os::BYTE>& data) {
    ASSERT_EQ(os::RegSetValueExW(key, name, type, data.data(), static_cast<os::DWORD>(data.size())),
              ERROR_SUCCESS);
  }
  std::vector<os::BYTE> Get(os::HKEY key, const std::u16string& name, os::DWORD* type = nullptr) {
    std::vector<os::BYTE> data(4096);
    os::DWORD size = static_cast<os::DWORD>(data.size());
    EXPECT_EQ(os::RegQueryValueExW(key, name, type, data.data(), &size), ERROR_SUCCESS);
    data.resize(size);
    return data;
  }
  std::string SavedText() {
    std::string error;
    EXPECT_TRUE(machine().Save(&error)) << error;
    return ReadRegFile(folder_ / "registry.reg");
  }
  void WriteFile(const std::string& name, const std::string& bytes) {
    std::ofstream(folder_ / name, std::ios::binary) << bytes;
  }
};

TEST_F(SimRegistryTest, CreateReportsDispositionAndSetsClassOnlyOnCreation) {
  os::HKEY key = nullptr;
  os::DWORD disposition = 0;
  ASSERT_EQ(os::RegCreateKeyExW(HKEY_CURRENT_USER, u"Software\\Zkt\\Driver\\\\", u"ZEVor", 0,
                                KEY_ALL_ACCESS, &key, &disposition),
            ERROR_SUCCESS);
  EXPECT_EQ(disposition, REG_CREATED_NEW_KEY);
  os::RegCloseKey(key);
  ASSERT_EQ(os::RegCreateKeyExW(HKEY_CURRENT_USER, u"SOFTWARE\\ZKT\\driver", u"Other", 0,
                                KEY_ALL_ACCESS, &key, &disposition),
            ERROR_SUCCESS);
  EXPECT_EQ(disposition, REG_OPENED_EXISTING_KEY);
  std::u16string keyClass;
  ASSERT_EQ(os::RegQueryInfoKeyW(key, &keyClass, nullptr, nullptr), ERROR_SUCCESS);
  EXPECT_EQ(keyClass, u"ZEVor");
  os::RegCloseKey(key);

  // The intermediate key got no class; names keep the case they were created with.
  os::HKEY parent = Create(HKEY_CURRENT_USER, u"software\\zkt");
  ASSERT_EQ(os::RegQueryInfoKeyW(parent, &keyClass, nullptr, nullptr), ERROR_SUCCESS);
  EXPECT_EQ(keyClass, u"");
  std::u16string name;
  ASSERT_EQ(os::RegEnumKeyExW(parent, 0, &name), ERROR_SUCCESS);
  EXPECT_EQ(name, u"Driver");
  os::RegCloseKey(parent);
}

TEST_F(SimRegistryTest, OpenAndHandleErrorsAreWindowsCodes) {
  os::HKEY key = reinterpret_cast<os::HKEY>(0x1);
  EXPECT_EQ(Open(HKEY_CURRENT_USER, u"Software\\Missing", KEY_READ, &key), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(key, nullptr);
  EXPECT_EQ(Open(HKEY_CURRENT_USER, u"\\Software", KEY_READ, &key), ERROR_BAD_PATHNAME);
  EXPECT_EQ(Open(HKEY_CLASSES_ROOT, u"CLSID", KEY_READ, &key), ERROR_INVALID_HANDLE);
  EXPECT_EQ(Open(HKEY_CURRENT_USER, std::u16string(256, u'k'), KEY_READ, &key),
            ERROR_INVALID_PARAMETER);
  EXPECT_EQ(Open(HKEY_CURRENT_USER, u"", KEY_READ, &key), ERROR_SUCCESS);
  EXPECT_EQ(key, HKEY_CURRENT_USER);  // the predefined key itself
  EXPECT_EQ(os::RegOpenKeyExW(HKEY_CURRENT_USER, u"Software", 0, KEY_READ, nullptr),
            ERROR_INVALID_PARAMETER);

  key = Create(HKEY_CURRENT_USER, u"Software\\Zkt");
  EXPECT_EQ(os::RegCloseKey(key), ERROR_SUCCESS);
  EXPECT_EQ(os::RegCloseKey(key), ERROR_INVALID_HANDLE);
  EXPECT_EQ(os::RegSetValueExW(key, u"x", REG_DWORD, "abcd", 4), ERROR_INVALID_HANDLE);
  EXPECT_EQ(os::RegCloseKey(HKEY_LOCAL_MACHINE), ERROR_SUCCESS);

  // A handle outlives the key it names, but every use then fails.
  key = Create(HKEY_CURRENT_USER, u"Software\\Zkt\\Gone");
  ASSERT_EQ(os::RegDeleteKeyExW(HKEY_CURRENT_USER, u"Software\\Zkt\\Gone", 0), ERROR_SUCCESS);
  EXPECT_EQ(os::RegSetValueExW(key, u"x", REG_DWORD, "abcd", 4), ERROR_KEY_DELETED);
  EXPECT_EQ(os::RegQueryInfoKeyW(key, nullptr, nullptr, nullptr), ERROR_KEY_DELETED);
  EXPECT_EQ(os::RegCloseKey(key), ERROR_SUCCESS);

  // Nobody adds a hive below HKEY_LOCAL_MACHINE.
  os::HKEY hive = nullptr;
  EXPECT_EQ(
      os::RegCreateKeyExW(HKEY_LOCAL_MACHINE, u"NEWHIVE", u"", 0, KEY_ALL_ACCESS, &hive, nullptr),
      ERROR_ACCESS_DENIED);
}

TEST_F(SimRegistryTest, ValuesKeepExactBytesAndAnswerSizeQueries) {
  os::HKEY key = Create(HKEY_CURRENT_USER, u"Software\\Zkt");
  const std::vector<std::pair<os::DWORD, std::vector<os::BYTE>>> cases = {
      {REG_SZ, Bytes(u"Audio")},
      {REG_EXPAND_SZ, Bytes(u"%SystemRoot%\\x")},
      {REG_MULTI_SZ, Bytes(std::u16string(u"a\0\0b\0", 5))},
      {REG_DWORD, {1, 2, 3, 4}},
      {REG_QWORD, {1, 2, 3, 4, 5, 6, 7, 8}},
      {REG_BINARY, {0xff, 0x00, 0x7f}},
      {REG_NONE, {}},
      {REG_SZ, Bytes(u"no terminator", false)},
  };
  for (std::size_t i = 0; i < cases.size(); ++i) {
    const std::u16string name = u"v" + text::FromUtf8(std::to_string(i));
    Set(key, name, cases[i].first, cases[i].second);
    os::DWORD type = 0, size = 0;
    ASSERT_EQ(os::RegQueryValueExW(key, name, &type, nullptr, &size), ERROR_SUCCESS) << i;
    EXPECT_EQ(type, cases[i].first) << i;
    EXPECT_EQ(size, cases[i].second.size()) << i;
    EXPECT_EQ(Get(key, name), cases[i].second) << i;
  }
  // A string without its zero gets one in the buffer when there is room, not in the size.
  std::vector<os::BYTE> buffer(30, 0xAA);
  os::DWORD bufferSize = static_cast<os::DWORD>(buffer.size());
  ASSERT_EQ(os::RegQueryValueExW(key, u"v7", nullptr, buffer.data(), &bufferSize), ERROR_SUCCESS);
  EXPECT_EQ(bufferSize, 26u);
  EXPECT_EQ(buffer[26], 0);
  EXPECT_EQ(buffer[27], 0);
  EXPECT_EQ(buffer[28], 0xAA);
  bufferSize = 27;
  buffer.assign(30, 0xAA);
  ASSERT_EQ(os::RegQueryValueExW(key, u"v7", nullptr, buffer.data(), &bufferSize), ERROR_SUCCESS);
  EXPECT_EQ(buffer[26], 0xAA);  // no room for a whole character

  // Too small a buffer: the needed size, and the buffer is not written.
  os::BYTE small[4] = {0xAA, 0xAA, 0xAA, 0xAA};
  os::DWORD size = sizeof small, type = 0;
  EXPECT_EQ(os::RegQueryValueExW(key, u"v0", &type, small, &size), ERROR_MORE_DATA);
  EXPECT_EQ(size, 12u);
  EXPECT_EQ(type, REG_SZ);
  EXPECT_EQ(small[0], 0xAA);

  // The default value, and names matched without regard to case.
  Set(key, u"", REG_SZ, Bytes(u"default"));
  EXPECT_EQ(Get(key, u""), Bytes(u"default"));
  Set(key, u"V0", REG_DWORD, {9, 0, 0, 0});
  std::u16string name;
  ASSERT_EQ(os::RegEnumValueW(key, 0, &name, &type, nullptr), ERROR_SUCCESS);
  EXPECT_EQ(name, u"v0");
  EXPECT_EQ(type, REG_DWORD);

  EXPECT_EQ(os::RegQueryValueExW(key, u"absent", nullptr, nullptr, &size), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(os::RegDeleteValueW(key, u"absent"), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(os::RegDeleteValueW(key, u"V1"), ERROR_SUCCESS);
  EXPECT_EQ(os::RegQueryValueExW(key, u"v1", nullptr, nullptr, &size), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(os::RegSetValueExW(key, u"x", REG_BINARY, nullptr, 4), ERROR_NOACCESS);
  os::RegCloseKey(key);
}

TEST_F(SimRegistryTest, AccessRightsOfTheHandleAreEnforced) {
  os::RegCloseKey(Create(HKEY_CURRENT_USER, u"Software\\Zkt\\Sub"));
  struct Case {
    os::REGSAM access;
    os::LONG set, query, enumKeys, enumValues;
  };
  const Case cases[] = {
      {KEY_READ, ERROR_ACCESS_DENIED, ERROR_SUCCESS, ERROR_SUCCESS, ERROR_SUCCESS},
      {KEY_SET_VALUE, ERROR_SUCCESS, ERROR_ACCESS_DENIED, ERROR_ACCESS_DENIED, ERROR_ACCESS_DENIED},
      {KEY_QUERY_VALUE, ERROR_ACCESS_DENIED, ERROR_SUCCESS, ERROR_ACCESS_DENIED, ERROR_SUCCESS},
      {0x80000000u /* GENERIC_READ */, ERROR_ACCESS_DENIED, ERROR_SUCCESS, ERROR_SUCCESS,
       ERROR_SUCCESS},
  };
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    os::HKEY key = nullptr;
    ASSERT_EQ(Open(HKEY_CURRENT_USER, u"Software\\Zkt", cases[i].access, &key), ERROR_SUCCESS);
    os::DWORD size = 0;
    std::u16string name;
    EXPECT_EQ(os::RegSetValueExW(key, u"v", REG_DWORD, "abcd", 4), cases[i].set) << i;
    EXPECT_EQ(os::RegDeleteValueW(key, u"v"),
              cases[i].set == ERROR_SUCCESS ? ERROR_SUCCESS : ERROR_ACCESS_DENIED)
        << i;
    EXPECT_EQ(os::RegQueryValueExW(key, u"v", nullptr, nullptr, &size),
              cases[i].query == ERROR_SUCCESS ? ERROR_FILE_NOT_FOUND : cases[i].query)
        << i;
    EXPECT_EQ(os::RegEnumKeyExW(key, 0, &name), cases[i].enumKeys) << i;
    EXPECT_EQ(os::RegEnumValueW(key, 0, &name, nullptr, nullptr),
              cases[i].enumValues == ERROR_SUCCESS ? ERROR_NO_MORE_ITEMS : cases[i].enumValues)
        << i;
    os::RegCloseKey(key);
  }
}

TEST_F(SimRegistryTest, EnumerationOrderAndDeleteRules) {
  os::HKEY key = Create(HKEY_CURRENT_USER, u"Software\\Zkt");
  for (const char16_t* n : {u"b", u"_x", u"A", u"C", u"\u00e9t\u00e9"})
    os::RegCloseKey(Create(key, n));
  for (const char16_t* n : {u"zeta", u"alpha", u"Mid"}) Set(key, n, REG_DWORD, {0, 0, 0, 0});
  std::vector<std::u16string> keys, values;
  std::u16string name;
  for (os::DWORD i = 0; os::RegEnumKeyExW(key, i, &name) == ERROR_SUCCESS; ++i)
    keys.push_back(name);
  for (os::DWORD i = 0; os::RegEnumValueW(key, i, &name, nullptr, nullptr) == ERROR_SUCCESS; ++i)
    values.push_back(name);
  // Subkeys in ordinal upper-case order ('_' after the letters), values as created.
  EXPECT_EQ(keys, (std::vector<std::u16string>{u"A", u"b", u"C", u"_x", u"\u00e9t\u00e9"}));
  EXPECT_EQ(values, (std::vector<std::u16string>{u"zeta", u"alpha", u"Mid"}));
  EXPECT_EQ(os::RegEnumKeyExW(key, 5, &name), ERROR_NO_MORE_ITEMS);
  os::DWORD subKeys = 0, valueCount = 0;
  ASSERT_EQ(os::RegQueryInfoKeyW(key, nullptr, &subKeys, &valueCount), ERROR_SUCCESS);
  EXPECT_EQ(subKeys, 5u);
  EXPECT_EQ(valueCount, 3u);

  os::RegCloseKey(Create(key, u"A\\Child"));
  EXPECT_EQ(os::RegDeleteKeyExW(key, u"A", 0), ERROR_ACCESS_DENIED);
  EXPECT_EQ(os::RegDeleteKeyExW(key, u"Missing", 0), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(os::RegDeleteKeyExW(key, u"A\\Child", 0), ERROR_SUCCESS);
  EXPECT_EQ(os::RegDeleteKeyExW(key, u"a", 0), ERROR_SUCCESS);
  EXPECT_EQ(os::RegDeleteKeyExW(HKEY_LOCAL_MACHINE, u"SOFTWARE", 0), ERROR_ACCESS_DENIED);
  EXPECT_EQ(os::RegDeleteKeyExW(HKEY_CURRENT_USER, u"", 0), ERROR_ACCESS_DENIED);
  os::RegCloseKey(key);
}

TEST_F(SimRegistryTest, ThirtyTwoBitProgramLandsInWow6432Node) {
  ASSERT_TRUE(machine().UnderWow64());
  os::HKEY key = Create(HKEY_LOCAL_MACHINE, u"SOFTWARE\\ZktView");
  Set(key, u"view", REG_DWORD, {32, 0, 0, 0});
  os::RegCloseKey(key);
  os::HKEY native =
      Create(HKEY_LOCAL_MACHINE, u"SOFTWARE\\ZktView", KEY_ALL_ACCESS | KEY_WOW64_64KEY);
  Set(native, u"view", REG_DWORD, {64, 0, 0, 0});
  os::RegCloseKey(native);

  // Seen from a 64-bit program: plain access is native, KEY_WOW64_32KEY the 32-bit view.
  machine().SetProcessIs32Bit(false);
  ASSERT_EQ(Open(HKEY_LOCAL_MACHINE, u"SOFTWARE\\ZktView", KEY_READ, &key), ERROR_SUCCESS);
  EXPECT_EQ(Get(key, u"view")[0], 64);
  os::RegCloseKey(key);
  ASSERT_EQ(Open(HKEY_LOCAL_MACHINE, u"SOFTWARE\\ZktView", KEY_READ | KEY_WOW64_32KEY, &key),
            ERROR_SUCCESS);
  EXPECT_EQ(Get(key, u"view")[0], 32);
  os::RegCloseKey(key);
  // HKCU is shared by both views.
  machine().SetProcessIs32Bit(true);
  os::RegCloseKey(Create(HKEY_CURRENT_USER, u"Software\\ZktView"));

  const std::string reg = SavedText();
  EXPECT_NE(RegKeyBlock(reg, "HKEY_LOCAL_MACHINE\\SOFTWARE\\WOW6432Node\\ZktView")
                .find("\"view\"=dword:00000020"),
            std::string::npos)
      << reg;
  EXPECT_NE(RegKeyBlock(reg, "HKEY_LOCAL_MACHINE\\SOFTWARE\\ZktView").find("dword:00000040"),
            std::string::npos);
  EXPECT_EQ(reg.find("[HKEY_CURRENT_USER\\Software\\WOW6432Node"), std::string::npos);

  // A fault sees the path the call really touches.
  machine().InjectFault({"RegCreateKeyExW", 0, 1, ERROR_CANTWRITE, "WOW6432Node\\ZktFault"});
  os::HKEY faulted = nullptr;
  EXPECT_EQ(os::RegCreateKeyExW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\ZktFault", u"", 0, KEY_ALL_ACCESS,
                                &faulted, nullptr),
            ERROR_CANTWRITE);
  EXPECT_EQ(Open(HKEY_LOCAL_MACHINE, u"SOFTWARE\\ZktFault", KEY_READ, &faulted),
            ERROR_FILE_NOT_FOUND);
}

TEST_F(SimRegistryTest, FaultsFailTheNamedCallOnTheNamedKeyOnly) {
  os::HKEY key = Create(HKEY_CURRENT_USER, u"Software\\ZktFaults\\Target");
  os::HKEY other = Create(HKEY_CURRENT_USER, u"Software\\ZktFaults\\Other");
  machine().InjectFault(
      {"RegSetValueExW", 0, 1, ERROR_CANTWRITE, "HKEY_CURRENT_USER\\Software\\ZktFaults\\Target"});
  EXPECT_EQ(os::RegSetValueExW(other, u"v", REG_DWORD, "abcd", 4), ERROR_SUCCESS);
  EXPECT_EQ(os::RegSetValueExW(key, u"v", REG_DWORD, "abcd", 4), ERROR_CANTWRITE);
  os::DWORD size = 0;
  EXPECT_EQ(os::RegQueryValueExW(key, u"v", nullptr, nullptr, &size), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(os::RegSetValueExW(key, u"v", REG_DWORD, "abcd", 4), ERROR_SUCCESS);  // spent
  os::RegCloseKey(key);
  os::RegCloseKey(other);
}

// The install worker and the user-interface thread use the registry at the same time.
TEST_F(SimRegistryTest, ConcurrentCallsLoseNothing) {
  auto work = [](const std::u16string& prefix) {
    for (int i = 0; i < 200; ++i) {
      os::HKEY key = nullptr;
      const std::u16string path =
          u"Software\\ZktThreads\\" + prefix + text::FromUtf8(std::to_string(i));
      if (os::RegCreateKeyExW(HKEY_CURRENT_USER, path, u"", 0, KEY_ALL_ACCESS, &key, nullptr))
        continue;
      os::RegSetValueExW(key, u"n", REG_DWORD, &i, 4);
      os::RegCloseKey(key);
    }
  };
  std::thread a(work, u"a"), b(work, u"b");
  a.join();
  b.join();
  os::HKEY key = nullptr;
  ASSERT_EQ(Open(HKEY_CURRENT_USER, u"Software\\ZktThreads", KEY_READ, &key), ERROR_SUCCESS);
  os::DWORD subKeys = 0;
  ASSERT_EQ(os::RegQueryInfoKeyW(key, nullptr, &subKeys, nullptr), ERROR_SUCCESS);
  EXPECT_EQ(subKeys, 400u);
  os::RegCloseKey(key);
  ASSERT_EQ(Open(HKEY_CURRENT_USER, u"Software\\ZktThreads\\b199", KEY_READ, &key), ERROR_SUCCESS);
  EXPECT_EQ(Get(key, u"n"), (std::vector<os::BYTE>{199, 0, 0, 0}));
  os::RegCloseKey(key);
}

class SimRegistryWin7x86Test : public SimRegistryTest {
  std::string MachineIni() const override {
    return "[Windows]\nVersion=6.1\nBuild=7601\nServicePack=1\nArchitecture=x86\n";
  }
};

TEST_F(SimRegistryWin7x86Test, NoViewsAndVersionValuesOnThirtyTwoBitWindows) {
  os::HKEY key = Create(HKEY_LOCAL_MACHINE, u"SOFTWARE\\ZktView", KEY_ALL_ACCESS | KEY_WOW64_32KEY);
  os::RegCloseKey(key);
  ASSERT_EQ(Open(HKEY_LOCAL_MACHINE, u"SOFTWARE\\ZktView", KEY_READ | KEY_WOW64_64KEY, &key),
            ERROR_SUCCESS);
  os::RegCloseKey(key);
  EXPECT_EQ(Open(HKEY_LOCAL_MACHINE, u"SOFTWARE\\WOW6432Node", KEY_READ, &key),
            ERROR_FILE_NOT_FOUND);
  ASSERT_EQ(
      Open(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion", KEY_READ, &key),
      ERROR_SUCCESS);
  EXPECT_EQ(Get(key, u"CurrentVersion"), Bytes(u"6.1"));
  EXPECT_EQ(Get(key, u"CurrentBuild"), Bytes(u"7601"));
  EXPECT_EQ(Get(key, u"CSDVersion"), Bytes(u"Service Pack 1"));
  os::RegCloseKey(key);
}

TEST_F(SimRegistryTest, FreshWindows10HasTheDefaultKeysInBothViews) {
  const std::string reg = SavedText();
  for (const char* path :
       {"HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run",
        "HKEY_LOCAL_MACHINE\\SOFTWARE\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall",
        "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services", "HKEY_CURRENT_USER\\Software"})
    EXPECT_NE(reg.find("\n[" + std::string(path) + "]\n"), std::string::npos) << path;
  const std::string nt =
      RegKeyBlock(reg, "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion");
  EXPECT_NE(nt.find("\"CurrentVersion\"=\"6.3\""), std::string::npos) << nt;
  EXPECT_NE(nt.find("\"CurrentBuild\"=\"19045\""), std::string::npos) << nt;
  EXPECT_NE(nt.find("\"CurrentMajorVersionNumber\"=dword:0000000a"), std::string::npos) << nt;
  EXPECT_EQ(nt.find("CSDVersion"), std::string::npos) << nt;
}

TEST_F(SimRegistryTest, VolatileKeysAreNotKeptAcrossRuns) {
  os::HKEY key = nullptr, child = nullptr;
  ASSERT_EQ(os::RegCreateKeyExW(HKEY_CURRENT_USER, u"Software\\ZktVolatile", u"",
                                REG_OPTION_VOLATILE, KEY_ALL_ACCESS, &key, nullptr),
            ERROR_SUCCESS);
  EXPECT_EQ(os::RegCreateKeyExW(key, u"Child", u"", REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, &child,
                                nullptr),
            ERROR_CHILD_MUST_BE_VOLATILE);
  os::RegCloseKey(key);
  ReopenMachine();
  EXPECT_EQ(Open(HKEY_CURRENT_USER, u"Software\\ZktVolatile", KEY_READ, &key),
            ERROR_FILE_NOT_FOUND);
}

// A tree with every awkward case survives Save and Load unchanged, and a reopened machine
// answers the same through the registry calls.
TEST_F(SimRegistryTest, RegistryFileRoundTripLosesNothing) {
  os::HKEY key =
      Create(HKEY_CURRENT_USER, u"Software\\Zkt Round]Trip", KEY_ALL_ACCESS, u"Cls \"q\"\\");
  const std::vector<std::pair<std::u16string, std::pair<os::DWORD, std::vector<os::BYTE>>>> values =
      {
          {u"empty", {REG_SZ, Bytes(u"")}},
          {u"quote\"back\\slash", {REG_SZ, Bytes(u"C:\\Program Files\\\"x\"")}},
          {u"", {REG_SZ, Bytes(u"\u4e2d\u6587 \u00e9 \U0001F3B5")}},
          {u"multi", {REG_MULTI_SZ, Bytes(std::u16string(u"a\0\0b\0\0", 6), false)}},
          {u"odd", {REG_BINARY, {1, 2, 3, 4, 5}}},
          {u"unterminated", {REG_SZ, Bytes(u"abc", false)}},
          {u"odd sz", {REG_SZ, {0x41, 0x00, 0x42}}},
          {u"line\nbreak", {REG_SZ, Bytes(u"two\r\nlines")}},
          {u"long", {REG_EXPAND_SZ, Bytes(std::u16string(70, u'x'))}},
          {u"short dword", {REG_DWORD, {1, 2}}},
          {u"qword", {REG_QWORD, {1, 2, 3, 4, 5, 6, 7, 0xff}}},
          {u"none", {REG_NONE, {}}},
          {u"custom", {0x12345u, {7}}},
      };
  for (const auto& [name, v] : values) Set(key, name, v.first, v.second);
  os::RegCloseKey(key);
  os::RegCloseKey(Create(HKEY_CURRENT_USER, u"Software\\Zkt Round]Trip\\Empty key"));

  std::string error;
  ASSERT_TRUE(machine().Save(&error)) << error;
  sim::Registry reloaded;
  ASSERT_TRUE(reloaded.Load(folder_ / "registry.reg", &error)) << error;
  EXPECT_TRUE(reloaded.Equals(machine().Reg()));

  ReopenMachine();
  ASSERT_EQ(Open(HKEY_CURRENT_USER, u"Software\\Zkt Round]Trip", KEY_READ, &key), ERROR_SUCCESS);
  for (std::size_t i = 0; i < values.size(); ++i) {
    std::u16string name;
    os::DWORD type = 0;
    std::vector<os::BYTE> data;
    ASSERT_EQ(os::RegEnumValueW(key, static_cast<os::DWORD>(i), &name, &type, &data),
              ERROR_SUCCESS);
    EXPECT_EQ(name, values[i].first) << i;
    EXPECT_EQ(type, values[i].second.first) << i;
    EXPECT_EQ(data, values[i].second.second) << i;
  }
  std::u16string keyClass;
  os::RegQueryInfoKeyW(key, &keyClass, nullptr, nullptr);
  EXPECT_EQ(keyClass, u"Cls \"q\"\\");
  os::RegCloseKey(key);
}

// The file itself, read as bytes: what regedit would write.
TEST_F(SimRegistryTest, RegistryFileIsRegeditText) {
  os::HKEY key = Create(HKEY_LOCAL_MACHINE, u"SYSTEM\\CurrentControlSet\\Services\\ZEVor",
                        KEY_ALL_ACCESS, u"ZEVor");
  Set(key, u"ImagePath", REG_EXPAND_SZ, Bytes(u"System32\\DRIVERS\\ZEVor.sys"));
  Set(key, u"Path", REG_SZ, Bytes(u"C:\\A \"B\""));
  Set(key, u"Raw", REG_SZ, Bytes(u"ab", false));
  os::RegCloseKey(key);
  std::string error;
  ASSERT_TRUE(machine().Save(&error)) << error;
  std::ifstream in(folder_ / "registry.reg", std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  ASSERT_GE(bytes.size(), 4u);
  EXPECT_EQ(bytes.substr(0, 4), std::string("\xFF\xFEW\0", 4));
  EXPECT_NE(bytes.find(std::string("\r\0\n\0", 4)), std::string::npos);

  const std::string reg = ReadRegFile(folder_ / "registry.reg");
  EXPECT_EQ(reg.rfind("Windows Registry Editor Version 5.00\n\n", 0), 0u);
  const std::string block =
      RegKeyBlock(reg, "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\ZEVor");
  EXPECT_EQ(block,
            ";class=\"ZEVor\"\n"
            "\"ImagePath\"=hex(2):53,00,79,00,73,00,74,00,65,00,6d,00,33,00,32,00,5c,00,44,00,\\\n"
            "  52,00,49,00,56,00,45,00,52,00,53,00,5c,00,5a,00,45,00,56,00,6f,00,72,00,2e,\\\n"
            "  00,73,00,79,00,73,00,00,00\n"
            "\"Path\"=\"C:\\\\A \\\"B\\\"\"\n"
            "\"Raw\"=hex(1):61,00,62,00\n");
  std::istringstream lines(reg);
  for (std::string line; std::getline(lines, line);)
    if (line.rfind("\"", 0) == 0 || line.rfind("  ", 0) == 0) {
      EXPECT_LE(line.size(), 80u) << line;
    }
}

TEST_F(SimRegistryTest, ReadsUtf8AndRegeditExports) {
  const std::string body =
      "\r\n[HKEY_CURRENT_USER\\Software\\Imported]\r\n"
      "\"Name\"=\"Caf\xC3\xA9\"\r\n"
      "@=dword:0000002a\r\n"
      "\"Bin\"=hex:01,02,\\\r\n"
      "    03\r\n"
      "\"Gone\"=\"x\"\r\n"
      "\"Gone\"=-\r\n"
      "; a comment\r\n"
      "[HKEY_CURRENT_USER\\Software\\Imported\\Old]\r\n"
      "[-HKEY_CURRENT_USER\\Software\\Imported\\Old]\r\n";
  for (const std::string& bom : {std::string(), std::string("\xEF\xBB\xBF")}) {
    WriteFile("in.reg", bom + "Windows Registry Editor Version 5.00\r\n" + body);
    std::string error;
    ASSERT_TRUE(machine().Reg().Load(folder_ / "in.reg", &error)) << error;
    os::HKEY key = nullptr;
    ASSERT_EQ(Open(HKEY_CURRENT_USER, u"software\\imported", KEY_READ, &key), ERROR_SUCCESS);
    os::DWORD type = 0;
    EXPECT_EQ(Get(key, u"Name", &type), Bytes(u"Caf\u00e9"));
    EXPECT_EQ(type, REG_SZ);
    EXPECT_EQ(Get(key, u""), (std::vector<os::BYTE>{42, 0, 0, 0}));
    EXPECT_EQ(Get(key, u"Bin", &type), (std::vector<os::BYTE>{1, 2, 3}));
    EXPECT_EQ(type, REG_BINARY);
    os::DWORD subKeys = 9, count = 0;
    ASSERT_EQ(os::RegQueryInfoKeyW(key, nullptr, &subKeys, &count), ERROR_SUCCESS);
    EXPECT_EQ(subKeys, 0u);
    EXPECT_EQ(count, 3u);
    os::RegCloseKey(key);
  }
}

// A key whose security grants only some rights: a request beyond them is refused, and
// MAXIMUM_ALLOWED gets exactly what is granted. The grant survives registry.reg.
TEST_F(SimRegistryTest, RestrictedKeysGrantOnlyTheirRights) {
  WriteFile("in.reg",
            "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\Software\\Locked]\n"
            ";class=\"C\"\n;rights=00020003\n\"v\"=\"x\"\n\n"
            "[HKEY_CURRENT_USER\\Software\\Locked\\Leaf]\n;rights=00020019\n");
  std::string error;
  ASSERT_TRUE(machine().Reg().Load(folder_ / "in.reg", &error)) << error;
  for (int pass = 0; pass < 2; ++pass) {
    os::HKEY key = nullptr;
    EXPECT_EQ(Open(HKEY_CURRENT_USER, u"Software\\Locked", KEY_ALL_ACCESS, &key),
              ERROR_ACCESS_DENIED);
    EXPECT_EQ(key, nullptr);
    EXPECT_EQ(os::RegCreateKeyExW(HKEY_CURRENT_USER, u"Software\\Locked", u"",
                                  REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, &key, nullptr),
              ERROR_ACCESS_DENIED);
    EXPECT_EQ(Open(HKEY_CURRENT_USER, u"Software\\Locked", MAXIMUM_ALLOWED | KEY_ENUMERATE_SUB_KEYS,
                   &key),
              ERROR_ACCESS_DENIED);
    ASSERT_EQ(Open(HKEY_CURRENT_USER, u"Software\\Locked", MAXIMUM_ALLOWED, &key), ERROR_SUCCESS);
    Set(key, u"w", REG_DWORD, {1, 0, 0, 0});
    EXPECT_EQ(Get(key, u"v"), Bytes(u"x"));
    std::u16string name;
    EXPECT_EQ(os::RegEnumKeyExW(key, 0, &name), ERROR_ACCESS_DENIED);
    os::RegCloseKey(key);
    // Without DELETE in its grant the leaf stays.
    EXPECT_EQ(os::RegDeleteKeyExW(HKEY_CURRENT_USER, u"Software\\Locked\\Leaf", 0),
              ERROR_ACCESS_DENIED);
    const std::string saved = SavedText();
    EXPECT_NE(saved.find("[HKEY_CURRENT_USER\\Software\\Locked]\n;class=\"C\"\n;rights=00020003\n"),
              std::string::npos)
        << saved;
    ASSERT_TRUE(machine().Reg().Load(folder_ / "registry.reg", &error)) << error;
  }
  // A key without a grant of its own keeps every right, MAXIMUM_ALLOWED included.
  os::HKEY open = Create(HKEY_CURRENT_USER, u"Software\\Open", MAXIMUM_ALLOWED);
  Set(open, u"v", REG_DWORD, {1, 0, 0, 0});
  std::u16string name;
  EXPECT_EQ(os::RegEnumKeyExW(open, 0, &name), ERROR_NO_MORE_ITEMS);
  os::RegCloseKey(open);

  WriteFile("bad.reg",
            "Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\X]\n;rights=2G\n");
  EXPECT_FALSE(machine().Reg().Load(folder_ / "bad.reg", &error));
  EXPECT_NE(error.find("bad.reg line 3: rights are 8 hex digits"), std::string::npos) << error;
}

TEST_F(SimRegistryTest, MalformedFilesAreRefusedNamingTheLine) {
  os::RegCloseKey(Create(HKEY_CURRENT_USER, u"Software\\Kept"));
  const std::string head = "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\X]\n";
  const std::pair<std::string, std::string> cases[] = {
      {"REGEDIT4\n", "line 1:"},
      {head + "\"a\"=dword:123456789\n", "line 4:"},
      {head + "\"a\"=hex:1,zz\n", "line 4:"},
      {head + "\"a\"=\"open\n", "line 4:"},
      {head + "\"a\" \"b\"\n", "line 4:"},
      {head + "\n\"a\"=hex:01,\\", "line 5:"},
      {head + "[HKEY_CLASSES_ROOT\\.txt]\n", "line 4:"},
      {head + "[HKEY_CURRENT_USER\\Y\n", "line 4:"},
      {"Windows Registry Editor Version 5.00\n\"a\"=\"b\"\n", "line 2:"},
      {head + "\"a\"=\"\xC3\"\n", "line 4:"},
      {head + "junk\n", "line 4:"},
  };
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    WriteFile("bad.reg", cases[i].first);
    std::string error;
    EXPECT_FALSE(machine().Reg().Load(folder_ / "bad.reg", &error)) << i;
    EXPECT_NE(error.find("bad.reg " + cases[i].second), std::string::npos) << i << ": " << error;
    EXPECT_EQ(error.find('\n'), std::string::npos) << i;
  }
  // Nothing of the machine's registry was lost.
  os::HKEY key = nullptr;
  EXPECT_EQ(Open(HKEY_CURRENT_USER, u"Software\\Kept", KEY_READ, &key), ERROR_SUCCESS);
  os::RegCloseKey(key);
}

}  // namespace
