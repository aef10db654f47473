#include "GroupCheck.h"

#include <signal.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <ostream>
#include <random>

#include "config/DeviceIdMgr.h"
#include "config/TextDecoding.h"
#include "platform/sim/sim_machine.h"
#include "platform/text.h"

namespace {

namespace fs = std::filesystem;
using DEVICEID_MGR::CDeviceIdMgr;

const char16_t kConfigWinPath[] = u"C:\\zkt-deviceid\\AudioConfig.cfg";

std::string Hex(unsigned value) {
  const char digits[] = "0123456789ABCDEF";
  return std::string{digits[(value >> 4) & 0xF], digits[value & 0xF]};
}

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

// Where the setup's UTF-8 decoder stops in a file with the UTF-8 mark: "line L, byte offset
// B: why" (offset from the start of the file), or "" when every sequence decodes.
std::string FirstBadUtf8(const std::string& bytes) {
  std::size_t line = 1;
  for (std::size_t i = 3; i < bytes.size();) {
    const unsigned char lead = static_cast<unsigned char>(bytes[i]);
    const std::size_t n = REGINI_MGR::Utf8SequenceLength(lead);
    const std::string where = "line " + std::to_string(line) + ", byte offset " + std::to_string(i);
    if (n == 0) return where + ": byte 0x" + Hex(lead) + " cannot start a UTF-8 sequence";
    if (n > bytes.size() - i) return where + ": a UTF-8 sequence is cut off by the end of the file";
    std::uint32_t cp = n == 1 ? lead : lead & (0x7F >> n);
    for (std::size_t k = 1; k < n; ++k) {
      const unsigned char next = static_cast<unsigned char>(bytes[i + k]);
      if ((next & 0xC0) != 0x80)
        return where + ": byte 0x" + Hex(next) + " at offset " + std::to_string(i + k) +
               " does not continue the UTF-8 sequence";
      cp = (cp << 6) | (next & 0x3Fu);
    }
    if (cp > 0xFFFF) return where + ": a character above U+FFFF, which the setup cannot read";
    if (lead == '\n') ++line;
    i += n;
  }
  return "";
}

// Why LoadGroup found the file unusable, in the words of the setup's file reader.
std::string Unreadable(const fs::path& hostFile) {
  REGINI_MGR::CIniMgr reader;
  const int code = reader.LoadFile(kConfigWinPath);
  std::ifstream in(hostFile, std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  switch (code) {
    case 2: return "the file is too large";
    case 3: return "not enough memory for the file";
    case 4: return "the file cannot be read";
    case 5:
      if (bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) {
        const std::string bad = FirstBadUtf8(bytes);
        if (!bad.empty()) return "the text is not valid UTF-8: " + bad;
      }
      return "the text cannot be decoded in the encoding its byte-order mark names";
    case 6: return "not enough memory for the sections";
  }
  return "the file cannot be read";
}

// Loads one group and prints its entries; returns the LoadGroup code.
int CheckGroup(const std::u16string& section, const fs::path& hostFile, std::ostream& out) {
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
    if (check == DEVICEID_MGR::kEntryVerified) out << "verified " << text::ToUtf8(plain) << "\n";
    else
      out << (check == DEVICEID_MGR::kEntryEmptyPart ? "stops the group" : "skipped") << " ("
          << CheckReason(check) << ") " << text::ToUtf8(value) << "\n";
    stopped = check == DEVICEID_MGR::kEntryEmptyPart;
  }
  out << "  LoadGroup " << code << ": "
      << (code == 1 ? Unreadable(hostFile) : std::string(LoadGroupMeaning(code)));
  if (code == 0) out << ", " << manager.m_VerifiedIds.size() << " verified";
  out << "\n";
  return code;
}

}  // namespace

static int CheckOnScratchMachine(const std::string& hostFile, std::ostream& out, std::ostream& err);

int CheckConfigurationFile(const std::string& hostFile, std::ostream& out, std::ostream& err) {
  std::error_code ec;
  if (!fs::is_regular_file(hostFile, ec)) {
    err << "zkt-deviceid: cannot read " << hostFile << "\n";
    return 2;
  }
  // The check takes milliseconds: an interruption waits for its end, so that the scratch
  // machine with its copy of the file never stays behind.
  sigset_t stops, previous;
  sigemptyset(&stops);
  for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) sigaddset(&stops, signal);
  sigprocmask(SIG_BLOCK, &stops, &previous);
  const int verdict = CheckOnScratchMachine(hostFile, out, err);
  sigprocmask(SIG_SETMASK, &previous, nullptr);
  return verdict;
}

static int CheckOnScratchMachine(const std::string& hostFile, std::ostream& out,
                                 std::ostream& err) {
  std::error_code ec;
  // The groups are loaded by the setup's own code on a scratch simulated machine.
  const fs::path machine =
      fs::temp_directory_path() / ("zkt-deviceid-" + std::to_string(std::random_device{}()));
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
      const int code = CheckGroup(section, hostFile, out);
      if (code != 0 && !failedGroup) {
        failedGroup = section;
        failedCode = code;
      }
    }
    if (failedGroup) {
      out << "wizard: ends silently (" << text::ToUtf8(failedGroup) << ": LoadGroup " << failedCode
          << ", "
          << (failedCode == 1 ? Unreadable(hostFile) : std::string(LoadGroupMeaning(failedCode)))
          << ")\n";
      verdict = 1;
    } else {
      out << "wizard: continues\n";
    }
  }
  sim::Machine::Current().Reset();
  fs::remove_all(machine, ec);
  return verdict;
}
