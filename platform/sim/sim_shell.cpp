// Simulated machine: system folders, shell folders and version resources (os_system.h).
#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>
#include <vector>

#include "platform/os_files.h"
#include "platform/os_system.h"
#include "platform/sim/pe_version.h"
#include "platform/sim/sim_machine.h"
#include "platform/sim/sim_paths.h"
#include "platform/text.h"

namespace os {

namespace {

// Reads a whole program file from drive C:; sets the last error when it cannot.
bool ReadProgramFile(const std::u16string& path, std::vector<std::uint8_t>* image) {
  sim::ResolvedPath r;
  const DWORD error = sim::ResolvePath(path, &r);
  if (error != ERROR_SUCCESS) {
    SetLastError(error);
    return false;
  }
  if (!r.exists) {
    SetLastError(r.parentExists ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND);
    return false;
  }
  std::error_code ec;
  if (r.isRoot || std::filesystem::is_directory(r.host, ec)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return false;
  }
  std::ifstream in(r.host, std::ios::binary);
  if (!in) {
    SetLastError(ERROR_ACCESS_DENIED);
    return false;
  }
  image->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return true;
}

// The version resource of a program file, checked to hold a whole VS_VERSIONINFO block.
bool LoadVersionResource(const std::u16string& path, std::vector<std::uint8_t>* resource) {
  std::vector<std::uint8_t> image;
  if (!ReadProgramFile(path, &image)) return false;
  // A file that is no image at all (text, empty) has no resource data to look in.
  if (image.size() < 2 || image[0] != 'M' || image[1] != 'Z') {
    SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
    return false;
  }
  std::size_t offset = 0, size = 0;
  const DWORD error = pe::FindVersionResource(image, &offset, &size);
  if (error != ERROR_SUCCESS) {
    SetLastError(error);
    return false;
  }
  if (pe::VersionBlockLength(image.data() + offset, size) == 0) {
    SetLastError(ERROR_INVALID_DATA);  // a block longer than its resource
    return false;
  }
  resource->assign(image.begin() + offset, image.begin() + offset + size);
  return true;
}

// Windows reports system32 to every program, also to a 32-bit one under WOW64: its accesses
// are then redirected to SysWOW64 by the file system, not by this name.
std::u16string SystemFolder() { return u"C:\\Windows\\system32"; }

// The folder of a CSIDL on this machine (Windows Vista and later layout), empty when unknown.
std::u16string ShellFolder(int csidl) {
  auto& m = sim::Machine::Current();
  const std::u16string profile = u"C:\\Users\\" + m.UserName();
  const std::u16string startMenu = u"\\Microsoft\\Windows\\Start Menu\\Programs";
  switch (csidl) {
    case CSIDL_PROGRAMS: return profile + u"\\AppData\\Roaming" + startMenu;
    case CSIDL_APPDATA: return profile + u"\\AppData\\Roaming";
    case CSIDL_DESKTOPDIRECTORY: return profile + u"\\Desktop";
    case CSIDL_COMMON_PROGRAMS: return u"C:\\ProgramData" + startMenu;
    case CSIDL_COMMON_DESKTOPDIRECTORY: return u"C:\\Users\\Public\\Desktop";
    case CSIDL_COMMON_APPDATA: return u"C:\\ProgramData";
    case CSIDL_PROGRAM_FILES:
      return m.UnderWow64() ? u"C:\\Program Files (x86)" : u"C:\\Program Files";
    case CSIDL_PROGRAM_FILESX86:
      return m.Is64BitWindows() ? u"C:\\Program Files (x86)" : u"C:\\Program Files";
    case CSIDL_SYSTEM:  // the shell names the 32-bit system folder to a 32-bit program
      return m.UnderWow64() ? u"C:\\Windows\\SysWOW64" : SystemFolder();
    case CSIDL_WINDOWS: return u"C:\\Windows";
    default: return u"";
  }
}

}  // namespace

UINT GetSystemDirectoryW(std::u16string* path) {
  DWORD error = 0;
  if (sim::Fault("GetSystemDirectoryW", u"", &error)) {
    SetLastError(error);
    return 0;
  }
  *path = SystemFolder();
  return static_cast<UINT>(path->size());
}

UINT GetWindowsDirectoryW(std::u16string* path) {
  DWORD error = 0;
  if (sim::Fault("GetWindowsDirectoryW", u"", &error)) {
    SetLastError(error);
    return 0;
  }
  *path = u"C:\\Windows";
  return static_cast<UINT>(path->size());
}

BOOL SHGetSpecialFolderPathW(std::u16string* path, int csidl, BOOL create) {
  DWORD error = 0;
  const std::u16string folder = ShellFolder(csidl);
  if (folder.empty() || sim::Fault("SHGetSpecialFolderPathW", folder, &error)) return FALSE;
  if (create) {
    // Every missing level, as SHCreateDirectoryEx does; the result tells whether it exists.
    for (std::size_t i = folder.find(u'\\', 3); i != std::u16string::npos;
         i = folder.find(u'\\', i + 1))
      CreateDirectoryW(folder.substr(0, i));
    CreateDirectoryW(folder);
    const DWORD attributes = GetFileAttributesW(folder);
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY))
      return FALSE;
  }
  *path = folder;
  return TRUE;
}

DWORD GetFileVersionInfoSizeW(const std::u16string& path, DWORD* handle) {
  if (handle) *handle = 0;
  DWORD error = 0;
  if (sim::Fault("GetFileVersionInfoSizeW", path, &error)) {
    SetLastError(error);
    return 0;
  }
  std::vector<std::uint8_t> resource;
  if (!LoadVersionResource(path, &resource)) return 0;
  // Room for the resource and for the ANSI copies VerQueryValueA may make, as Windows reserves.
  return static_cast<DWORD>(resource.size() * 2 + 4);
}

BOOL GetFileVersionInfoW(const std::u16string& path, DWORD, DWORD size, void* block) {
  DWORD error = 0;
  if (sim::Fault("GetFileVersionInfoW", path, &error)) {
    SetLastError(error);
    return FALSE;
  }
  std::vector<std::uint8_t> resource;
  if (!LoadVersionResource(path, &resource)) return FALSE;
  const std::size_t blockLength = pe::VersionBlockLength(resource.data(), resource.size());
  // Windows would copy a cut block whose own length then points past the buffer; refusing it
  // keeps VerQueryValueW inside the caller's memory.
  if (size < blockLength) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  const std::size_t copied = std::min<std::size_t>(size, resource.size());
  std::memcpy(block, resource.data(), copied);
  if (size >= blockLength + 4) std::memcpy(static_cast<char*>(block) + blockLength, "FE2X", 4);
  return TRUE;
}

BOOL VerQueryValueW(const void* block, const std::u16string& subBlock, const void** value,
                    UINT* length) {
  const auto* bytes = static_cast<const std::uint8_t*>(block);
  // The block is one of GetFileVersionInfoW: its first WORD is its length.
  const std::size_t size = bytes ? static_cast<std::size_t>(bytes[0] | (bytes[1] << 8)) : 0;
  const std::uint8_t* found = nullptr;
  std::uint32_t foundLength = 0;
  if (!pe::QueryVersionValue(bytes, size, subBlock, &found, &foundLength)) {
    SetLastError(ERROR_RESOURCE_TYPE_NOT_FOUND);
    return FALSE;
  }
  *value = found;
  if (length) *length = foundLength;
  return TRUE;
}

}  // namespace os
