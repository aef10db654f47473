#include "payload/common/RestartRemoval.h"

#include "payload/common/CommandLine.h"

#include <algorithm>

namespace payload {

std::u16string PendingRemovalName(const std::u16string& path, unsigned long long unique) {
  static const char16_t kHex[] = u"0123456789abcdef";
  std::u16string digits;
  do {
    digits.insert(digits.begin(), kHex[unique & 0xF]);
    unique >>= 4;
  } while (unique);
  return path + u"." + digits + u".remove";
}

bool EmptyAfterRestart(const std::vector<std::u16string>& remaining,
                       const std::vector<std::u16string>& queued) {
  return std::all_of(remaining.begin(), remaining.end(), [&](const std::u16string& entry) {
    return std::any_of(queued.begin(), queued.end(), [&](const std::u16string& pending) {
      return EqualsAsciiNoCase(entry, pending);
    });
  });
}

}  // namespace payload
