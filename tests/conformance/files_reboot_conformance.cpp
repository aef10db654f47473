// Conformance: MoveFileExW with MOVEFILE_DELAY_UNTIL_REBOOT, on which the uninstaller relies for
// files in use. Windows performs nothing at once; it appends the operation to the session
// manager's REG_MULTI_SZ value "PendingFileRenameOperations" ("\??\" + source, then "" for a
// deletion, "\??\" + target, or "!\??\" + target to replace), which it carries out when it next
// starts. The scenario takes its entries out again so that no later start acts on them.
#include <string>
#include <vector>

#include "platform/os_files.h"
#include "platform/os_registry.h"
#include "tests/conformance/conformance.h"

namespace {

constexpr os::DWORD kPoison = 0xdeadbeefu;
constexpr char16_t kSessionManager[] = u"SYSTEM\\CurrentControlSet\\Control\\Session Manager";
constexpr char16_t kPending[] = u"PendingFileRenameOperations";

unsigned long U(os::DWORD v) { return static_cast<unsigned long>(v); }

std::u16string Base() { return conf::Scratch() + u"reboot\\"; }

os::HKEY SessionManager() {
  os::HKEY key = nullptr;
  os::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSessionManager, 0,
                    KEY_QUERY_VALUE | KEY_SET_VALUE | KEY_WOW64_64KEY, &key);
  return key;
}

// The strings of the value, the terminating empty string excluded.
std::vector<std::u16string> PendingStrings(os::HKEY key) {
  os::DWORD type = 0, size = 0;
  if (!key || os::RegQueryValueExW(key, kPending, &type, nullptr, &size) != ERROR_SUCCESS)
    return {};
  std::u16string data(size / 2 + 1, u'\0');
  os::RegQueryValueExW(key, kPending, &type, &data[0], &size);
  data.resize(size / 2);
  if (data.size() >= 2 && data.back() == u'\0' && data[data.size() - 2] == u'\0') data.pop_back();
  std::vector<std::u16string> strings;
  std::size_t start = 0;
  for (std::size_t i = 0; i < data.size(); ++i)
    if (data[i] == u'\0') {
      strings.push_back(data.substr(start, i - start));
      start = i + 1;
    }
  return strings;
}

void Move(const char* what, const std::u16string& from, const std::u16string& to, os::DWORD flags) {
  os::SetLastError(kPoison);
  const os::BOOL ok = os::MoveFileExW(from, to, flags);
  conf::Line("%s: MoveFileExW %d, last error %lu", what, ok ? 1 : 0,
             U(ok ? 0 : os::GetLastError()));
}

}  // namespace

CONFORMANCE_SCENARIO(files_delay_until_reboot, 82) {
  os::HKEY key = SessionManager();
  conf::Line("session manager key: %s", key ? "opened" : "missing");
  const std::size_t before = PendingStrings(key).size();
  os::CreateDirectoryW(Base());
  const std::u16string a = Base() + u"delete me.txt", b = Base() + u"move me.txt",
                       c = Base() + u"replaced.txt";
  conf::WriteText(a, "a");
  conf::WriteText(b, "b");
  conf::WriteText(c, "c");

  Move("delete at the next start", a, u"", MOVEFILE_DELAY_UNTIL_REBOOT);
  Move("replace at the next start", b, c, MOVEFILE_DELAY_UNTIL_REBOOT | MOVEFILE_REPLACE_EXISTING);
  Move("rename at the next start", c, Base() + u"new name.txt", MOVEFILE_DELAY_UNTIL_REBOOT);

  const std::vector<std::u16string> strings = PendingStrings(key);
  conf::Line("pending strings added: %d", static_cast<int>(strings.size() - before));
  for (std::size_t i = before; i < strings.size(); ++i)
    conf::Line("  '%s'", conf::U8(strings[i]).c_str());
  conf::Line("now: %s, %s, %s", conf::ReadText(a).c_str(), conf::ReadText(b).c_str(),
             conf::ReadText(c).c_str());
  // "This value cannot be used with MOVEFILE_COPY_ALLOWED" (MoveFileExW, Microsoft Learn).
  Move("with MOVEFILE_COPY_ALLOWED", b, c, MOVEFILE_DELAY_UNTIL_REBOOT | MOVEFILE_COPY_ALLOWED);

  // Take the entries out again: keep what was pending before, or remove the value.
  if (key) {
    if (before == 0) {
      os::RegDeleteValueW(key, kPending);
    } else {
      std::u16string data;
      for (std::size_t i = 0; i < before; ++i) data += strings[i] + u'\0';
      data += u'\0';
      os::RegSetValueExW(key, kPending, REG_MULTI_SZ, data.data(),
                         static_cast<os::DWORD>(data.size() * 2));
    }
    os::RegCloseKey(key);
  }
  for (const auto& f : {a, b, c, Base() + u"new name.txt"}) os::DeleteFileW(f);
  os::RemoveDirectoryW(Base());
}
