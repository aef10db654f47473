// zkt-deviceid: for the people who make AudioConfig.cfg.
//   zkt-deviceid encrypt TEXT...   one line "TEXT,BASE64" per plain device ID
//   zkt-deviceid check FILE        the device-ID groups of FILE as the setup's wizard sees them
#include <iostream>
#include <string>
#include <vector>

#include "config/DeviceIdMgr.h"
#include "platform/text.h"

#include "EntryCipher.h"
#include "GroupCheck.h"

namespace {

int Usage() {
  std::cerr << "usage: zkt-deviceid encrypt TEXT...\n"
               "       zkt-deviceid check FILE\n";
  return 2;
}

// A plain ID must survive the entry format: the first comma splits, spaces around the parts
// are removed, the text is compared byte for byte up to a zero byte.
const char* PlainIdProblem(const std::string& id) {
  if (id.empty()) return "is empty";
  for (unsigned char c : id)
    if (c < 0x20 || c > 0x7E) return "holds a character other than printable ASCII";
  if (id.find(',') != std::string::npos) return "holds a comma";
  if (id.front() == ' ' || id.back() == ' ') return "starts or ends with a space";
  return nullptr;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return Usage();
  const std::string command = argv[1];
  if (command == "encrypt") {
    if (argc < 3) return Usage();
    for (int i = 2; i < argc; ++i) {
      if (const char* problem = PlainIdProblem(argv[i])) {
        std::cerr << "zkt-deviceid: the device ID \"" << argv[i] << "\" " << problem << "\n";
        return 2;
      }
    }
    // Every entry must be one the setup verifies: a long ID's Base64 text can outgrow the
    // setup's decoding buffer, and the setup would skip it as bad Base64.
    std::vector<std::string> lines;
    for (int i = 2; i < argc; ++i) {
      const std::string base64 = EncryptEntry(argv[i]);
      std::u16string plain, encoded;
      if (DEVICEID_MGR::CheckEntry(text::FromUtf8(argv[i] + std::string(",") + base64), &plain,
                                   &encoded) != DEVICEID_MGR::kEntryVerified) {
        std::cerr << "zkt-deviceid: the device ID \"" << argv[i]
                  << "\" is too long: its Base64 text (" << base64.size()
                  << " characters) does not fit the setup's decoding buffer\n";
        return 2;
      }
      lines.push_back(argv[i] + std::string(",") + base64);
    }
    for (const auto& line : lines) std::cout << line << "\n";
    return 0;
  }
  if (command == "check") {
    if (argc != 3) return Usage();
    return CheckConfigurationFile(argv[2], std::cout, std::cerr);
  }
  return Usage();
}
