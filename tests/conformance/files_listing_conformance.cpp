// Conformance: what a listing reports (hidden, system and read-only entries with their
// attributes and sizes, as GetFileAttributesW does), the attributes a folder keeps, and data
// written through one handle seen through another before it is closed.
#include <string>

#include "platform/os_files.h"
#include "tests/conformance/conformance.h"

namespace {

unsigned long U(os::DWORD v) { return static_cast<unsigned long>(v); }

std::u16string Base() { return conf::Scratch() + u"listing\\"; }

}  // namespace

CONFORMANCE_SCENARIO(files_listing_attributes, 86) {
  os::CreateDirectoryW(Base());
  const struct {
    const char16_t* name;
    const char* content;
    os::DWORD attributes;
  } files[] = {{u"hidden.txt", "h", FILE_ATTRIBUTE_HIDDEN},
               {u"system.txt", "sy", FILE_ATTRIBUTE_SYSTEM},
               {u"readonly.txt", "ro!", FILE_ATTRIBUTE_READONLY},
               {u"plain.txt", "", FILE_ATTRIBUTE_NORMAL}};
  for (const auto& f : files) {
    conf::WriteText(Base() + f.name, f.content);
    os::SetFileAttributesW(Base() + f.name, f.attributes);
  }
  os::FindData data;
  const os::HANDLE find = os::FindFirstFileW(Base() + u"*.txt", &data);
  for (bool more = find != INVALID_HANDLE_VALUE; more; more = os::FindNextFileW(find, &data))
    conf::Line("%s: listed attributes 0x%lx, size %llu; GetFileAttributesW 0x%lx",
               conf::U8(data.fileName).c_str(), U(data.attributes),
               static_cast<unsigned long long>(data.fileSize),
               U(os::GetFileAttributesW(Base() + data.fileName)));
  if (find != INVALID_HANDLE_VALUE) os::FindClose(find);
  for (const auto& f : files) {
    os::SetFileAttributesW(Base() + f.name, FILE_ATTRIBUTE_NORMAL);
    os::DeleteFileW(Base() + f.name);
  }
}

CONFORMANCE_SCENARIO(files_folder_attributes, 86) {
  const std::u16string folder = Base() + u"folder";
  os::CreateDirectoryW(folder);
  conf::Line("new folder: 0x%lx", U(os::GetFileAttributesW(folder)));
  os::SetLastError(conf::kPoison);
  conf::Check("set hidden", os::SetFileAttributesW(folder, FILE_ATTRIBUTE_HIDDEN));
  conf::Line("  reads 0x%lx", U(os::GetFileAttributesW(folder)));
  conf::Check("set FILE_ATTRIBUTE_NORMAL", os::SetFileAttributesW(folder, FILE_ATTRIBUTE_NORMAL));
  conf::Line("  reads 0x%lx", U(os::GetFileAttributesW(folder)));
  conf::Check("set FILE_ATTRIBUTE_DIRECTORY alone",
              os::SetFileAttributesW(folder, FILE_ATTRIBUTE_DIRECTORY));
  conf::Line("  reads 0x%lx", U(os::GetFileAttributesW(folder)));
  conf::WriteText(Base() + u"file.txt", "f");
  conf::Check("set FILE_ATTRIBUTE_DIRECTORY on a file",
              os::SetFileAttributesW(Base() + u"file.txt", FILE_ATTRIBUTE_DIRECTORY));
  conf::Line("  the file reads 0x%lx", U(os::GetFileAttributesW(Base() + u"file.txt")));
  os::DeleteFileW(Base() + u"file.txt");
  os::RemoveDirectoryW(folder);
}

CONFORMANCE_SCENARIO(files_shared_writer_visible, 86) {
  const std::u16string file = Base() + u"shared.txt";
  const os::HANDLE writer = os::CreateFileW(file, GENERIC_WRITE, FILE_SHARE_READ, CREATE_ALWAYS, 0);
  os::DWORD written = 0;
  os::WriteFile(writer, "first", 5, &written);
  const os::HANDLE reader =
      os::CreateFileW(file, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING, 0);
  conf::Line("reader beside the writer: %s", reader == INVALID_HANDLE_VALUE ? "refused" : "opened");
  char buffer[16] = {};
  os::DWORD read = 0;
  if (reader != INVALID_HANDLE_VALUE) os::ReadFile(reader, buffer, sizeof(buffer) - 1, &read);
  conf::Line("  reads %lu bytes '%s' before the writer closes", U(read), buffer);
  os::WriteFile(writer, " second", 7, &written);
  os::DWORD size = os::GetFileSize(reader, nullptr);
  conf::Line("  size seen by the reader after a second write: %lu", U(size));
  os::CloseHandle(writer);
  if (reader != INVALID_HANDLE_VALUE) os::CloseHandle(reader);
  os::DeleteFileW(file);
  os::SetLastError(conf::kPoison);
  conf::Check("listing folder removed", os::RemoveDirectoryW(Base()));
}
