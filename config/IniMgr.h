// The INI section engine: reads a whole INI-syntax file in one of six encodings and answers
// which sections exist, which keys a section holds (in file order, duplicates kept) and what
// a key's value is. Names are compared exactly; names and values are kept untrimmed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "config/TextDecoding.h"
#include "platform/HeapAllocator.h"

namespace REGINI_MGR {

struct VALUE_NAME_DEFINE {
  std::u16string Name;
  std::u16string Value;
};

class CIniSection {
 public:
  std::u16string m_Name;
  std::vector<VALUE_NAME_DEFINE> m_Values;
};

class CIniSectionDefine {
 public:
  std::u16string m_Name;
  CIniSection m_Section;
  std::vector<std::u16string> m_RawLines;
};

class CIniMgr {
 public:
  CIniMgr() = default;
  ~CIniMgr();
  CIniMgr(const CIniMgr&) = delete;
  CIniMgr& operator=(const CIniMgr&) = delete;

  // 0 loaded; 1 cannot open; 2 no length; 3 no memory for the bytes; 4 read failed;
  // 5 cannot decode (contents cleared); 6 the heap has no room for another section
  // (sections so far kept).
  std::int32_t LoadFile(const std::u16string& path);
  // Steps 3 to 6 of LoadFile over bytes already in memory (modified in place by the
  // big-endian decoders).
  std::int32_t LoadBytes(unsigned char* data, std::size_t length);
  void Clear();
  bool HasSection(const std::u16string& section) const;
  void GetKeyNames(const std::u16string& section, std::vector<std::u16string>& names) const;
  std::u16string GetValue(const std::u16string& section, const std::u16string& key) const;

  std::int32_t m_Encoding = ENCODING_ANSI;
  std::u16string m_FilePath;
  std::vector<std::u16string> m_Lines;
  // In file order; their storage comes from the process heap.
  std::vector<CIniSectionDefine, os::HeapAllocator<CIniSectionDefine>> m_Sections;

 private:
  const CIniSectionDefine* FindSection(const std::u16string& section) const;
  bool BuildSections();
};

}  // namespace REGINI_MGR
