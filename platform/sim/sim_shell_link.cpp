// Simulated machine: the shell link object (os_shell_link.h). Links are real MS-SHLLINK files:
// a ShellLinkHeader, a LinkInfo with the target's volume and local path, and the terminal
// block. The target travels in LinkInfo (no ID list), which Windows resolves on its own.
#include <chrono>
#include <cstring>
#include <filesystem>
#include <vector>

#include "platform/os_files.h"
#include "platform/os_shell_link.h"
#include "platform/sim/sim_machine.h"
#include "platform/sim/sim_paths.h"
#include "platform/text.h"

namespace os {

struct ShellLinkTag {
  std::u16string target;
};

namespace {

constexpr std::uint32_t kHeaderSize = 0x4C;
constexpr std::uint8_t kShellLinkClsid[16] = {0x01, 0x14, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00,
                                              0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};
constexpr std::uint32_t kHasLinkInfo = 0x2;
constexpr std::uint32_t kHasLinkTargetIdList = 0x1;
constexpr std::uint32_t kIsUnicode = 0x80;
constexpr std::uint32_t kVolumeIdAndLocalBasePath = 0x1;
constexpr std::uint32_t kDriveFixed = 3;
constexpr std::uint32_t kShowNormal = 1;
constexpr HRESULT kNotInitialized = static_cast<HRESULT>(0x800401F0u);  // CO_E_NOTINITIALIZED
constexpr HRESULT kClassNotRegistered = static_cast<HRESULT>(0x80040154u);

thread_local int t_comInitCount = 0;

HRESULT FromWin32(DWORD error) {
  return error == 0 ? E_FAIL : static_cast<HRESULT>(0x80070000u | (error & 0xFFFFu));
}

void Put16(std::vector<std::uint8_t>* out, std::uint16_t v) {
  out->push_back(static_cast<std::uint8_t>(v));
  out->push_back(static_cast<std::uint8_t>(v >> 8));
}
void Put32(std::vector<std::uint8_t>* out, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out->push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}
void Put64(std::vector<std::uint8_t>* out, std::uint64_t v) {
  Put32(out, static_cast<std::uint32_t>(v));
  Put32(out, static_cast<std::uint32_t>(v >> 32));
}
void Set32(std::vector<std::uint8_t>* out, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) (*out)[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

bool IsAscii(const std::u16string& s) {
  for (char16_t c : s)
    if (c >= 0x80) return false;
  return true;
}

// The ANSI form of a path (code page 1252's Latin-1 part; anything else becomes '?').
std::string ToAnsi(const std::u16string& s) {
  std::string out;
  for (char16_t c : s) out += (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) ? static_cast<char>(c) : '?';
  return out;
}

// Facts about the target that the header records, when the target exists.
struct TargetFacts {
  DWORD attributes = 0;
  std::uint64_t writeTime = 0;  // FILETIME
  std::uint32_t size = 0;
};

TargetFacts FactsOf(const std::u16string& target) {
  TargetFacts facts;
  const DWORD saved = GetLastError();
  const DWORD attributes = GetFileAttributesW(target);
  SetLastError(saved);
  if (attributes == INVALID_FILE_ATTRIBUTES) return facts;
  facts.attributes = attributes;
  sim::ResolvedPath r;
  if (sim::ResolvePath(target, &r) != ERROR_SUCCESS) return facts;
  std::error_code ec;
  if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    const auto size = std::filesystem::file_size(r.host, ec);
    if (!ec) facts.size = static_cast<std::uint32_t>(size);
  }
  const auto when = std::filesystem::last_write_time(r.host, ec);
  if (!ec) {
    const auto since = std::chrono::duration_cast<std::chrono::nanoseconds>(
        when - std::filesystem::file_time_type::clock::now() +
        std::chrono::system_clock::now().time_since_epoch());
    // FILETIME counts 100 ns from 1601; the Unix epoch lies 11644473600 s later.
    const long long ticks = since.count() / 100 + 116444736000000000LL;
    if (ticks > 0) facts.writeTime = static_cast<std::uint64_t>(ticks);
  }
  return facts;
}

std::vector<std::uint8_t> BuildLink(const std::u16string& target) {
  const TargetFacts facts = target.empty() ? TargetFacts{} : FactsOf(target);
  std::vector<std::uint8_t> out;
  Put32(&out, kHeaderSize);
  out.insert(out.end(), kShellLinkClsid, kShellLinkClsid + 16);
  Put32(&out, target.empty() ? kIsUnicode : kHasLinkInfo | kIsUnicode);
  Put32(&out, facts.attributes);
  Put64(&out, 0);  // creation time: not known on the host
  Put64(&out, 0);  // access time
  Put64(&out, facts.writeTime);
  Put32(&out, facts.size);
  Put32(&out, 0);  // icon index
  Put32(&out, kShowNormal);
  Put16(&out, 0);  // hot key
  Put16(&out, 0);
  Put32(&out, 0);
  Put32(&out, 0);

  if (!target.empty()) {
    const bool unicode = !IsAscii(target);
    const std::size_t start = out.size();
    const std::uint32_t headerSize = unicode ? 0x24 : 0x1C;
    Put32(&out, 0);  // LinkInfoSize, set below
    Put32(&out, headerSize);
    Put32(&out, kVolumeIdAndLocalBasePath);
    const std::size_t offsets = out.size();
    for (std::uint32_t i = 0; i < (headerSize - 12) / 4; ++i) Put32(&out, 0);
    auto here = [&] { return static_cast<std::uint32_t>(out.size() - start); };
    Set32(&out, offsets, here());  // VolumeIDOffset
    Put32(&out, 0x11);             // VolumeIDSize: the fields and an empty label
    Put32(&out, kDriveFixed);
    Put32(&out, static_cast<std::uint32_t>(
                    sim::Machine::Current().Ini().GetInt("Drive", "SerialNumber", 0x5A4B5431)));
    Put32(&out, 0x10);  // VolumeLabelOffset
    out.push_back(0);
    Set32(&out, offsets + 4, here());  // LocalBasePathOffset
    for (char c : ToAnsi(target)) out.push_back(static_cast<std::uint8_t>(c));
    out.push_back(0);
    Set32(&out, offsets + 12, here());  // CommonPathSuffixOffset: empty
    out.push_back(0);
    if (unicode) {
      Set32(&out, offsets + 16, here());
      for (char16_t c : target) Put16(&out, c);
      Put16(&out, 0);
      Set32(&out, offsets + 20, here());
      Put16(&out, 0);
    }
    Set32(&out, start, here());
  }
  Put32(&out, 0);  // TerminalBlock
  return out;
}

// Bounded little-endian reader over a link file.
struct Reader {
  const std::vector<std::uint8_t>& bytes;
  bool Has(std::size_t at, std::size_t n) const {
    return at <= bytes.size() && n <= bytes.size() - at;
  }
  std::uint32_t U16(std::size_t at) const { return bytes[at] | (bytes[at + 1] << 8); }
  std::uint32_t U32(std::size_t at) const {
    return U16(at) | (static_cast<std::uint32_t>(U16(at + 2)) << 16);
  }
};

// A zero-terminated string inside [begin, end); false when it runs past `end`.
bool AnsiAt(const Reader& r, std::size_t at, std::size_t end, std::u16string* out) {
  out->clear();
  for (; at < end; ++at) {
    if (r.bytes[at] == 0) return true;
    *out += static_cast<char16_t>(r.bytes[at]);
  }
  return false;
}
bool UnicodeAt(const Reader& r, std::size_t at, std::size_t end, std::u16string* out) {
  out->clear();
  for (; at + 2 <= end; at += 2) {
    const char16_t c = static_cast<char16_t>(r.U16(at));
    if (c == 0) return true;
    *out += c;
  }
  return false;
}

// The local path a link file names; S_FALSE when it names none, E_FAIL when it is no link.
HRESULT ParseLinkTarget(const std::vector<std::uint8_t>& bytes, std::u16string* target) {
  const Reader r{bytes};
  if (!r.Has(0, kHeaderSize) || r.U32(0) != kHeaderSize ||
      std::memcmp(bytes.data() + 4, kShellLinkClsid, 16) != 0)
    return E_FAIL;
  const std::uint32_t flags = r.U32(20);
  std::size_t at = kHeaderSize;
  if (flags & kHasLinkTargetIdList) {
    if (!r.Has(at, 2)) return E_FAIL;
    at += 2 + r.U16(at);
  }
  target->clear();
  if (!(flags & kHasLinkInfo)) return S_FALSE;
  if (!r.Has(at, 0x1C)) return E_FAIL;
  const std::uint32_t size = r.U32(at), headerSize = r.U32(at + 4), infoFlags = r.U32(at + 8);
  if (size < 0x1C || headerSize < 0x1C || headerSize > size || !r.Has(at, size)) return E_FAIL;
  if (!(infoFlags & kVolumeIdAndLocalBasePath)) return S_FALSE;  // a network target
  const std::size_t end = at + size;
  std::u16string base, suffix;
  bool ok;
  if (headerSize >= 0x24 && r.U32(at + 0x1C) != 0) {
    ok = UnicodeAt(r, at + r.U32(at + 0x1C), end, &base) &&
         (r.U32(at + 0x20) == 0 || UnicodeAt(r, at + r.U32(at + 0x20), end, &suffix));
  } else {
    ok = AnsiAt(r, at + r.U32(at + 0x10), end, &base) &&
         (r.U32(at + 0x18) == 0 || AnsiAt(r, at + r.U32(at + 0x18), end, &suffix));
  }
  if (!ok) return E_FAIL;
  *target = base + suffix;
  return S_OK;
}

}  // namespace

HRESULT CoInitialize() { return t_comInitCount++ == 0 ? S_OK : S_FALSE; }

void CoUninitialize() {
  if (t_comInitCount > 0) --t_comInitCount;
}

HRESULT CreateShellLink(ShellLink* link) {
  DWORD error = 0;
  if (sim::Fault("CreateShellLink", u"", &error))
    return error ? FromWin32(error) : kClassNotRegistered;
  if (t_comInitCount == 0) return kNotInitialized;
  *link = new ShellLinkTag();
  return S_OK;
}

HRESULT ShellLinkSetPath(ShellLink link, const std::u16string& target) {
  DWORD error = 0;
  if (sim::Fault("ShellLinkSetPath", target, &error)) return FromWin32(error);
  if (!link) return E_INVALIDARG;
  link->target = target;
  return S_OK;
}

HRESULT ShellLinkSave(ShellLink link, const std::u16string& linkPath) {
  DWORD error = 0;
  if (sim::Fault("ShellLinkSave", linkPath, &error)) return FromWin32(error);
  if (!link) return E_INVALIDARG;
  const std::vector<std::uint8_t> bytes = BuildLink(link->target);
  const DWORD saved = GetLastError();
  HANDLE file = CreateFileW(linkPath, GENERIC_WRITE, 0, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL);
  if (file == INVALID_HANDLE_VALUE) {
    const HRESULT result = FromWin32(GetLastError());
    SetLastError(saved);
    return result;
  }
  DWORD written = 0;
  const BOOL ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written);
  const HRESULT result = ok ? S_OK : FromWin32(GetLastError());
  CloseHandle(file);
  SetLastError(saved);
  return result;
}

void ShellLinkRelease(ShellLink link) { delete link; }

HRESULT ReadShellLinkTarget(const std::u16string& linkPath, std::u16string* target) {
  DWORD error = 0;
  if (sim::Fault("ReadShellLinkTarget", linkPath, &error)) return FromWin32(error);
  const DWORD saved = GetLastError();
  HANDLE file = CreateFileW(linkPath, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING, 0);
  if (file == INVALID_HANDLE_VALUE) {
    const HRESULT result = FromWin32(GetLastError());
    SetLastError(saved);
    return result;
  }
  std::vector<std::uint8_t> bytes;
  std::uint8_t chunk[4096];
  DWORD got = 0;
  while (ReadFile(file, chunk, sizeof chunk, &got) && got > 0 && bytes.size() < (1u << 20))
    bytes.insert(bytes.end(), chunk, chunk + got);
  CloseHandle(file);
  SetLastError(saved);
  return ParseLinkTarget(bytes, target);
}

}  // namespace os
