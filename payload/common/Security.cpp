#include "payload/common/Security.h"

#include "payload/common/CommandLine.h"

namespace payload {

bool IsTrustedOwner(Owner owner) { return owner != Owner::Other; }

bool IsTrustedFolder(bool reparsePoint, Owner owner) {
  return !reparsePoint && IsTrustedOwner(owner);
}

bool IsPlainLogFile(bool reparsePoint, unsigned long links) { return !reparsePoint && links == 1; }

bool IsDirectlyIn(const std::u16string& path, const std::u16string& folder) {
  std::u16string parent = folder;
  while (!parent.empty() && parent.back() == u'\\') parent.pop_back();
  const std::size_t slash = path.find_last_of(u'\\');
  if (parent.empty() || slash == std::u16string::npos || slash + 1 == path.size()) return false;
  const std::u16string name = path.substr(slash + 1);
  return name != u"." && name != u".." && EqualsAsciiNoCase(path.substr(0, slash), parent);
}

}  // namespace payload
