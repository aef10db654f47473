// A whole file read in one go (see WholeFile.h).
#include "platform/WholeFile.h"

#include "platform/os_files.h"

using os::DWORD;

DWORD ReadWholeFile(const std::u16string& path, std::string* bytes, std::size_t limit) {
  bytes->clear();
  os::HANDLE file = os::CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL);
  if (file == INVALID_HANDLE_VALUE) return os::GetLastError();
  DWORD high = 0;
  os::SetLastError(ERROR_SUCCESS);  // a low part of 0xFFFFFFFF is told from a failure by it
  const DWORD size = os::GetFileSize(file, &high);
  DWORD error = ERROR_SUCCESS;
  if (size == 0xFFFFFFFFu && os::GetLastError() != ERROR_SUCCESS) error = os::GetLastError();
  else if (high != 0 || size > limit) error = ERROR_FILE_TOO_LARGE;
  std::string data(error == ERROR_SUCCESS ? size : 0, '\0');
  // A file that another program shortens meanwhile ends early: that is a failed read too.
  for (DWORD done = 0; error == ERROR_SUCCESS && done < size;) {
    DWORD read = 0;
    if (!os::ReadFile(file, data.data() + done, size - done, &read))
      error = os::GetLastError() != ERROR_SUCCESS ? os::GetLastError() : ERROR_HANDLE_EOF;
    else if (read == 0) error = ERROR_HANDLE_EOF;
    done += read;
  }
  os::CloseHandle(file);
  if (error == ERROR_SUCCESS) bytes->swap(data);
  return error;
}
