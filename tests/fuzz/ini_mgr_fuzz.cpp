// Fuzz target: the INI section engine over arbitrary file bytes, then lookups on what it built.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "config/IniMgr.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::vector<unsigned char> bytes(data, data + size);  // the decoders work in place
  REGINI_MGR::CIniMgr mgr;
  if (mgr.LoadBytes(bytes.data(), bytes.size()) != 0) return 0;
  std::vector<std::u16string> names;
  for (const REGINI_MGR::CIniSectionDefine& section : mgr.m_Sections) {
    if (!mgr.HasSection(section.m_Name)) __builtin_trap();
    mgr.GetKeyNames(section.m_Name, names);
    for (const std::u16string& name : names) mgr.GetValue(section.m_Name, name);
  }
  return 0;
}
