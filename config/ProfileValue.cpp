#include "config/ProfileValue.h"

#include "platform/os_files.h"
#include "platform/os_profile.h"

namespace {
constexpr os::DWORD kValueBufferSize = 1024;
}  // namespace

int ReadProfileValue(const std::u16string& file, const std::u16string& section,
                     const std::u16string& key, std::u16string& out) {
  std::u16string value;
  os::SetLastError(ERROR_SUCCESS);
  if (os::GetPrivateProfileStringW(section, key, u"", &value, kValueBufferSize, file) == 0) {
    // Windows says ERROR_FILE_NOT_FOUND for a missing file, section or key; any other error
    // is the file's own (locked, denied, unreadable). Callers rely on `out` keeping its content.
    const os::DWORD error = os::GetLastError();
    return error == ERROR_SUCCESS || error == ERROR_FILE_NOT_FOUND ? 1 : 2;
  }
  out = value;
  return 0;
}

int WriteProfileValue(const std::u16string& file, const std::u16string& section,
                      const std::u16string& key, const std::u16string& value) {
  return os::WritePrivateProfileStringW(section, key, value, file) ? 0 : 1;
}

std::size_t SplitValue(const std::u16string& text, std::vector<std::u16string>& list) {
  std::size_t start = 0;
  for (;;) {
    const std::size_t comma = text.find(u',', start);
    if (comma == std::u16string::npos) {
      list.push_back(text.substr(start));
      return list.size();
    }
    list.push_back(text.substr(start, comma - start));
    start = comma + 1;
  }
}

std::int32_t DecimalValue(const std::u16string& text) {
  std::size_t i = 0;
  while (i < text.size() && (text[i] == u' ' || (text[i] >= 0x09 && text[i] <= 0x0D))) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) negative = text[i++] == u'-';
  std::uint32_t value = 0;
  for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i)
    value = value * 10u + static_cast<std::uint32_t>(text[i] - u'0');
  if (negative) value = 0u - value;
  return static_cast<std::int32_t>(value);
}
