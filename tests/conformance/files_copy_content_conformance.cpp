// Conformance: what CopyFileW writes: every byte of a file larger than any copy buffer, and an
// empty file as an empty file.
#include <string>
#include <vector>

#include "platform/os_files.h"
#include "tests/conformance/conformance.h"

namespace {

std::u16string Base() { return conf::Scratch() + u"copies\\"; }

// A checksum that notices a lost, doubled or swapped block.
unsigned long Fletcher(const std::vector<unsigned char>& bytes) {
  unsigned long a = 1, b = 0;
  for (unsigned char c : bytes) {
    a = (a + c) % 65521;
    b = (b + a) % 65521;
  }
  return (b << 16) | a;
}

std::vector<unsigned char> ReadAll(const std::u16string& path) {
  std::vector<unsigned char> bytes;
  const os::HANDLE h = os::CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING, 0);
  if (h == INVALID_HANDLE_VALUE) return bytes;
  unsigned char chunk[65536];
  os::DWORD read = 0;
  while (os::ReadFile(h, chunk, sizeof(chunk), &read) && read > 0)
    bytes.insert(bytes.end(), chunk, chunk + read);
  os::CloseHandle(h);
  return bytes;
}

}  // namespace

CONFORMANCE_SCENARIO(files_copy_content, 86) {
  os::CreateDirectoryW(Base());
  std::vector<unsigned char> bytes(1024 * 1024 + 1);
  for (std::size_t i = 0; i < bytes.size(); ++i)
    bytes[i] = static_cast<unsigned char>((i * 31 + i / 4096) & 0xff);
  const os::HANDLE h = os::CreateFileW(Base() + u"large.bin", GENERIC_WRITE, 0, CREATE_ALWAYS, 0);
  os::DWORD written = 0;
  if (h != INVALID_HANDLE_VALUE) {
    os::WriteFile(h, bytes.data(), static_cast<os::DWORD>(bytes.size()), &written);
    os::CloseHandle(h);
  }
  conf::Line("written %lu bytes, checksum %08lx", static_cast<unsigned long>(written),
             Fletcher(bytes));
  os::SetLastError(conf::kPoison);
  conf::Check("CopyFileW of 1 MiB + 1 byte",
              os::CopyFileW(Base() + u"large.bin", Base() + u"large copy.bin", FALSE));
  const std::vector<unsigned char> copy = ReadAll(Base() + u"large copy.bin");
  conf::Line("  the copy: %zu bytes, checksum %08lx", copy.size(), Fletcher(copy));
  conf::WriteText(Base() + u"empty.txt", "");
  conf::Check("CopyFileW of an empty file",
              os::CopyFileW(Base() + u"empty.txt", Base() + u"empty copy.txt", TRUE));
  conf::Line("  the copy: %zu bytes", ReadAll(Base() + u"empty copy.txt").size());
  for (const char16_t* name : {u"large.bin", u"large copy.bin", u"empty.txt", u"empty copy.txt"})
    os::DeleteFileW(Base() + name);
  conf::Check("copies folder removed", os::RemoveDirectoryW(Base()));
}
