// Writes test files onto the simulated drive C: straight through the host file system.
#pragma once

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "support/sim_fixture.h"

class ConfigFileTest : public SimMachineTest {
 protected:
  void PutFile(const std::string& winPath, const std::string& bytes) {
    const std::filesystem::path host = Host(winPath);
    std::filesystem::create_directories(host.parent_path());
    std::ofstream(host, std::ios::binary) << bytes;
  }
  std::string GetFile(const std::string& winPath) const {
    std::ifstream in(Host(winPath), std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  }
  void InjectFault(const std::string& call, int skip = 0, int count = 1,
                   os::DWORD error = ERROR_ACCESS_DENIED) {
    sim::FaultRule rule;
    rule.call = call;
    rule.skip = skip;
    rule.count = count;
    rule.error = error;
    machine().InjectFault(rule);
  }
};

// UTF-16LE bytes of an ASCII/UTF-8 text, with the byte-order mark.
inline std::string Utf16LeFile(const std::u16string& text) {
  std::string out = "\xFF\xFE";
  for (char16_t c : text) {
    out.push_back(static_cast<char>(c & 0xFF));
    out.push_back(static_cast<char>(c >> 8));
  }
  return out;
}
