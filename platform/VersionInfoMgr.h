// Windows version classification, native bitness, WOW64 state and program file versions.
#pragma once

#include <cstdint>
#include <string>

namespace VERSIONINFO_MGR {

// Stateless: classifies the running Windows version and traces the result.
class CVersionInfoMgr {
 public:
  // 0 success, 1 RtlGetVersion missing, 2 RtlGetVersion failed (nothing written then).
  int GetWindowsVersion(std::int32_t* osClass, std::int32_t* versionCode,
                        std::int32_t* servicePack);
  void TraceWindowsVersion(const std::int32_t* osClass, const std::int32_t* versionCode,
                           const std::int32_t* servicePack);
};

}  // namespace VERSIONINFO_MGR

// OS classes (only WIN7 is compared by the install sequence).
enum : std::int32_t {
  OS_CLASS_UNKNOWN = -1,
  OS_CLASS_NT4 = 0,
  OS_CLASS_WIN2000 = 1,
  OS_CLASS_WINXP = 2,
  OS_CLASS_VISTA = 3,
  OS_CLASS_WIN7 = 4,
  OS_CLASS_WIN8 = 5,
  OS_CLASS_WIN10 = 6,
};

// The wizard form's own classification: same tables, no trace line.
int GetOSVersionInfo(std::int32_t* osClass, std::int32_t* versionCode, std::int32_t* servicePack);
// Pure classification of a (major, minor) pair.
std::int32_t ClassifyOsVersion(std::uint32_t major, std::uint32_t minor);
std::int32_t OsVersionCode(std::uint32_t major, std::uint32_t minor);
// 0 and *is64 = 0/1 for x86/x64; 1 (output untouched) for any other architecture.
int GetNativeOSBits(std::int32_t* is64);
// Writes IsWow64Process of this process; when Windows cannot answer, 1 for a process that runs
// as Intel on a 64-bit system, and *isWow64 stays as it was else.
void QueryWow64Process(int* isWow64);
// The file version "a.b.c.d" of a program file. 0 ok; 1 no version resource; 2 block unreadable;
// 3 root block missing; 4 root block empty. `text` is left unchanged on failure.
int GetFileVersionText(const std::u16string& path, std::u16string* text);
