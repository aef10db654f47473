#include "GroupCheck.h"

#include <filesystem>
#include <ostream>
#include <random>

#include "config/DeviceIdMgr.h"
#include "platform/sim/sim_machine.h"
#include "platform/text.h"

namespace {

namespace fs = std::filesystem;
using DEVICEID_MGR::CDeviceIdMgr;

const char16_t kConfigWinPath[] = u"C:\\zkt-deviceid\\AudioConfig.cfg";

const char* LoadGroupMeaning(int code) {
  switch (code) {
    case 0: return "loaded";
    case 1: return "the file cannot be read";
    case 2: return "the section is missing";
    case 3: return "the section has no entries";
    case 4: return "an entry has an empty plain or Base64 part";
  }
  return "unknown result";
}

const char* CheckReason(DEVICEID_MGR::EntryCheck check) {
  switch (check) {
    case DEVICEID_MGR::kEntryVerified: return "verified";
    case DEVICEID_MGR::kEntryNoComma: return "no comma";
    case DEVICEID_MGR::kEntryEmptyPart: return "empty plain or Base64 part";
    case DEVICEID_MGR::kEntryBadBase64: return "bad Base64";
    case DEVICEID_MGR::kEntryDecryptFailed: return "decryption failed";
    case DEVICEID_MGR::kEntryMismatch: return "mismatch";
  }
  return "unknown";
}

// Loads one group and prints its entries; returns the LoadGroup code.
int CheckGroup(const std::u16string& section, std::ostream& out) {
  CDeviceIdMgr manager;
  const int code = manager.LoadGroup(kConfigWinPath, section);
  out << "[" << text::ToUtf8(section) << "]\n";
  std::vector<std::u16string> names;
  manager.m_IniMgr.GetKeyNames(section, names);
  bool stopped = false;
  for (std::size_t i = 0; i < names.size() && code != 1; ++i) {
    const std::u16string value = manager.m_IniMgr.GetValue(section, names[i]);
    out << "  " << text::ToUtf8(names[i]) << ": ";
    if (stopped) {
      out << "not checked (the group stopped at an earlier entry)\n";
      continue;
    }
    std::u16string plain, base64;
    const auto check = DEVICEID_MGR::CheckEntry(value, &plain, &base64);
    if (check == DEVICEID_MGR::kEntryVerified)
      out << "verified " << text::ToUtf8(plain) << "\n";
    else
      out << (check == DEVICEID_MGR::kEntryEmptyPart ? "stops the group" : "skipped") << " ("
          << CheckReason(check) << ") " << text::ToUtf8(value) << "\n";
    stopped = check == DEVICEID_MGR::kEntryEmptyPart;
  }
  out << "  LoadGroup " << code << ": " << LoadGroupMeaning(code);
  if (code == 0) out << ", " << manager.m_VerifiedIds.size() << " verified";
  out << "\n";
  return code;
}

}  // namespace

int CheckConfigurationFile(const std::string& hostFile, std::ostream& out, std::ostream& err) {
  std::error_code ec;
  if (!fs::is_regular_file(hostFile, ec)) {
    err << "zkt-deviceid: cannot read " << hostFile << "\n";
    return 2;
  }
  // The groups are loaded by the setup's own code on a scratch simulated machine.
  const fs::path machine = fs::temp_directory_path() /
                           ("zkt-deviceid-" + std::to_string(std::random_device{}()));
  std::string error;
  if (!sim::Machine::Current().Open(machine, &error)) {
    err << "zkt-deviceid: " << error << "\n";
    return 2;
  }
  fs::create_directories(machine / "C" / "zkt-deviceid", ec);
  fs::copy_file(hostFile, machine / "C" / "zkt-deviceid" / "AudioConfig.cfg",
                fs::copy_options::overwrite_existing, ec);
  int verdict = 0;
  const char16_t* failedGroup = nullptr;
  int failedCode = 0;
  if (ec) {
    err << "zkt-deviceid: cannot copy " << hostFile << ": " << ec.message() << "\n";
    verdict = 2;
  } else {
    for (const char16_t* section : {u"USB_VID_PID", u"HID_VID_PID"}) {
      const int code = CheckGroup(section, out);
      if (code != 0 && !failedGroup) {
        failedGroup = section;
        failedCode = code;
      }
    }
    if (failedGroup) {
      out << "wizard: ends silently (" << text::ToUtf8(failedGroup) << ": LoadGroup "
          << failedCode << ", " << LoadGroupMeaning(failedCode) << ")\n";
      verdict = 1;
    } else {
      out << "wizard: continues\n";
    }
  }
  sim::Machine::Current().Reset();
  fs::remove_all(machine, ec);
  return verdict;
}
