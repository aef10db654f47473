// Conformance: version resources of program files (GetFileVersionInfo*, VerQueryValueW and
// GetFileVersionText) on the fixture programs built for this test.
#include <cstring>
#include <vector>

#include "platform/VersionInfoMgr.h"
#include "platform/os_files.h"
#include "platform/os_system.h"
#include "tests/conformance/conformance.h"

namespace {

using conf::kPoison;

void PrintSize(const char* what, const std::u16string& path) {
  os::DWORD handle = kPoison;
  os::SetLastError(kPoison);
  const os::DWORD size = os::GetFileVersionInfoSizeW(path, &handle);
  const os::DWORD error = os::GetLastError();
  // The size of a block is the system's own business (it differs between Windows versions);
  // only whether there is one is compared.
  conf::Line("%s: size %s, handle %lu, last error %lu", what, size ? "non-zero" : "0",
             static_cast<unsigned long>(handle), static_cast<unsigned long>(size ? 0 : error));
}

void PrintText(const char* what, const std::u16string& path) {
  std::u16string text = u"(unchanged)";
  const int result = GetFileVersionText(path, &text);
  conf::Line("%s: GetFileVersionText %d, text %s", what, result, conf::U8(text).c_str());
}

}  // namespace

CONFORMANCE_SCENARIO(version_files, 60) {
  const std::u16string versioned = conf::Fixture(u"zkt_version_fixture.exe");
  const std::u16string plain = conf::Fixture(u"zkt_noversion_fixture.exe");
  const std::u16string missing = conf::Scratch() + u"missing.exe";
  if (versioned.empty() || plain.empty()) {
    conf::Line("fixture programs missing: run through scripts/test.d/20-windows.sh");
    return;
  }
  PrintSize("with version", versioned);
  PrintSize("without version", plain);
  PrintSize("missing file", missing);
  PrintText("with version", versioned);
  PrintText("without version", plain);
  PrintText("missing file", missing);
}

CONFORMANCE_SCENARIO(version_values, 61) {
  const std::u16string path = conf::Fixture(u"zkt_version_fixture.exe");
  if (path.empty()) return;
  os::DWORD handle = 0;
  const os::DWORD size = os::GetFileVersionInfoSizeW(path, &handle);
  std::vector<unsigned char> block(size + 64, 0xAB);
  const os::BOOL read = os::GetFileVersionInfoW(path, handle, size, block.data());
  conf::Line("GetFileVersionInfoW %d, byte past the block %02x", read, block[size]);
  if (!read) return;

  const void* value = nullptr;
  os::UINT length = kPoison;
  os::BOOL ok = os::VerQueryValueW(block.data(), u"\\", &value, &length);
  conf::Line("root: ok %d, length %u", ok, length);
  if (ok && length >= 52) {
    std::uint32_t fixed[13];
    std::memcpy(fixed, value, sizeof fixed);
    // VS_FIXEDFILEINFO: signature, struct version, file MS/LS, product MS/LS, flags mask,
    // flags, OS, type, subtype, date MS/LS.
    conf::Line("signature %08x, file %08x %08x, product %08x %08x, os %08x, type %u", fixed[0],
               fixed[2], fixed[3], fixed[4], fixed[5], fixed[8], fixed[9]);
  }

  ok = os::VerQueryValueW(block.data(), u"\\VarFileInfo\\Translation", &value, &length);
  if (ok && length >= 4) {
    std::uint16_t pair[2];
    std::memcpy(pair, value, sizeof pair);
    conf::Line("translation: ok %d, length %u, %04x %04x", ok, length, pair[0], pair[1]);
  } else {
    conf::Line("translation: ok %d", ok);
  }

  for (const char16_t* name : {u"FileVersion", u"ProductName", u"CompanyName", u"Comments"}) {
    value = nullptr;
    length = kPoison;
    const std::u16string sub = std::u16string(u"\\StringFileInfo\\040904b0\\") + name;
    ok = os::VerQueryValueW(block.data(), sub, &value, &length);
    std::u16string text;
    // Read up to the terminator within the reported length, whichever comes first.
    const auto* chars = static_cast<const char16_t*>(value);
    for (os::UINT i = 0; ok && chars && i < length && chars[i]; ++i) text += chars[i];
    conf::Line("%s: ok %d, length %u, \"%s\"", conf::U8(name).c_str(), ok, ok ? length : 0u,
               conf::U8(text).c_str());
  }
}

// The version resource of a program of the other bitness: the runner puts the i686 build of the
// fixture beside the x86_64 conformance program and the x86_64 build beside the i686 one.
CONFORMANCE_SCENARIO(version_other_bitness, 63) {
  const std::u16string other = conf::Fixture(u"zkt_version_fixture_other.exe");
  if (other.empty()) {
    conf::Line("fixture of the other bitness missing: run through scripts/test.d/20-windows.sh");
    return;
  }
  PrintSize("other bitness", other);
  PrintText("other bitness", other);
}

namespace {

// The version block of `path`, empty when there is none.
std::vector<unsigned char> BlockOf(const std::u16string& path) {
  os::DWORD handle = 0;
  const os::DWORD size = os::GetFileVersionInfoSizeW(path, &handle);
  std::vector<unsigned char> block(size);
  if (!size || !os::GetFileVersionInfoW(path, handle, size, block.data())) block.clear();
  return block;
}

void PrintString(const std::vector<unsigned char>& block, const std::u16string& sub) {
  const void* value = nullptr;
  os::UINT length = 0;
  const os::BOOL ok = os::VerQueryValueW(block.data(), sub, &value, &length);
  std::u16string text;
  const auto* chars = static_cast<const char16_t*>(value);
  for (os::UINT i = 0; ok && chars && i < length && chars[i]; ++i) text += chars[i];
  conf::Line("%s: ok %d, \"%s\"", conf::U8(sub).c_str(), ok ? 1 : 0, conf::U8(text).c_str());
}

}  // namespace

// The setup compares the versions of the driver and programs of both bitnesses from its
// 32-bit process: the strings of the other bitness's image read as those of its own.
CONFORMANCE_SCENARIO(version_other_bitness_values, 64) {
  for (const char16_t* name : {u"zkt_version_fixture.exe", u"zkt_version_fixture_other.exe"}) {
    const std::u16string path = conf::Fixture(name);
    const std::vector<unsigned char> block =
        path.empty() ? std::vector<unsigned char>() : BlockOf(path);
    conf::Line("%s: block %s", conf::U8(name).c_str(), block.empty() ? "none" : "read");
    if (block.empty()) continue;
    PrintString(block, u"\\StringFileInfo\\040904b0\\FileVersion");
    PrintString(block, u"\\StringFileInfo\\040904b0\\ProductVersion");
  }
}

// Names the block does not hold: a missing string, another language's table, a bad path.
CONFORMANCE_SCENARIO(version_missing_values, 64) {
  const std::u16string path = conf::Fixture(u"zkt_version_fixture.exe");
  const std::vector<unsigned char> block =
      path.empty() ? std::vector<unsigned char>() : BlockOf(path);
  if (block.empty()) {
    conf::Line("no version block");
    return;
  }
  PrintString(block, u"\\StringFileInfo\\040904b0\\NoSuchName");
  PrintString(block, u"\\StringFileInfo\\040704b0\\FileVersion");
  PrintString(block, u"\\StringFileInfo\\040904B0\\fileversion");
  PrintString(block, u"\\NoSuchBlock");
}
