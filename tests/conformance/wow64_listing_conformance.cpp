// Conformance: the Sysnative alias is a name, never an entry a listing shows, and the
// temporary folder the setup extracts to is named with its final backslash.
#include <string>

#include "platform/os_files.h"
#include "platform/os_system.h"
#include "tests/conformance/conformance.h"

CONFORMANCE_SCENARIO(wow64_sysnative_not_listed, 72) {
  for (const char16_t* pattern : {u"C:\\Windows\\Sysn*", u"C:\\Windows\\Sysnative"}) {
    os::FindData data;
    os::SetLastError(conf::kPoison);
    const os::HANDLE find = os::FindFirstFileW(pattern, &data);
    conf::Line("%s: %s, last error %lu", conf::U8(pattern).c_str(),
               find == INVALID_HANDLE_VALUE ? "nothing listed" : conf::U8(data.fileName).c_str(),
               static_cast<unsigned long>(find == INVALID_HANDLE_VALUE ? os::GetLastError() : 0));
    if (find != INVALID_HANDLE_VALUE) os::FindClose(find);
  }
}

CONFORMANCE_SCENARIO(wow64_temp_path, 72) {
  std::u16string temp;
  const os::DWORD length = os::GetTempPathW(&temp);
  conf::Line("GetTempPathW: length matches %s, ends in a backslash %s",
             length == temp.size() ? "yes" : "no",
             !temp.empty() && temp.back() == u'\\' ? "yes" : "no");
  conf::PrintAttributes("  the folder", temp);
  conf::WriteText(temp + u"zkt-conformance-temp.txt", "temp");
  conf::Line("  a file written there reads %s",
             conf::ReadText(temp + u"zkt-conformance-temp.txt").c_str());
  os::DeleteFileW(temp + u"zkt-conformance-temp.txt");
}
