// Conformance: the folders Windows records under CurrentVersion in each registry view, which
// installers read for the program files folders, and the environment of the common folders.
#include <string>

#include "platform/os_registry.h"
#include "platform/os_system.h"
#include "tests/conformance/conformance.h"

CONFORMANCE_SCENARIO(wow64_program_files_values, 73) {
  const struct {
    const char* name;
    os::REGSAM view;
  } views[] = {
      {"default view", 0}, {"32-bit view", KEY_WOW64_32KEY}, {"64-bit view", KEY_WOW64_64KEY}};
  for (const auto& v : views) {
    os::HKEY key = nullptr;
    const os::LONG opened =
        os::RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion", 0,
                          KEY_READ | v.view, &key);
    if (opened != ERROR_SUCCESS) {
      conf::Line("%s: open rc=%ld", v.name, static_cast<long>(opened));
      continue;
    }
    for (const char16_t* name : {u"ProgramFilesDir", u"ProgramFilesDir (x86)", u"ProgramW6432Dir",
                                 u"CommonFilesDir", u"CommonFilesDir (x86)", u"CommonW6432Dir"}) {
      char16_t data[300] = {};
      os::DWORD type = 0, size = sizeof(data) - 2;
      const os::LONG rc = os::RegQueryValueExW(key, name, &type, data, &size);
      conf::Line("%s, %s: rc=%ld%s%s", v.name, conf::U8(name).c_str(), static_cast<long>(rc),
                 rc == ERROR_SUCCESS ? " " : "", rc == ERROR_SUCCESS ? conf::U8(data).c_str() : "");
    }
    os::RegCloseKey(key);
  }
}

CONFORMANCE_SCENARIO(wow64_common_environment, 73) {
  for (const char16_t* name :
       {u"ProgramData", u"ALLUSERSPROFILE", u"SystemDrive", u"ZKT_NO_SUCH_VARIABLE"}) {
    std::u16string value = u"(unchanged)";
    const bool found = os::GetEnvironmentVariableW(name, &value);
    conf::Line("%s: %s", conf::U8(name).c_str(), found ? conf::U8(value).c_str() : "(not set)");
  }
}
