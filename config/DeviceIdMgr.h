// The device-ID whitelist of one group: loads the group's section of the configuration file,
// keeps the entries whose DES copy decrypts to their plain text, and publishes them in the
// registry under HKEY_LOCAL_MACHINE\SOFTWARE\<group>.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "config/IniMgr.h"
#include "platform/DeviceIdMatcher.h"

namespace DEVICEID_MGR {

class CDeviceIdMgr : public INSTALL_MGR::DeviceIdMatcher {
 public:
  CDeviceIdMgr() = default;
  ~CDeviceIdMgr();
  CDeviceIdMgr(const CDeviceIdMgr&) = delete;
  CDeviceIdMgr& operator=(const CDeviceIdMgr&) = delete;

  void ClearLists();
  // 0 loaded; 1 the file cannot be read; 2 section missing; 3 no entries; 4 an entry with an
  // empty plain or Base64 part.
  std::int32_t LoadGroup(const std::u16string& path, const std::u16string& section);
  // 0 done; 1 stopped at an entry with an empty part (earlier entries stay in `verified`).
  std::int32_t VerifyEntries(const std::vector<std::u16string>& values,
                             std::multimap<std::u16string, std::u16string>& verified);
  // Values "1".."N" under the group's key; numbered values above N that an earlier, longer
  // list left are removed. 0 on success, otherwise a registry error code.
  std::int32_t SaveToRegistry(const std::u16string& groupName);
  // True when `hardwareId` matches a verified ID, 'X' in the entry matching any character.
  bool MatchDeviceId(std::u16string hardwareId) const override;

  REGINI_MGR::CIniMgr m_IniMgr;
  std::vector<std::u16string> m_EntryValues;
  std::multimap<std::u16string, std::u16string> m_VerifiedIds;
};

// Why an entry value is not verified (or kEntryVerified): used by the whitelist and by the
// tool that checks configuration files.
enum EntryCheck {
  kEntryVerified = 0,
  kEntryNoComma,
  kEntryEmptyPart,
  kEntryBadBase64,
  kEntryDecryptFailed,
  kEntryMismatch,
};
// Checks one entry value; `plain` and `base64` receive the trimmed parts when there is a comma.
EntryCheck CheckEntry(const std::u16string& value, std::u16string* plain, std::u16string* base64);

}  // namespace DEVICEID_MGR
