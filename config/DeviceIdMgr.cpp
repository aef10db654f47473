#include "config/DeviceIdMgr.h"

#include <cstring>

#include "config/DesDecrypt.h"
#include "config/TextDecoding.h"
#include "platform/OwnedHandles.h"
#include "platform/os_registry.h"
#include "platform/text.h"

namespace DEVICEID_MGR {

namespace {

constexpr std::size_t kPlainBufferSize = 4096;

std::u16string TrimSpaces(const std::u16string& s) {
  std::size_t b = 0, e = s.size();
  while (b < e && s[b] == u' ') ++b;
  while (e > b && s[e - 1] == u' ') --e;
  return s.substr(b, e - b);
}

// One byte per character; a character above 0xFF becomes "?", which no Base64 text holds,
// so it cannot turn into a valid alphabet byte by losing its high bits.
std::string NarrowBytes(const std::u16string& s) {
  std::string out;
  out.reserve(s.size());
  for (char16_t c : s) out.push_back(c > 0xFF ? '?' : static_cast<char>(c));
  return out;
}

// A value name as "%d" writes a positive counter: digits without a leading zero.
bool IsCounterName(const std::u16string& name, unsigned long* number) {
  if (name.empty() || name.size() > 9 || name[0] == u'0') return false;
  unsigned long n = 0;
  for (char16_t c : name) {
    if (c < u'0' || c > u'9') return false;
    n = n * 10 + (c - u'0');
  }
  *number = n;
  return true;
}

}  // namespace

EntryCheck CheckEntry(const std::u16string& value, std::u16string* plain, std::u16string* base64) {
  const std::size_t comma = value.find(u',');
  if (comma == std::u16string::npos) return kEntryNoComma;
  *plain = TrimSpaces(value.substr(0, comma));
  *base64 = TrimSpaces(value.substr(comma + 1));
  if (plain->empty() || base64->empty()) return kEntryEmptyPart;

  const std::string bytes = NarrowBytes(*base64);
  unsigned char output[kPlainBufferSize + 1];
  std::size_t length = kPlainBufferSize;
  switch (DecryptEntry(bytes.data(), bytes.size(), output, &length)) {
    case 0: break;
    case 1: return kEntryBadBase64;
    default: return kEntryDecryptFailed;
  }
  output[length] = 0;  // read as a zero-terminated byte text
  const std::size_t textLength = std::strlen(reinterpret_cast<const char*>(output));
  const std::u16string decrypted = REGINI_MGR::WidenBytes(output, textLength);
  return decrypted == *plain ? kEntryVerified : kEntryMismatch;
}

CDeviceIdMgr::~CDeviceIdMgr() { ClearLists(); }

void CDeviceIdMgr::ClearLists() {
  m_EntryValues.clear();
  m_VerifiedIds.clear();
}

std::int32_t CDeviceIdMgr::LoadGroup(const std::u16string& path, const std::u16string& section) {
  if (m_IniMgr.LoadFile(path) != 0) return 1;
  ClearLists();
  if (!m_IniMgr.HasSection(section)) return 2;
  std::vector<std::u16string> names;
  m_IniMgr.GetKeyNames(section, names);
  if (names.empty()) return 3;
  for (const std::u16string& name : names)
    m_EntryValues.push_back(m_IniMgr.GetValue(section, name));
  return VerifyEntries(m_EntryValues, m_VerifiedIds) != 0 ? 4 : 0;
}

std::int32_t CDeviceIdMgr::VerifyEntries(const std::vector<std::u16string>& values,
                                         std::multimap<std::u16string, std::u16string>& verified) {
  for (const std::u16string& value : values) {
    std::u16string plain, base64;
    const EntryCheck check = CheckEntry(value, &plain, &base64);
    if (check == kEntryEmptyPart) return 1;
    if (check == kEntryVerified) verified.emplace(plain, base64);
  }
  return 0;
}

std::int32_t CDeviceIdMgr::SaveToRegistry(const std::u16string& groupName) {
  os::OwnedKey key;
  os::LONG result =
      os::RegCreateKeyExW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\" + groupName, u"",
                          REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, key.Receive(), nullptr);
  if (result != ERROR_SUCCESS) return result;
  int counter = 1;
  for (const auto& entry : m_VerifiedIds) {
    const std::u16string name = text::Format(16, u"%d", counter++);
    const std::u16string data = entry.first + u"," + entry.second;
    result = os::RegSetValueExW(key.get(), name, REG_SZ, data.c_str(),
                                static_cast<os::DWORD>((data.size() + 1) * sizeof(char16_t)));
    if (result != ERROR_SUCCESS) break;
  }
  if (result == ERROR_SUCCESS) {
    // Values of an earlier, longer list would go on announcing IDs the file no longer lists.
    const unsigned long written = m_VerifiedIds.size();
    std::vector<std::u16string> stale;
    std::u16string name;
    os::DWORD type = 0;
    std::vector<os::BYTE> data;
    for (os::DWORD index = 0;
         os::RegEnumValueW(key.get(), index, &name, &type, &data) == ERROR_SUCCESS; ++index) {
      unsigned long number = 0;
      if (IsCounterName(name, &number) && number > written) stale.push_back(name);
    }
    for (const std::u16string& value : stale) {
      result = os::RegDeleteValueW(key.get(), value);
      if (result != ERROR_SUCCESS) break;
    }
  }
  return result;
}

bool CDeviceIdMgr::MatchDeviceId(std::u16string hardwareId) const {
  for (char16_t& c : hardwareId)
    if (c <= 0xFF) c = text::ToUpper(c);
  for (const auto& entry : m_VerifiedIds) {
    const std::u16string& pattern = entry.first;
    if (pattern.size() != hardwareId.size()) continue;
    std::u16string candidate = hardwareId;
    for (std::size_t i = 0; i < pattern.size(); ++i)
      if (pattern[i] == u'X') candidate[i] = u'X';
    if (candidate == pattern) return true;
  }
  return false;
}

}  // namespace DEVICEID_MGR
