// Simulated machine: the profile functions (os_profile.h) over the simulated drive.
#include <vector>

#include "platform/os_files.h"
#include "platform/os_profile.h"
#include "platform/os_system.h"
#include "platform/ProfileText.h"
#include "platform/WholeFile.h"

namespace os {

namespace {

// A bare file name lives in the Windows folder, as for the real functions.
std::u16string FullProfilePath(const std::u16string& file) {
  if (file.find(u'\\') != std::u16string::npos || file.find(u'/') != std::u16string::npos)
    return file;
  std::u16string windows;
  GetWindowsDirectoryW(&windows);
  return windows + u"\\" + file;
}

enum class ReadResult { Read, Missing, Failed };

ReadResult ReadProfileFile(const std::u16string& path, std::string* bytes) {
  const DWORD error = ::ReadWholeFile(path, bytes);
  if (error == ERROR_SUCCESS) return ReadResult::Read;
  SetLastError(error);
  return error == ERROR_FILE_NOT_FOUND ? ReadResult::Missing : ReadResult::Failed;
}

}  // namespace

DWORD GetPrivateProfileStringW(const std::u16string& section, const std::u16string& key,
                               const std::u16string& defaultValue, std::u16string* out,
                               DWORD bufferSize, const std::u16string& file) {
  out->clear();
  if (bufferSize == 0 || profile::ProfileTrim(key).empty()) return 0;
  // Trailing spaces of the default are dropped (its first character stays).
  std::u16string fallback = defaultValue;
  while (fallback.size() > 1 && fallback.back() == u' ') fallback.pop_back();

  std::string bytes;
  std::optional<std::u16string> value;
  // A missing file, section or key is ERROR_FILE_NOT_FOUND; a file that cannot be opened or
  // read keeps the error of the failed call.
  const ReadResult read = ReadProfileFile(FullProfilePath(file), &bytes);
  if (read == ReadResult::Read) value = profile::ProfileText::Parse(bytes).Find(section, key);
  if (!value && read != ReadResult::Failed) SetLastError(ERROR_FILE_NOT_FOUND);
  return static_cast<DWORD>(profile::ProfileCopyEntry(value ? *value : fallback, bufferSize, out));
}

BOOL WritePrivateProfileStringW(const std::u16string& section, const std::u16string& key,
                                const std::u16string& value, const std::u16string& file) {
  const std::u16string path = FullProfilePath(file);
  std::string bytes;
  const ReadResult read = ReadProfileFile(path, &bytes);
  if (read == ReadResult::Failed) return FALSE;
  profile::ProfileText doc = profile::ProfileText::Parse(bytes);
  if (!doc.Set(section, key, value) && read == ReadResult::Read) return TRUE;  // unchanged

  const std::string out = doc.Serialize();
  HANDLE handle = CreateFileW(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL);
  if (handle == INVALID_HANDLE_VALUE) return FALSE;
  DWORD written = 0;
  const BOOL ok =
      out.empty() || (WriteFile(handle, out.data(), static_cast<DWORD>(out.size()), &written) &&
                      written == out.size());
  CloseHandle(handle);
  return ok ? TRUE : FALSE;
}

}  // namespace os
