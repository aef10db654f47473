#include "config/IniMgr.h"

#include <new>

#include "platform/OwnedHandles.h"
#include "platform/os_files.h"
#include "platform/os_memory.h"

namespace REGINI_MGR {

namespace {

constexpr os::DWORD kInvalidFileSize = 0xFFFFFFFFu;

std::u16string TrimRawLine(const std::u16string& line) {
  std::size_t b = 0, e = line.size();
  for (char16_t c : {u' ', u'\r', u'\n'}) {
    while (b < e && line[b] == c) ++b;
    while (e > b && line[e - 1] == c) --e;
  }
  return line.substr(b, e - b);
}

void ParseSection(CIniSectionDefine& define) {
  for (std::size_t i = 0; i < define.m_RawLines.size(); ++i) {
    const std::u16string line = TrimRawLine(define.m_RawLines[i]);
    if (line.empty() || line[0] == u';') continue;
    if (i == 0) {  // the header line
      define.m_Section.m_Name = define.m_Name;
      continue;
    }
    const std::size_t eq = line.find(u'=');
    if (eq == std::u16string::npos || eq == 0) continue;
    define.m_Section.m_Values.push_back({line.substr(0, eq), line.substr(eq + 1)});
  }
}

}  // namespace

using os::DWORD;

CIniMgr::~CIniMgr() { Clear(); }

void CIniMgr::Clear() {
  m_Lines.clear();
  // The storage goes back to the heap too, as the sections' blocks always did.
  decltype(m_Sections)().swap(m_Sections);
}

std::int32_t CIniMgr::LoadFile(const std::u16string& path) {
  m_FilePath = path;
  // Shared as the C runtime's "rb" shares: an editor may hold the file open for writing.
  os::OwnedFile file(os::CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                     OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL));
  if (!file) return 1;
  // A file of 4 GB or more has no length the one-piece read could use.
  DWORD high = 0;
  const DWORD size = os::GetFileSize(file.get(), &high);
  if (size == kInvalidFileSize || high != 0) return 2;
  auto* bytes = static_cast<unsigned char*>(os::HeapAlloc(size));
  if (!bytes) return 3;
  DWORD read = 0;
  const bool ok = size == 0 || (os::ReadFile(file.get(), bytes, size, &read) && read == size);
  file.reset();
  std::int32_t result = 4;
  if (ok) result = LoadBytes(bytes, size);
  os::HeapFree(bytes);
  return result;
}

std::int32_t CIniMgr::LoadBytes(unsigned char* data, std::size_t length) {
  Clear();
  const std::size_t skip = DetectEncoding(data, length, &m_Encoding);
  unsigned char* text = data + skip;
  const std::size_t size = length - skip;
  int split = 0;
  // Out of memory is the engine's own result, never an exception for the wizard to die of.
  try {
    switch (m_Encoding) {
      case ENCODING_UTF8: split = SplitUtf8Lines(text, size, &m_Lines); break;
      case ENCODING_UTF16LE: split = SplitUtf16LeLines(text, size, &m_Lines); break;
      case ENCODING_UTF16BE: split = SplitUtf16BeLines(text, size, &m_Lines); break;
      case ENCODING_UTF32LE: split = SplitUtf32LeLines(text, size, &m_Lines); break;
      case ENCODING_UTF32BE: split = SplitUtf32BeLines(text, size, &m_Lines); break;
      default: split = SplitAnsiLines(text, size, &m_Lines); break;
    }
  } catch (const std::bad_alloc&) {
    split = 5;
  }
  if (split != 0) {
    m_Lines.clear();
    return 5;
  }
  try {
    return BuildSections() ? 0 : 6;
  } catch (const std::bad_alloc&) {
    return 6;  // the sections built so far stay, as when a section object cannot be made
  }
}

bool CIniMgr::BuildSections() {
  bool complete = true;
  for (const std::u16string& line : m_Lines) {
    if (line.empty() || line[0] == u';') continue;
    if (line.size() >= 2 && line.front() == u'[' && line.back() == u']') {
      try {
        m_Sections.emplace_back();  // all or nothing: the sections so far stay
      } catch (const std::bad_alloc&) {
        complete = false;
        break;
      }
      m_Sections.back().m_Name = line.substr(1, line.size() - 2);
      m_Sections.back().m_RawLines.push_back(line);
    } else if (!m_Sections.empty()) {
      m_Sections.back().m_RawLines.push_back(line);
    }
  }
  for (CIniSectionDefine& section : m_Sections) ParseSection(section);
  return complete;
}

const CIniSectionDefine* CIniMgr::FindSection(const std::u16string& section) const {
  for (const CIniSectionDefine& define : m_Sections)
    if (define.m_Name == section) return &define;
  return nullptr;
}

bool CIniMgr::HasSection(const std::u16string& section) const {
  return FindSection(section) != nullptr;
}

void CIniMgr::GetKeyNames(const std::u16string& section, std::vector<std::u16string>& names) const {
  const CIniSectionDefine* define = FindSection(section);
  if (!define) return;
  names.clear();
  for (const VALUE_NAME_DEFINE& entry : define->m_Section.m_Values) names.push_back(entry.Name);
}

std::u16string CIniMgr::GetValue(const std::u16string& section, const std::u16string& key) const {
  if (key.empty()) return u"";
  const CIniSectionDefine* define = FindSection(section);
  if (!define) return u"";
  for (const VALUE_NAME_DEFINE& entry : define->m_Section.m_Values)
    if (entry.Name == key) return entry.Value;
  return u"";
}

}  // namespace REGINI_MGR
