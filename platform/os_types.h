// Types and constants shared by both sides of the operating-system seam, with the values of
// Windows (the win32 backend checks each against the SDK at compile time). Portable code writes
// the constants by their Windows names. A file of the win32 backend includes the platform
// headers before <windows.h>, whose macros would otherwise take those names.
#pragma once

#if defined(_WINDOWS_) || defined(ERROR_SUCCESS) || defined(HKEY_LOCAL_MACHINE)
#error "include the platform headers before <windows.h>"
#endif

#include <cstdint>
#include <string>

namespace os {

using BYTE = std::uint8_t;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using LONG = std::int32_t;
using BOOL = int;
using UINT = unsigned int;
using REGSAM = DWORD;
using HRESULT = std::int32_t;
using NTSTATUS = std::int32_t;

// Opaque handles. On win32 they carry the real HKEY / HANDLE value.
struct RegKeyTag;
using HKEY = RegKeyTag*;
struct HandleTag;
using HANDLE = HandleTag*;

}  // namespace os

namespace os {

constexpr BOOL TRUE = 1;
constexpr BOOL FALSE = 0;

// Predefined registry roots (same values as Windows).
inline const HKEY HKEY_CLASSES_ROOT = reinterpret_cast<HKEY>(std::uintptr_t{0x80000000u});
inline const HKEY HKEY_CURRENT_USER = reinterpret_cast<HKEY>(std::uintptr_t{0x80000001u});
inline const HKEY HKEY_LOCAL_MACHINE = reinterpret_cast<HKEY>(std::uintptr_t{0x80000002u});
inline const HKEY HKEY_USERS = reinterpret_cast<HKEY>(std::uintptr_t{0x80000003u});

inline const HANDLE INVALID_HANDLE_VALUE = reinterpret_cast<HANDLE>(~std::uintptr_t{0});

// Win32 error codes used by the system and by the simulated machine.
constexpr long ERROR_SUCCESS = 0L;
constexpr long ERROR_INVALID_FUNCTION = 1L;
constexpr long ERROR_FILE_NOT_FOUND = 2L;
constexpr long ERROR_PATH_NOT_FOUND = 3L;
constexpr long ERROR_ACCESS_DENIED = 5L;
constexpr long ERROR_INVALID_HANDLE = 6L;
constexpr long ERROR_NOT_ENOUGH_MEMORY = 8L;
constexpr long ERROR_BAD_FORMAT = 11L;
constexpr long ERROR_INVALID_DATA = 13L;
constexpr long ERROR_NO_MORE_FILES = 18L;
constexpr long ERROR_WRITE_PROTECT = 19L;
constexpr long ERROR_SHARING_VIOLATION = 32L;
constexpr long ERROR_HANDLE_EOF = 38L;
constexpr long ERROR_NOT_SUPPORTED = 50L;
constexpr long ERROR_FILE_EXISTS = 80L;
constexpr long ERROR_INVALID_PARAMETER = 87L;
constexpr long ERROR_INSUFFICIENT_BUFFER = 122L;
constexpr long ERROR_INVALID_NAME = 123L;
constexpr long ERROR_MOD_NOT_FOUND = 126L;
constexpr long ERROR_PROC_NOT_FOUND = 127L;
constexpr long ERROR_DIR_NOT_EMPTY = 145L;
constexpr long ERROR_ALREADY_EXISTS = 183L;
constexpr long ERROR_FILENAME_EXCED_RANGE = 206L;
constexpr long ERROR_FILE_TOO_LARGE = 223L;
constexpr long ERROR_MORE_DATA = 234L;
constexpr long ERROR_NO_MORE_ITEMS = 259L;
constexpr long ERROR_CANT_ACCESS_FILE = 1920L;
constexpr long ERROR_KEY_DELETED = 1018L;
constexpr long ERROR_BADKEY = 1010L;
constexpr long ERROR_CANTOPEN = 1011L;
constexpr long ERROR_CANTREAD = 1012L;
constexpr long ERROR_CANTWRITE = 1013L;
constexpr long ERROR_REGISTRY_CORRUPT = 1015L;
constexpr long ERROR_KEY_HAS_CHILDREN = 1020L;
constexpr long ERROR_SERVICE_REQUEST_TIMEOUT = 1053L;
constexpr long ERROR_DEPENDENT_SERVICES_RUNNING = 1051L;
constexpr long ERROR_INVALID_SERVICE_CONTROL = 1052L;
constexpr long ERROR_SERVICE_ALREADY_RUNNING = 1056L;
constexpr long ERROR_SERVICE_DISABLED = 1058L;
constexpr long ERROR_SERVICE_DOES_NOT_EXIST = 1060L;
constexpr long ERROR_SERVICE_CANNOT_ACCEPT_CTRL = 1061L;
constexpr long ERROR_SERVICE_NOT_ACTIVE = 1062L;
constexpr long ERROR_SERVICE_EXISTS = 1073L;
constexpr long ERROR_TIMEOUT = 1460L;

// Registry value types, options, dispositions and access rights.
constexpr DWORD REG_NONE = 0u;
constexpr DWORD REG_SZ = 1u;
constexpr DWORD REG_EXPAND_SZ = 2u;
constexpr DWORD REG_BINARY = 3u;
constexpr DWORD REG_DWORD = 4u;
constexpr DWORD REG_DWORD_BIG_ENDIAN = 5u;
constexpr DWORD REG_LINK = 6u;
constexpr DWORD REG_MULTI_SZ = 7u;
constexpr DWORD REG_QWORD = 11u;
constexpr DWORD REG_OPTION_NON_VOLATILE = 0u;
constexpr DWORD REG_OPTION_VOLATILE = 1u;
constexpr DWORD REG_CREATED_NEW_KEY = 1u;
constexpr DWORD REG_OPENED_EXISTING_KEY = 2u;
constexpr DWORD KEY_QUERY_VALUE = 0x0001u;
constexpr DWORD KEY_SET_VALUE = 0x0002u;
constexpr DWORD KEY_CREATE_SUB_KEY = 0x0004u;
constexpr DWORD KEY_ENUMERATE_SUB_KEYS = 0x0008u;
constexpr DWORD KEY_NOTIFY = 0x0010u;
constexpr DWORD KEY_CREATE_LINK = 0x0020u;
constexpr DWORD KEY_WOW64_64KEY = 0x0100u;
constexpr DWORD KEY_WOW64_32KEY = 0x0200u;
constexpr DWORD KEY_READ = 0x20019u;
constexpr DWORD KEY_WRITE = 0x20006u;
constexpr DWORD KEY_EXECUTE = 0x20019u;
constexpr DWORD KEY_ALL_ACCESS = 0xF003Fu;
constexpr DWORD DELETE = 0x00010000u;
// Asks for every right the key's security grants the caller, as RegOpenKeyW does.
constexpr DWORD MAXIMUM_ALLOWED = 0x02000000u;

// File attributes and creation dispositions.
constexpr DWORD FILE_ATTRIBUTE_READONLY = 0x1u;
constexpr DWORD FILE_ATTRIBUTE_HIDDEN = 0x2u;
constexpr DWORD FILE_ATTRIBUTE_SYSTEM = 0x4u;
constexpr DWORD FILE_ATTRIBUTE_DIRECTORY = 0x10u;
constexpr DWORD FILE_ATTRIBUTE_ARCHIVE = 0x20u;
constexpr DWORD FILE_ATTRIBUTE_NORMAL = 0x80u;
constexpr DWORD FILE_ATTRIBUTE_REPARSE_POINT = 0x400u;
constexpr DWORD INVALID_FILE_ATTRIBUTES = 0xFFFFFFFFu;
constexpr DWORD GENERIC_READ = 0x80000000u;
constexpr DWORD GENERIC_WRITE = 0x40000000u;
constexpr DWORD CREATE_NEW = 1u;
constexpr DWORD CREATE_ALWAYS = 2u;
constexpr DWORD OPEN_EXISTING = 3u;
constexpr DWORD OPEN_ALWAYS = 4u;
constexpr DWORD TRUNCATE_EXISTING = 5u;
constexpr DWORD FILE_SHARE_READ = 0x1u;
constexpr DWORD FILE_SHARE_WRITE = 0x2u;

// Processor architectures of GetNativeSystemInfo.
constexpr DWORD PROCESSOR_ARCHITECTURE_INTEL = 0u;
constexpr DWORD PROCESSOR_ARCHITECTURE_ARM = 5u;
constexpr DWORD PROCESSOR_ARCHITECTURE_IA64 = 6u;
constexpr DWORD PROCESSOR_ARCHITECTURE_AMD64 = 9u;
constexpr DWORD PROCESSOR_ARCHITECTURE_ARM64 = 12u;

// Shell folder identifiers.
constexpr int CSIDL_PROGRAMS = 0x0002;
constexpr int CSIDL_APPDATA = 0x001a;
constexpr int CSIDL_DESKTOPDIRECTORY = 0x0010;
constexpr int CSIDL_COMMON_PROGRAMS = 0x0017;
constexpr int CSIDL_COMMON_DESKTOPDIRECTORY = 0x0019;
constexpr int CSIDL_PROGRAM_FILES = 0x0026;
constexpr int CSIDL_PROGRAM_FILESX86 = 0x002a;
constexpr int CSIDL_SYSTEM = 0x0025;
constexpr int CSIDL_WINDOWS = 0x0024;
constexpr int CSIDL_COMMON_APPDATA = 0x0023;

constexpr int S_OK = 0;
constexpr int S_FALSE = 1;
constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005u);
constexpr HRESULT E_NOINTERFACE = static_cast<HRESULT>(0x80004002u);
constexpr HRESULT E_INVALIDARG = static_cast<HRESULT>(0x80070057u);
constexpr int MAX_PATH = 260;

// File-system and resource errors beyond the common set above.
constexpr long ERROR_DIRECTORY = 267L;
constexpr long ERROR_RESOURCE_DATA_NOT_FOUND = 1812L;
constexpr long ERROR_RESOURCE_TYPE_NOT_FOUND = 1813L;
constexpr long ERROR_RESOURCE_NAME_NOT_FOUND = 1814L;
constexpr long ERROR_RESOURCE_LANG_NOT_FOUND = 1815L;
// Programs that cannot start.
constexpr long ERROR_BAD_EXE_FORMAT = 193L;
constexpr long ERROR_NO_ASSOCIATION = 1155L;
constexpr DWORD FILE_SHARE_DELETE = 0x4u;
constexpr DWORD FILE_FLAG_BACKUP_SEMANTICS = 0x02000000u;
constexpr long ERROR_NEGATIVE_SEEK = 131L;
constexpr DWORD FILE_FLAG_OPEN_REPARSE_POINT = 0x00200000u;
constexpr DWORD FILE_BEGIN = 0u;
constexpr DWORD FILE_CURRENT = 1u;
constexpr DWORD FILE_END = 2u;
constexpr DWORD INVALID_FILE_SIZE = 0xFFFFFFFFu;
constexpr DWORD MOVEFILE_REPLACE_EXISTING = 0x1u;
constexpr DWORD MOVEFILE_COPY_ALLOWED = 0x2u;
constexpr DWORD MOVEFILE_DELAY_UNTIL_REBOOT = 0x4u;
constexpr DWORD MOVEFILE_WRITE_THROUGH = 0x8u;

}  // namespace os
// Portable code writes them by their Windows names.
using os::ERROR_BAD_EXE_FORMAT, os::ERROR_NO_ASSOCIATION;
using os::TRUE, os::FALSE, os::HKEY_CLASSES_ROOT, os::HKEY_CURRENT_USER, os::HKEY_LOCAL_MACHINE,
    os::HKEY_USERS, os::INVALID_HANDLE_VALUE, os::ERROR_SUCCESS, os::ERROR_INVALID_FUNCTION,
    os::ERROR_FILE_NOT_FOUND, os::ERROR_PATH_NOT_FOUND, os::ERROR_ACCESS_DENIED,
    os::ERROR_INVALID_HANDLE, os::ERROR_NOT_ENOUGH_MEMORY, os::ERROR_BAD_FORMAT,
    os::ERROR_INVALID_DATA, os::ERROR_NO_MORE_FILES, os::ERROR_WRITE_PROTECT,
    os::ERROR_SHARING_VIOLATION, os::ERROR_HANDLE_EOF, os::ERROR_NOT_SUPPORTED,
    os::ERROR_FILE_EXISTS, os::ERROR_INVALID_PARAMETER, os::ERROR_INSUFFICIENT_BUFFER,
    os::ERROR_INVALID_NAME, os::ERROR_MOD_NOT_FOUND, os::ERROR_PROC_NOT_FOUND,
    os::ERROR_DIR_NOT_EMPTY, os::ERROR_ALREADY_EXISTS, os::ERROR_FILENAME_EXCED_RANGE,
    os::ERROR_FILE_TOO_LARGE, os::ERROR_MORE_DATA, os::ERROR_NO_MORE_ITEMS,
    os::ERROR_CANT_ACCESS_FILE, os::ERROR_KEY_DELETED, os::ERROR_BADKEY, os::ERROR_CANTOPEN,
    os::ERROR_CANTREAD, os::ERROR_CANTWRITE, os::ERROR_REGISTRY_CORRUPT, os::ERROR_KEY_HAS_CHILDREN,
    os::ERROR_SERVICE_REQUEST_TIMEOUT, os::ERROR_DEPENDENT_SERVICES_RUNNING,
    os::ERROR_INVALID_SERVICE_CONTROL, os::ERROR_SERVICE_ALREADY_RUNNING,
    os::ERROR_SERVICE_DISABLED, os::ERROR_SERVICE_DOES_NOT_EXIST,
    os::ERROR_SERVICE_CANNOT_ACCEPT_CTRL, os::ERROR_SERVICE_NOT_ACTIVE, os::ERROR_SERVICE_EXISTS,
    os::ERROR_TIMEOUT, os::REG_NONE, os::REG_SZ, os::REG_EXPAND_SZ, os::REG_BINARY, os::REG_DWORD,
    os::REG_DWORD_BIG_ENDIAN, os::REG_LINK, os::REG_MULTI_SZ, os::REG_QWORD,
    os::REG_OPTION_NON_VOLATILE, os::REG_OPTION_VOLATILE, os::REG_CREATED_NEW_KEY,
    os::REG_OPENED_EXISTING_KEY, os::KEY_QUERY_VALUE, os::KEY_SET_VALUE, os::KEY_CREATE_SUB_KEY,
    os::KEY_ENUMERATE_SUB_KEYS, os::KEY_NOTIFY, os::KEY_CREATE_LINK, os::KEY_WOW64_64KEY,
    os::KEY_WOW64_32KEY, os::KEY_READ, os::KEY_WRITE, os::KEY_EXECUTE, os::KEY_ALL_ACCESS,
    os::DELETE, os::MAXIMUM_ALLOWED, os::FILE_ATTRIBUTE_READONLY, os::FILE_ATTRIBUTE_HIDDEN,
    os::FILE_ATTRIBUTE_SYSTEM, os::FILE_ATTRIBUTE_DIRECTORY, os::FILE_ATTRIBUTE_ARCHIVE,
    os::FILE_ATTRIBUTE_NORMAL, os::FILE_ATTRIBUTE_REPARSE_POINT, os::INVALID_FILE_ATTRIBUTES,
    os::GENERIC_READ, os::GENERIC_WRITE, os::CREATE_NEW, os::CREATE_ALWAYS, os::OPEN_EXISTING,
    os::OPEN_ALWAYS, os::TRUNCATE_EXISTING, os::FILE_SHARE_READ, os::FILE_SHARE_WRITE,
    os::PROCESSOR_ARCHITECTURE_INTEL, os::PROCESSOR_ARCHITECTURE_ARM,
    os::PROCESSOR_ARCHITECTURE_IA64, os::PROCESSOR_ARCHITECTURE_AMD64,
    os::PROCESSOR_ARCHITECTURE_ARM64, os::CSIDL_PROGRAMS, os::CSIDL_APPDATA,
    os::CSIDL_DESKTOPDIRECTORY, os::CSIDL_COMMON_PROGRAMS, os::CSIDL_COMMON_DESKTOPDIRECTORY,
    os::CSIDL_PROGRAM_FILES, os::CSIDL_PROGRAM_FILESX86, os::CSIDL_SYSTEM, os::CSIDL_WINDOWS,
    os::CSIDL_COMMON_APPDATA, os::S_OK, os::S_FALSE, os::E_FAIL, os::E_NOINTERFACE,
    os::E_INVALIDARG, os::MAX_PATH, os::ERROR_DIRECTORY, os::ERROR_RESOURCE_DATA_NOT_FOUND,
    os::ERROR_RESOURCE_TYPE_NOT_FOUND, os::ERROR_RESOURCE_NAME_NOT_FOUND,
    os::ERROR_RESOURCE_LANG_NOT_FOUND, os::FILE_SHARE_DELETE, os::FILE_FLAG_BACKUP_SEMANTICS,
    os::ERROR_NEGATIVE_SEEK, os::FILE_FLAG_OPEN_REPARSE_POINT, os::FILE_BEGIN, os::FILE_CURRENT,
    os::FILE_END, os::INVALID_FILE_SIZE, os::MOVEFILE_REPLACE_EXISTING, os::MOVEFILE_COPY_ALLOWED,
    os::MOVEFILE_DELAY_UNTIL_REBOOT, os::MOVEFILE_WRITE_THROUGH;
