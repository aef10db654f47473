// Conformance: writes that change a file's shape (nothing written, a write past the end that
// leaves a gap), and attributes carried by a copy and by a rename.
#include <cstdio>
#include <string>

#include "platform/os_files.h"
#include "tests/conformance/conformance.h"

namespace {

unsigned long U(os::DWORD v) { return static_cast<unsigned long>(v); }

std::u16string Base() { return conf::Scratch() + u"writes\\"; }

}  // namespace

CONFORMANCE_SCENARIO(files_write_past_the_end, 86) {
  os::CreateDirectoryW(Base());
  const os::HANDLE h =
      os::CreateFileW(Base() + u"gap.bin", GENERIC_READ | GENERIC_WRITE, 0, CREATE_ALWAYS, 0);
  if (h == INVALID_HANDLE_VALUE) return conf::Line("cannot create the file");
  os::DWORD written = conf::kPoison;
  os::SetLastError(conf::kPoison);
  conf::PrintResult("WriteFile of no bytes", os::WriteFile(h, "", 0, &written));
  conf::Line("  written %lu, size %lu", U(written), U(os::GetFileSize(h, nullptr)));
  std::uint64_t position = 0;
  os::SetFilePointerEx(h, 10, &position, FILE_BEGIN);
  os::WriteFile(h, "end", 3, &written);
  conf::Line("three bytes written at 10: size %lu", U(os::GetFileSize(h, nullptr)));
  os::SetFilePointerEx(h, 0, &position, FILE_BEGIN);
  unsigned char bytes[32] = {};
  os::DWORD read = 0;
  os::ReadFile(h, bytes, sizeof(bytes), &read);
  std::string shown;
  for (os::DWORD i = 0; i < read; ++i) {
    char hex[4];
    std::snprintf(hex, sizeof(hex), "%02x", bytes[i]);
    shown += hex;
  }
  conf::Line("  reads %lu bytes: %s", U(read), shown.c_str());
  os::CloseHandle(h);
  os::DeleteFileW(Base() + u"gap.bin");
}

CONFORMANCE_SCENARIO(files_attributes_travel, 86) {
  const std::u16string source = Base() + u"source.txt";
  conf::WriteText(source, "s");
  os::SetFileAttributesW(source, FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY);
  os::SetLastError(conf::kPoison);
  conf::Check("CopyFileW of a hidden read-only file",
              os::CopyFileW(source, Base() + u"copy.txt", FALSE));
  conf::Line("  the copy: 0x%lx", U(os::GetFileAttributesW(Base() + u"copy.txt")));
  conf::Check("MoveFileExW of it", os::MoveFileExW(source, Base() + u"moved.txt", 0));
  conf::Line("  the moved file: 0x%lx", U(os::GetFileAttributesW(Base() + u"moved.txt")));
  for (const char16_t* name : {u"copy.txt", u"moved.txt"}) {
    os::SetFileAttributesW(Base() + name, FILE_ATTRIBUTE_NORMAL);
    os::DeleteFileW(Base() + name);
  }
}

CONFORMANCE_SCENARIO(files_writes_cleanup, 87) {
  os::SetLastError(conf::kPoison);
  conf::Check("writes folder removed", os::RemoveDirectoryW(Base()));
}
