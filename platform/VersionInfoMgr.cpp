#include "platform/VersionInfoMgr.h"

#include <cstring>
#include <vector>

#include "platform/os_system.h"
#include "platform/text.h"
#include "platform/trace.h"

namespace {

constexpr std::uint32_t kFixedFileInfoSignature = 0xFEEF04BDu;

struct VersionCodeName {
  std::int32_t code;
  const char16_t* line;
};
constexpr VersionCodeName kVersionCodes[] = {
    {0x400, u"##### The OS is NT4 #####\n"},
    {0x500, u"##### The OS is WIN2000 #####\n"},
    {0x501, u"##### The OS is WINXP #####\n"},
    {0x502, u"##### The OS is Windows Server 2003 #####\n"},
    {0x600, u"##### The OS is VISTA #####\n"},
    {0x601, u"##### The OS is WIN7 #####\n"},
    {0x602, u"##### The OS is WIN8 #####\n"},
    {0x603, u"##### The OS is WIN8.1 #####\n"},
    {0xA00, u"##### The OS is WIN10 #####\n"},
};
constexpr const char16_t* kUnknownLine = u"##### The OS is Unknown #####\n";
constexpr const char16_t* kClassLines[] = {
    u"##### The OS is NT4 #####\n",   u"##### The OS is WIN2000 #####\n",
    u"##### The OS is WINXP #####\n", u"##### The OS is VISTA #####\n",
    u"##### The OS is WIN7 #####\n",  u"##### The OS is WIN8 #####\n",
    u"##### The OS is WIN10 #####\n",
};

// Shared by both entry points; `traced` adds the major/minor line.
int QueryVersion(bool traced, std::int32_t* osClass, std::int32_t* versionCode,
                 std::int32_t* servicePack) {
  if (!os::ProcAvailable(u"ntdll.dll", "RtlGetVersion")) return 1;
  os::OsVersionInfo info;
  if (os::RtlGetVersion(&info) != 0) return 2;
  if (traced)
    trace::Printf(u"GetWindowsVersion: Major = 0x%.8X, Minor = 0x%.8X\n", info.majorVersion,
                  info.minorVersion);
  if (osClass) *osClass = ClassifyOsVersion(info.majorVersion, info.minorVersion);
  if (versionCode) *versionCode = OsVersionCode(info.majorVersion, info.minorVersion);
  if (servicePack) *servicePack = info.servicePackMajor;
  return 0;
}

}  // namespace

std::int32_t ClassifyOsVersion(std::uint32_t major, std::uint32_t minor) {
  std::int32_t c = OS_CLASS_UNKNOWN;
  if (major == 4) c = OS_CLASS_NT4;
  if (major == 5) c = minor == 0 ? OS_CLASS_WIN2000 : OS_CLASS_WINXP;
  if (major == 6 && minor == 0) c = OS_CLASS_VISTA;
  if (major == 6 && minor == 1) c = OS_CLASS_WIN7;
  if (major == 6 && (minor == 2 || minor == 3)) c = OS_CLASS_WIN8;
  if (major == 10) c = OS_CLASS_WIN10;
  return c;
}

std::int32_t OsVersionCode(std::uint32_t major, std::uint32_t minor) {
  if (major > 0xFF || minor > 0xFF) return -1;
  const std::int32_t code = static_cast<std::int32_t>((major << 8) | minor);
  for (const auto& v : kVersionCodes)
    if (v.code == code) return code;
  return -1;
}

namespace VERSIONINFO_MGR {

int CVersionInfoMgr::GetWindowsVersion(std::int32_t* osClass, std::int32_t* versionCode,
                                       std::int32_t* servicePack) {
  return QueryVersion(true, osClass, versionCode, servicePack);
}

void CVersionInfoMgr::TraceWindowsVersion(const std::int32_t* osClass,
                                          const std::int32_t* versionCode,
                                          const std::int32_t* servicePack) {
  if (versionCode) {
    const char16_t* line = kUnknownLine;
    for (const auto& v : kVersionCodes)
      if (v.code == *versionCode) line = v.line;
    trace::Write(line);
  } else if (osClass) {
    const bool known = *osClass >= 0 && *osClass <= OS_CLASS_WIN10;
    trace::Write(known ? kClassLines[*osClass] : kUnknownLine);
  }
  if (servicePack) trace::Printf(u"##### The service pack version = %d #####\n", *servicePack);
}

}  // namespace VERSIONINFO_MGR

int GetOSVersionInfo(std::int32_t* osClass, std::int32_t* versionCode, std::int32_t* servicePack) {
  return QueryVersion(false, osClass, versionCode, servicePack);
}

int GetNativeOSBits(std::int32_t* is64) {
  switch (os::GetNativeProcessorArchitecture()) {
    case PROCESSOR_ARCHITECTURE_INTEL: *is64 = 0; return 0;
    case PROCESSOR_ARCHITECTURE_AMD64: *is64 = 1; return 0;
    default: return 1;
  }
}

void QueryWow64Process(int* isWow64) {
  os::BOOL flag = *isWow64;
  if (os::IsWow64Process(&flag)) {
    *isWow64 = flag;
    return;
  }
  // Without its answer (IsWow64Process missing or refused) the two architectures tell: a
  // process that runs as Intel on a 64-bit system is under WOW64.
  const os::WORD native = os::GetNativeProcessorArchitecture();
  if (os::GetProcessorArchitecture() == PROCESSOR_ARCHITECTURE_INTEL &&
      (native == PROCESSOR_ARCHITECTURE_AMD64 || native == PROCESSOR_ARCHITECTURE_ARM64))
    *isWow64 = 1;
}

int GetFileVersionText(const std::u16string& path, std::u16string* text) {
  os::DWORD handle = 0;
  const os::DWORD size = os::GetFileVersionInfoSizeW(path, &handle);
  if (size == 0) return 1;
  std::vector<unsigned char> block(size);
  if (!os::GetFileVersionInfoW(path, handle, size, block.data())) return 2;
  const void* value = nullptr;
  os::UINT length = 0;
  if (!os::VerQueryValueW(block.data(), u"\\", &value, &length)) return 3;
  if (length == 0) return 4;
  // VS_FIXEDFILEINFO: signature, structure version, file version MS, file version LS, ...
  std::uint32_t fixed[4] = {};
  if (length < sizeof fixed) return 4;
  std::memcpy(fixed, value, sizeof fixed);
  if (fixed[0] == kFixedFileInfoSignature) {
    *text = text::Format(260, u"%d.%d.%d.%d", static_cast<int>(fixed[2] >> 16),
                         static_cast<int>(fixed[2] & 0xFFFF), static_cast<int>(fixed[3] >> 16),
                         static_cast<int>(fixed[3] & 0xFFFF));
  }
  return 0;
}
