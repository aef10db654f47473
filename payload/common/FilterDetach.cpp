#include "payload/common/FilterDetach.h"

#include "payload/common/CommandLine.h"

namespace payload {

namespace {

constexpr std::size_t kHardwareIdLength = 36;  // "USB\VID_B7D2&PID_72XX&REV_0100&MI_00"

char16_t Upper(char16_t c) { return c >= u'a' && c <= u'z' ? c - u'a' + u'A' : c; }

std::u16string Trimmed(const std::u16string& text) {
  const std::size_t first = text.find_first_not_of(u' ');
  if (first == std::u16string::npos) return u"";
  return text.substr(first, text.find_last_not_of(u' ') - first + 1);
}

}  // namespace

std::vector<std::u16string> WhitelistFromGroup(
    const std::vector<std::pair<std::u16string, std::u16string>>& values) {
  std::vector<std::u16string> whitelist;
  for (const auto& value : values) {
    const std::size_t comma = value.second.find(u',');
    if (comma == std::u16string::npos) continue;
    std::u16string id = Trimmed(value.second.substr(0, comma));
    for (char16_t& c : id) c = Upper(c);
    if (!id.empty()) whitelist.push_back(id);
  }
  return whitelist;
}

bool IsServedDevice(const std::u16string& firstHardwareId,
                    const std::vector<std::u16string>& whitelist) {
  if (firstHardwareId.size() != kHardwareIdLength) return false;
  for (const std::u16string& pattern : whitelist) {
    if (pattern.size() != firstHardwareId.size()) continue;
    bool match = true;
    for (std::size_t i = 0; match && i < pattern.size(); ++i)
      match = pattern[i] == u'X' || pattern[i] == Upper(firstHardwareId[i]);
    if (match) return true;
  }
  return false;
}

bool WithoutFilter(const std::vector<std::u16string>& filters, const std::u16string& filter,
                   std::vector<std::u16string>& rest) {
  rest.clear();
  bool named = false;
  for (const std::u16string& entry : filters) {
    if (EqualsAsciiNoCase(entry, filter)) named = true;
    else rest.push_back(entry);
  }
  return named;
}

}  // namespace payload
