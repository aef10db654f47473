// Which devices carry the audio filter and how their filter list looks without it: the
// uninstaller detaches "ZEVor" from the devices the setup serves before the driver goes, or a
// device whose list still names it could not start after the next restart.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace payload {

// The whitelist the setup published: the plain ID of each "<ID>,<Base64 copy>" value of the
// USB device-ID group, upper-cased.
std::vector<std::u16string> WhitelistFromGroup(
    const std::vector<std::pair<std::u16string, std::u16string>>& values);

// A device is served when its most specific hardware ID (the first of its list) is as long as
// the setup's patterns (36 characters) and matches one, 'X' in the pattern matching any
// character, letters compared without regard to case.
bool IsServedDevice(const std::u16string& firstHardwareId,
                    const std::vector<std::u16string>& whitelist);

// The filter list without `filter` (compared without regard to case), the others unchanged
// and in order; false when the list did not name it.
bool WithoutFilter(const std::vector<std::u16string>& filters, const std::u16string& filter,
                   std::vector<std::u16string>& rest);

}  // namespace payload
