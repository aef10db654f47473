// Conformance: the environment and shell folders a program sees, which differ between a 32-bit
// program under WOW64 (Program Files (x86), PROCESSOR_ARCHITECTURE x86) and a 64-bit one. The
// user's own name is shown as <user>, as the two machines name their users differently.
#include <string>

#include "platform/os_system.h"
#include "platform/text.h"
#include "tests/conformance/conformance.h"

namespace {

// The value upper-cased, with a path component that is the user's name shown as <user>.
std::string Shown(const std::u16string& value) {
  std::u16string user, shown, part;
  os::GetEnvironmentVariableW(u"USERNAME", &user);
  for (std::size_t i = 0; i <= value.size(); ++i) {
    if (i < value.size() && value[i] != u'\\') {
      part += value[i];
      continue;
    }
    shown += !user.empty() && text::EqualsNoCase(part, user) ? u"<user>" : text::ToUpper(part);
    if (i < value.size()) shown += u'\\';
    part.clear();
  }
  return conf::U8(shown);
}

}  // namespace

CONFORMANCE_SCENARIO(wow64_environment, 72) {
  for (const char16_t* name :
       {u"ProgramFiles", u"ProgramFiles(x86)", u"ProgramW6432", u"CommonProgramFiles",
        u"CommonProgramFiles(x86)", u"CommonProgramW6432", u"PROCESSOR_ARCHITECTURE",
        u"PROCESSOR_ARCHITEW6432", u"windir", u"SystemRoot"}) {
    std::u16string value;
    const bool set = os::GetEnvironmentVariableW(name, &value);
    conf::Line("%s=%s", conf::U8(name).c_str(), set ? Shown(value).c_str() : "(not set)");
  }
}

CONFORMANCE_SCENARIO(wow64_shell_folders, 73) {
  const struct {
    const char* name;
    int csidl;
  } folders[] = {{"CSIDL_PROGRAM_FILES", CSIDL_PROGRAM_FILES},
                 {"CSIDL_PROGRAM_FILESX86", CSIDL_PROGRAM_FILESX86},
                 {"CSIDL_SYSTEM", CSIDL_SYSTEM},
                 {"CSIDL_WINDOWS", CSIDL_WINDOWS},
                 {"CSIDL_COMMON_PROGRAMS", CSIDL_COMMON_PROGRAMS},
                 {"CSIDL_COMMON_DESKTOPDIRECTORY", CSIDL_COMMON_DESKTOPDIRECTORY},
                 {"CSIDL_COMMON_APPDATA", CSIDL_COMMON_APPDATA},
                 {"CSIDL_DESKTOPDIRECTORY", CSIDL_DESKTOPDIRECTORY},
                 {"CSIDL_APPDATA", CSIDL_APPDATA},
                 {"CSIDL_PROGRAMS", CSIDL_PROGRAMS}};
  for (const auto& folder : folders) {
    std::u16string path;
    const os::BOOL ok = os::SHGetSpecialFolderPathW(&path, folder.csidl, FALSE);
    conf::Line("%s: %s", folder.name, ok ? Shown(path).c_str() : "(failed)");
  }
}
