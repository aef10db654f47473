// The registry view in which the setup wrote HKEY_LOCAL_MACHINE\SOFTWARE: the payload programs
// open every HKLM key in it, so that the x64 service reads what the 32-bit setup wrote.
#pragma once

namespace payload {

// REGSAM bits, the values of Windows' KEY_WOW64_64KEY and KEY_WOW64_32KEY.
constexpr unsigned long kKeyWow64_64Key = 0x0100;
constexpr unsigned long kKeyWow64_32Key = 0x0200;

#ifdef ZKT_SETUP_WRITES_64BIT_VIEW
// The 64-bit test build's setup writes the native view (payload/CMakeLists.txt says when).
constexpr unsigned long kSetupRegistryView = kKeyWow64_64Key;
#else
// The product's setup is a 32-bit program: on 64-bit Windows its HKLM\SOFTWARE keys are in the
// 32-bit view (WOW6432Node). On 32-bit Windows the flag is ignored.
constexpr unsigned long kSetupRegistryView = kKeyWow64_32Key;
#endif

}  // namespace payload
