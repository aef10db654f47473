// Simulated machine: the file-system calls of os_files.h on drive C:.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <fstream>
#include <mutex>
#include <variant>
#include <vector>

#include "platform/os_files.h"
#include "platform/os_security.h"
#include "platform/os_system.h"
#include "platform/sim/sim_attributes.h"
#include "platform/sim/sim_handle_table.h"
#include "platform/sim/sim_machine.h"
#include "platform/sim/sim_process.h"
#include "platform/sim/sim_paths.h"
#include "platform/sim/sim_pending_renames.h"
#include "platform/text.h"

namespace fs = std::filesystem;

namespace os {

namespace {

constexpr DWORD kErrorDiskFull = 112;

thread_local DWORD t_lastError = 0;

BOOL Fail(DWORD error) {
  t_lastError = error;
  return FALSE;
}

struct FindState {
  std::vector<FindData> entries;
  std::size_t next = 0;
};

struct FileState {
  int fd = -1;
  fs::path host;
  std::u16string path;
  DWORD access = 0;
  DWORD share = 0;
};

// One table for search and file handles, as the process handle table of Windows is one.
struct FileHandles {
  std::mutex mutex;
  sim::HandleTable<HANDLE, std::variant<FindState, FileState>> open{0x104, 4};

  template <typename State>
  State* Find(HANDLE handle) {
    auto* entry = open.Find(handle);
    return entry ? std::get_if<State>(entry) : nullptr;
  }
};

FileHandles& Handles() {
  static FileHandles* table = new FileHandles();  // used until the process ends
  return *table;
}

// Resolves `path`; on failure stores the error as last error.
bool Resolve(const std::u16string& path, sim::ResolvedPath* out,
             unsigned flags = sim::kResolveDefault) {
  const DWORD error = sim::ResolvePath(path, out, flags);
  if (error != ERROR_SUCCESS) t_lastError = error;
  return error == ERROR_SUCCESS;
}

// The error of a path whose final entry is missing.
DWORD MissingError(const sim::ResolvedPath& r) {
  return r.parentExists ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND;
}

bool SameEntry(const fs::path& a, const fs::path& b) {
  std::error_code ec;
  return fs::equivalent(a, b, ec);
}

bool IsFolder(const fs::path& host) {
  std::error_code ec;
  return fs::is_directory(host, ec);
}

bool IsLink(const fs::path& host) {
  std::error_code ec;
  return fs::is_symlink(fs::symlink_status(host, ec));
}

// Whether an open handle on `host` refuses a new opening that asks for `access` (and, when
// `forDelete`, deletion) or whose own sharing does not allow what the existing handle does.
bool SharingConflict(const fs::path& host, DWORD access, DWORD share, bool forDelete) {
  auto& table = Handles();
  std::lock_guard<std::mutex> lock(table.mutex);
  return table.open.Any([&](const auto& entry) {
    const auto* file = std::get_if<FileState>(&entry);
    if (!file || !SameEntry(file->host, host)) return false;
    if (forDelete) return !(file->share & FILE_SHARE_DELETE);
    return ((access & GENERIC_READ) && !(file->share & FILE_SHARE_READ)) ||
           ((access & GENERIC_WRITE) && !(file->share & FILE_SHARE_WRITE)) ||
           ((file->access & GENERIC_READ) && !(share & FILE_SHARE_READ)) ||
           ((file->access & GENERIC_WRITE) && !(share & FILE_SHARE_WRITE));
  });
}

// Wildcard matching as FindFirstFileW applies it to long names: "*" any run, "?" one
// character (or none at the end of the name), "." also matches the end of a name when only
// wildcards follow it, so "*.*" matches every name. Letters compare without regard to case.
bool Matches(const char16_t* pattern, const char16_t* name) {
  while (*pattern) {
    const char16_t p = *pattern;
    if (p == u'*') {
      while (*pattern == u'*') ++pattern;
      if (!*pattern) return true;
      for (const char16_t* rest = name;; ++rest) {
        if (Matches(pattern, rest)) return true;
        if (!*rest) return false;
      }
    }
    if (p == u'?') {
      if (*name) ++name;
      ++pattern;
      continue;
    }
    if (p == u'.' && !*name) {
      for (const char16_t* q = pattern + 1; *q; ++q)
        if (*q != u'*' && *q != u'?') return false;
      return true;
    }
    if (!*name || text::ToUpper(p) != text::ToUpper(*name)) return false;
    ++pattern;
    ++name;
  }
  return !*name;
}

DWORD RootAttributes() {
  return FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_DIRECTORY;
}

FindData EntryData(const fs::path& host, const std::u16string& name) {
  FindData data;
  data.fileName = name;
  data.attributes =
      host == sim::Machine::Current().DriveRoot() ? RootAttributes() : sim::AttributesOf(host);
  std::error_code ec;
  if (!(data.attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    const auto size = fs::file_size(host, ec);
    data.fileSize = ec ? 0 : size;
  }
  return data;
}

// NTFS lists a folder in the order of its index: names compared upper-cased, ordinal, with
// "." and ".." first.
bool NtfsOrder(const FindData& a, const FindData& b) {
  auto rank = [](const std::u16string& n) { return n == u"." ? 0 : n == u".." ? 1 : 2; };
  if (rank(a.fileName) != rank(b.fileName)) return rank(a.fileName) < rank(b.fileName);
  const int c = text::CompareNoCase(a.fileName, b.fileName);
  return c != 0 ? c < 0 : a.fileName < b.fileName;
}

bool CopyContent(const fs::path& from, const fs::path& to) {
  // Written beside the target and renamed over it: a failed copy leaves the old target whole.
  const fs::path temp = to.parent_path() / (".zkt-copy-" + to.filename().string());
  std::error_code ec;
  fs::copy_file(from, temp, fs::copy_options::overwrite_existing, ec);
  if (!ec) fs::last_write_time(temp, fs::last_write_time(from, ec), ec);
  if (!ec) fs::rename(temp, to, ec);
  if (ec) fs::remove(temp, ec);
  return !ec;
}

}  // namespace

DWORD GetLastError() { return t_lastError; }
void SetLastError(DWORD error) { t_lastError = error; }

BOOL CreateDirectoryW(const std::u16string& path) {
  DWORD error = 0;
  if (sim::Fault("CreateDirectoryW", path, &error)) return Fail(error);
  sim::ResolvedPath r;
  if (!Resolve(path, &r)) return FALSE;
  // The setup runs elevated; an administrator's attempt on a drive root meets the root itself.
  if (r.isRoot) return Fail(ERROR_ALREADY_EXISTS);
  if (!r.verbatim && r.full.size() > sim::kMaxFolderChars) return Fail(ERROR_FILENAME_EXCED_RANGE);
  if (r.exists) return Fail(ERROR_ALREADY_EXISTS);
  if (!r.parentExists) return Fail(ERROR_PATH_NOT_FOUND);
  std::error_code ec;
  if (!fs::create_directory(r.host, ec) || ec) return Fail(ERROR_ACCESS_DENIED);
  sim::ForgetAttributes(r.host);  // nothing of an earlier entry of that name survives
  return TRUE;
}

BOOL RemoveDirectoryW(const std::u16string& path) {
  DWORD error = 0;
  if (sim::Fault("RemoveDirectoryW", path, &error)) return Fail(error);
  sim::ResolvedPath r;
  if (!Resolve(path, &r)) return FALSE;
  if (r.isRoot) return Fail(ERROR_ACCESS_DENIED);
  if (!r.exists) return Fail(MissingError(r));
  const DWORD attributes = sim::AttributesOf(r.host);
  if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) return Fail(ERROR_DIRECTORY);
  if (attributes & FILE_ATTRIBUTE_READONLY) return Fail(ERROR_ACCESS_DENIED);
  std::error_code ec;
  // A junction goes alone; the folder it points to is untouched.
  if (!IsLink(r.host) && !fs::is_empty(r.host, ec)) return Fail(ERROR_DIR_NOT_EMPTY);
  if (!fs::remove(r.host, ec) || ec) return Fail(ERROR_ACCESS_DENIED);
  sim::ForgetAttributes(r.host);
  return TRUE;
}

BOOL DeleteFileW(const std::u16string& path) {
  DWORD error = 0;
  if (sim::Fault("DeleteFileW", path, &error)) return Fail(error);
  sim::ResolvedPath r;
  if (!Resolve(path, &r)) return FALSE;
  if (!r.exists) return Fail(MissingError(r));
  const DWORD attributes = r.isRoot ? RootAttributes() : sim::AttributesOf(r.host);
  if (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY))
    return Fail(ERROR_ACCESS_DENIED);
  if (SharingConflict(r.host, 0, 0, true)) return Fail(ERROR_SHARING_VIOLATION);
  if (sim::IsRunningImage(r.host)) return Fail(ERROR_ACCESS_DENIED);
  std::error_code ec;
  if (!fs::remove(r.host, ec) || ec) return Fail(ERROR_ACCESS_DENIED);
  sim::ForgetAttributes(r.host);
  return TRUE;
}

BOOL CopyFileW(const std::u16string& source, const std::u16string& target, BOOL failIfExists) {
  DWORD error = 0;
  if (sim::Fault("CopyFileW", source + u" -> " + target, &error)) return Fail(error);
  sim::ResolvedPath from, to;
  if (!Resolve(source, &from)) return FALSE;
  if (!from.exists) return Fail(MissingError(from));
  if (from.isRoot || IsFolder(from.host)) return Fail(ERROR_ACCESS_DENIED);
  if (!Resolve(target, &to)) return FALSE;
  if (to.isRoot) return Fail(ERROR_ACCESS_DENIED);
  if (!to.parentExists) return Fail(ERROR_PATH_NOT_FOUND);
  // CopyFileW reads the source sharing everything and writes the target sharing reading and
  // writing: a reader that shares writing does not stop an overwrite, a writer or a holder of
  // the right to delete does.
  if (SharingConflict(from.host, GENERIC_READ,
                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, false))
    return Fail(ERROR_SHARING_VIOLATION);
  if (to.exists) {
    // Copying a file onto itself would truncate it before reading: Windows refuses the open.
    if (SameEntry(from.host, to.host)) return Fail(ERROR_SHARING_VIOLATION);
    if (failIfExists) return Fail(ERROR_FILE_EXISTS);
    const DWORD existing = sim::AttributesOf(to.host);
    if (existing & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY))
      return Fail(ERROR_ACCESS_DENIED);
    if (SharingConflict(to.host, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, false) ||
        sim::IsRunningImage(to.host))
      return Fail(ERROR_SHARING_VIOLATION);
  }
  // The copy takes the source's attributes; as every newly written file it is also archive.
  const DWORD attributes = sim::AttributesOf(from.host);
  if (!CopyContent(from.host, to.host)) return Fail(ERROR_ACCESS_DENIED);
  sim::StoreAttributes(to.host, (attributes & sim::kStoredAttributeMask) | FILE_ATTRIBUTE_ARCHIVE);
  t_lastError = ERROR_SUCCESS;  // unlike most calls, a successful copy clears the last error
  return TRUE;
}

BOOL MoveFileExW(const std::u16string& source, const std::u16string& target, DWORD flags) {
  DWORD error = 0;
  if (sim::Fault("MoveFileExW", source + u" -> " + target, &error)) return Fail(error);
  sim::ResolvedPath from, to;
  if (flags & MOVEFILE_DELAY_UNTIL_REBOOT) {
    // Recorded for the session manager, which performs it when Windows next starts.
    if (flags & MOVEFILE_COPY_ALLOWED) return Fail(ERROR_INVALID_PARAMETER);
    if (!Resolve(source, &from)) return FALSE;
    if (!target.empty() && !Resolve(target, &to)) return FALSE;
    const DWORD rc = sim::AddPendingFileOperation(from.full, target.empty() ? u"" : to.full,
                                                  (flags & MOVEFILE_REPLACE_EXISTING) != 0);
    return rc == ERROR_SUCCESS ? TRUE : Fail(rc);
  }
  if (target.empty()) return Fail(ERROR_INVALID_PARAMETER);
  if (!Resolve(source, &from)) return FALSE;
  if (!from.exists) return Fail(MissingError(from));
  if (from.isRoot) return Fail(ERROR_ACCESS_DENIED);
  if (!Resolve(target, &to)) return FALSE;
  if (to.isRoot) return Fail(ERROR_ACCESS_DENIED);
  if (!to.parentExists) return Fail(ERROR_PATH_NOT_FOUND);
  if (SharingConflict(from.host, 0, 0, true)) return Fail(ERROR_SHARING_VIOLATION);
  fs::path destination = to.host;
  std::error_code ec;
  if (to.exists && SameEntry(from.host, to.host)) {
    destination = to.host.parent_path() / text::ToUtf8(to.leaf);  // a change of case only
    if (destination == from.host) return TRUE;
  } else if (to.exists) {
    if (!(flags & MOVEFILE_REPLACE_EXISTING)) return Fail(ERROR_ALREADY_EXISTS);
    const DWORD existing = sim::AttributesOf(to.host);
    if ((existing & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)) || IsFolder(from.host))
      return Fail(ERROR_ACCESS_DENIED);
    // A rename cannot replace an open file: the target refuses with access denied.
    if (SharingConflict(to.host, 0, 0, true) || sim::IsRunningImage(to.host))
      return Fail(ERROR_ACCESS_DENIED);
  }
  fs::rename(from.host, destination, ec);
  if (ec)
    return Fail(ec == std::errc::invalid_argument ? ERROR_SHARING_VIOLATION : ERROR_ACCESS_DENIED);
  sim::ForgetAttributes(destination);
  sim::MoveAttributes(from.host, destination);
  return TRUE;
}

DWORD GetFileAttributesW(const std::u16string& path) {
  DWORD error = 0;
  if (sim::Fault("GetFileAttributesW", path, &error)) {
    t_lastError = error;
    return INVALID_FILE_ATTRIBUTES;
  }
  sim::ResolvedPath r;
  if (!Resolve(path, &r)) return INVALID_FILE_ATTRIBUTES;
  if (!r.exists) {
    t_lastError = MissingError(r);
    return INVALID_FILE_ATTRIBUTES;
  }
  return r.isRoot ? RootAttributes() : sim::AttributesOf(r.host);
}

BOOL SetFileAttributesW(const std::u16string& path, DWORD attributes) {
  DWORD error = 0;
  if (sim::Fault("SetFileAttributesW", path, &error)) return Fail(error);
  sim::ResolvedPath r;
  if (!Resolve(path, &r)) return FALSE;
  if (!r.exists) return Fail(MissingError(r));
  if (r.isRoot) return Fail(ERROR_ACCESS_DENIED);
  sim::StoreAttributes(r.host, attributes);  // FILE_ATTRIBUTE_NORMAL alone clears them all
  return TRUE;
}

HANDLE FindFirstFileW(const std::u16string& pattern, FindData* data) {
  DWORD error = 0;
  if (sim::Fault("FindFirstFileW", pattern, &error)) {
    t_lastError = error;
    return INVALID_HANDLE_VALUE;
  }
  sim::ResolvedPath r;
  if (!Resolve(pattern, &r, sim::kAllowWildcards)) return INVALID_HANDLE_VALUE;
  if (!r.parentExists) {
    t_lastError = ERROR_PATH_NOT_FOUND;
    return INVALID_HANDLE_VALUE;
  }
  FindState state;
  // A pattern ending in a separator or naming the root names no entry.
  if (!r.isRoot && !r.trailingSeparator) {
    const fs::path folder = r.host.parent_path();
    const bool folderIsRoot = folder == sim::Machine::Current().DriveRoot();
    if (r.leaf.find_first_of(u"*?") == std::u16string::npos) {
      if (r.exists)
        state.entries.push_back(EntryData(r.host, text::FromUtf8(r.host.filename().string())));
    } else {
      if (!folderIsRoot) {
        if (Matches(r.leaf.c_str(), u".")) state.entries.push_back(EntryData(folder, u"."));
        if (Matches(r.leaf.c_str(), u".."))
          state.entries.push_back(EntryData(folder.parent_path(), u".."));
      }
      std::error_code ec;
      for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::u16string name = text::FromUtf8(it->path().filename().string());
        if (name.rfind(u".zkt-copy-", 0) == 0) continue;  // a copy in progress
        if (Matches(r.leaf.c_str(), name.c_str()))
          state.entries.push_back(EntryData(it->path(), name));
      }
    }
  }
  if (state.entries.empty()) {
    t_lastError = ERROR_FILE_NOT_FOUND;
    return INVALID_HANDLE_VALUE;
  }
  std::sort(state.entries.begin(), state.entries.end(), NtfsOrder);
  *data = state.entries[0];
  state.next = 1;
  auto& table = Handles();
  std::lock_guard<std::mutex> lock(table.mutex);
  return table.open.Add(std::move(state));
}

BOOL FindNextFileW(HANDLE find, FindData* data) {
  auto& table = Handles();
  std::lock_guard<std::mutex> lock(table.mutex);
  FindState* state = table.Find<FindState>(find);
  if (!state) return Fail(ERROR_INVALID_HANDLE);
  if (state->next >= state->entries.size()) return Fail(ERROR_NO_MORE_FILES);
  *data = state->entries[state->next++];
  return TRUE;
}

BOOL FindClose(HANDLE find) {
  auto& table = Handles();
  std::lock_guard<std::mutex> lock(table.mutex);
  if (!table.Find<FindState>(find)) return Fail(ERROR_INVALID_HANDLE);
  table.open.Remove(find);
  return TRUE;
}

HANDLE CreateFileW(const std::u16string& path, DWORD access, DWORD share, DWORD disposition,
                   DWORD flagsAndAttributes) {
  auto failHandle = [](DWORD e) {
    t_lastError = e;
    return INVALID_HANDLE_VALUE;
  };
  DWORD error = 0;
  if (sim::Fault("CreateFileW", path, &error)) return failHandle(error);
  if (disposition < CREATE_NEW || disposition > TRUNCATE_EXISTING)
    return failHandle(ERROR_INVALID_PARAMETER);
  if (disposition == TRUNCATE_EXISTING && !(access & GENERIC_WRITE))
    return failHandle(ERROR_INVALID_PARAMETER);
  // "\\.\NAME": a device's symbolic link, which exists while its driver is loaded. The
  // machine lists the names that open in [ControlDevices]; anything else is not there.
  if (path.size() > 4 && path.compare(0, 4, u"\\\\.\\") == 0) {
    const std::string name = text::ToUtf8(path.substr(4));
    const auto& ini = sim::Machine::Current().Ini();
    if (!ini.Has("ControlDevices", name) || ini.GetInt("ControlDevices", name, 0) != 1)
      return failHandle(ERROR_FILE_NOT_FOUND);
    if (disposition != OPEN_EXISTING) return failHandle(ERROR_ACCESS_DENIED);
    const int fd = ::open("/dev/null", O_RDWR | O_CLOEXEC);  // reads end, writes vanish
    if (fd < 0) return failHandle(ERROR_ACCESS_DENIED);
    auto& table = Handles();
    std::lock_guard<std::mutex> lock(table.mutex);
    return table.open.Add(FileState{fd, std::filesystem::path(), path, access, share});
  }
  sim::ResolvedPath r;
  if (!Resolve(path, &r)) return INVALID_HANDLE_VALUE;
  if (!r.parentExists) return failHandle(ERROR_PATH_NOT_FOUND);
  const bool writes = (access & GENERIC_WRITE) != 0;
  // FILE_FLAG_OPEN_REPARSE_POINT opens a link itself, never what it points to; a handle on a
  // link can be asked about it but neither read nor written.
  if ((flagsAndAttributes & FILE_FLAG_OPEN_REPARSE_POINT) && r.exists && IsLink(r.host)) {
    if (disposition == CREATE_NEW) return failHandle(ERROR_FILE_EXISTS);
    const int fd = ::open(r.host.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return failHandle(ERROR_ACCESS_DENIED);
    auto& table = Handles();
    std::lock_guard<std::mutex> lock(table.mutex);
    return table.open.Add(FileState{fd, r.host, path, access, share});
  }
  int flags = (access & GENERIC_READ) && writes ? O_RDWR : writes ? O_WRONLY : O_RDONLY;
  bool created = false;
  if (r.exists) {
    const DWORD existing = r.isRoot ? RootAttributes() : sim::AttributesOf(r.host);
    // CREATE_NEW asks only whether the name is taken, whatever kind of entry holds it.
    if (disposition == CREATE_NEW) return failHandle(ERROR_FILE_EXISTS);
    if (existing & FILE_ATTRIBUTE_DIRECTORY) {
      // A folder opens only for its attributes and security, with backup semantics.
      if (!(flagsAndAttributes & FILE_FLAG_BACKUP_SEMANTICS) || writes ||
          disposition != OPEN_EXISTING)
        return failHandle(ERROR_ACCESS_DENIED);
      const int fd = ::open(r.host.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
      if (fd < 0) return failHandle(ERROR_ACCESS_DENIED);
      auto& table = Handles();
      std::lock_guard<std::mutex> lock(table.mutex);
      return table.open.Add(FileState{fd, r.host, path, access, share});
    }
    const bool replaces = disposition == CREATE_ALWAYS || disposition == TRUNCATE_EXISTING;
    if ((existing & FILE_ATTRIBUTE_READONLY) && (writes || replaces))
      return failHandle(ERROR_ACCESS_DENIED);
    // Replacing a hidden or system file must ask for those attributes again.
    const DWORD kept = existing & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
    if (disposition == CREATE_ALWAYS && (kept & ~flagsAndAttributes))
      return failHandle(ERROR_ACCESS_DENIED);
    if (SharingConflict(r.host, access, share, false)) return failHandle(ERROR_SHARING_VIOLATION);
    // A running program's image is held for reading, sharing reading and deletion.
    if ((writes || replaces || !(share & FILE_SHARE_READ)) && sim::IsRunningImage(r.host))
      return failHandle(ERROR_SHARING_VIOLATION);
    if (replaces) flags |= O_TRUNC;
  } else {
    if (disposition == OPEN_EXISTING || disposition == TRUNCATE_EXISTING)
      return failHandle(ERROR_FILE_NOT_FOUND);
    if (r.trailingSeparator || r.isRoot) return failHandle(ERROR_INVALID_NAME);
    flags |= O_CREAT | O_EXCL;
    created = true;
  }
  const int fd = ::open(r.host.c_str(), flags | O_CLOEXEC, 0644);
  if (fd < 0) return failHandle(errno == ENOENT ? ERROR_PATH_NOT_FOUND : ERROR_ACCESS_DENIED);
  if (created || disposition == CREATE_ALWAYS)
    sim::StoreAttributes(r.host,
                         (flagsAndAttributes & sim::kStoredAttributeMask) | FILE_ATTRIBUTE_ARCHIVE);
  // The two "always" dispositions report whether the file was there before, even on success.
  if (disposition == CREATE_ALWAYS || disposition == OPEN_ALWAYS)
    t_lastError = created ? ERROR_SUCCESS : ERROR_ALREADY_EXISTS;
  auto& table = Handles();
  std::lock_guard<std::mutex> lock(table.mutex);
  return table.open.Add(FileState{fd, r.host, path, access, share});
}

// A copy of an open file handle's state (the table may change while the caller reads or writes).
static bool OpenFileState(HANDLE file, FileState* state) {
  auto& table = Handles();
  std::lock_guard<std::mutex> lock(table.mutex);
  const FileState* open = table.Find<FileState>(file);
  if (open) *state = *open;
  return open != nullptr;
}

BOOL WriteFile(HANDLE file, const void* data, DWORD size, DWORD* written) {
  FileState state;
  if (!OpenFileState(file, &state)) return Fail(ERROR_INVALID_HANDLE);
  if (written) *written = 0;
  DWORD error = 0;
  if (sim::Fault("WriteFile", state.path, &error)) return Fail(error);
  if (!(state.access & GENERIC_WRITE)) return Fail(ERROR_ACCESS_DENIED);
  const auto* bytes = static_cast<const unsigned char*>(data);
  DWORD done = 0;
  while (done < size) {
    const ssize_t n = ::write(state.fd, bytes + done, size - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      if (written) *written = done;
      return Fail(n < 0 && errno == ENOSPC ? kErrorDiskFull : ERROR_ACCESS_DENIED);
    }
    done += static_cast<DWORD>(n);
  }
  if (written) *written = done;
  return TRUE;
}

BOOL ReadFile(HANDLE file, void* data, DWORD size, DWORD* read) {
  FileState state;
  if (!OpenFileState(file, &state)) return Fail(ERROR_INVALID_HANDLE);
  if (read) *read = 0;
  DWORD error = 0;
  if (sim::Fault("ReadFile", state.path, &error)) return Fail(error);
  if (!(state.access & GENERIC_READ)) return Fail(ERROR_ACCESS_DENIED);
  auto* bytes = static_cast<unsigned char*>(data);
  DWORD done = 0;
  while (done < size) {
    const ssize_t n = ::read(state.fd, bytes + done, size - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return Fail(ERROR_ACCESS_DENIED);
    if (n == 0) break;  // end of file: success with fewer bytes
    done += static_cast<DWORD>(n);
  }
  if (read) *read = done;
  return TRUE;
}

DWORD GetFileSize(HANDLE file, DWORD* high) {
  auto& table = Handles();
  std::lock_guard<std::mutex> lock(table.mutex);
  const FileState* open = table.Find<FileState>(file);
  struct stat st {};
  if (!open || ::fstat(open->fd, &st) != 0) {
    t_lastError = ERROR_INVALID_HANDLE;
    return INVALID_FILE_SIZE;
  }
  const auto size = static_cast<std::uint64_t>(st.st_size);
  if (high) *high = static_cast<DWORD>(size >> 32);
  // A low part equal to INVALID_FILE_SIZE is told from a failure by a zero last error.
  if (static_cast<DWORD>(size) == INVALID_FILE_SIZE) t_lastError = ERROR_SUCCESS;
  return static_cast<DWORD>(size);
}

BOOL GetFileInformationByHandle(HANDLE file, FileInformation* info) {
  FileState state;
  if (!OpenFileState(file, &state) || state.host.empty()) return Fail(ERROR_INVALID_HANDLE);
  DWORD error = 0;
  if (sim::Fault("GetFileInformationByHandle", state.path, &error)) return Fail(error);
  struct stat st {};
  if (::fstat(state.fd, &st) != 0) return Fail(ERROR_INVALID_HANDLE);
  DWORD attributes = sim::AttributesOf(state.host);
  if (S_ISLNK(st.st_mode)) attributes |= FILE_ATTRIBUTE_REPARSE_POINT;
  info->attributes = attributes;
  info->numberOfLinks = static_cast<DWORD>(st.st_nlink);
  info->size = S_ISREG(st.st_mode) ? static_cast<std::uint64_t>(st.st_size) : 0;
  return TRUE;
}

BOOL SetFilePointerEx(HANDLE file, std::int64_t distance, std::uint64_t* newPosition,
                      DWORD method) {
  FileState state;
  if (!OpenFileState(file, &state)) return Fail(ERROR_INVALID_HANDLE);
  const int whence = method == FILE_BEGIN     ? SEEK_SET
                     : method == FILE_CURRENT ? SEEK_CUR
                     : method == FILE_END     ? SEEK_END
                                              : -1;
  if (whence < 0) return Fail(ERROR_INVALID_PARAMETER);
  const off_t position = ::lseek(state.fd, static_cast<off_t>(distance), whence);
  if (position < 0) return Fail(ERROR_NEGATIVE_SEEK);
  if (newPosition) *newPosition = static_cast<std::uint64_t>(position);
  return TRUE;
}

BOOL CloseHandle(HANDLE handle) {
  auto& table = Handles();
  std::lock_guard<std::mutex> lock(table.mutex);
  const FileState* file = table.Find<FileState>(handle);
  if (!file) {
    if (sim::CloseProcessHandle(handle)) return TRUE;  // a started program's handles
    return Fail(ERROR_INVALID_HANDLE);
  }
  ::close(file->fd);
  table.open.Remove(handle);
  return TRUE;
}

BOOL Wow64DisableWow64FsRedirection(void** cookie) {
  if (!ProcAvailable(u"kernel32", "Wow64DisableWow64FsRedirection")) return FALSE;
  DWORD error = 0;
  if (sim::Fault("Wow64DisableWow64FsRedirection", u"", &error)) return Fail(error);
  // Only a process under WOW64 has a redirection to switch: 32-bit Windows and 64-bit
  // programs get ERROR_INVALID_FUNCTION (as ntdll's STATUS_NOT_IMPLEMENTED).
  if (!sim::Machine::Current().UnderWow64()) return Fail(ERROR_INVALID_FUNCTION);
  *cookie = reinterpret_cast<void*>(static_cast<std::uintptr_t>(sim::ThreadRedirectionDisabled()));
  sim::SetThreadRedirectionDisabled(true);
  return TRUE;
}

BOOL Wow64RevertWow64FsRedirection(void* cookie) {
  if (!ProcAvailable(u"kernel32", "Wow64RevertWow64FsRedirection")) return FALSE;
  DWORD error = 0;
  if (sim::Fault("Wow64RevertWow64FsRedirection", u"", &error)) return Fail(error);
  if (!sim::Machine::Current().UnderWow64()) return Fail(ERROR_INVALID_FUNCTION);
  sim::SetThreadRedirectionDisabled(cookie != nullptr);  // the cookie is the earlier state
  return TRUE;
}

// The owner of an entry: the machine folder's owners.txt names the entries not owned by the
// administrators (whom the elevated programs and Windows' own folders count as), one line each:
// the owner's SID, a tab, the drive-relative host path ("S-1-5-21-1-2-3-1001<TAB>ProgramData/x").
DWORD GetFileOwnerSid(HANDLE file, std::u16string* sid) {
  FileState state;
  if (!OpenFileState(file, &state) || state.host.empty()) return ERROR_INVALID_HANDLE;
  if (!(state.access & READ_CONTROL)) return ERROR_ACCESS_DENIED;
  DWORD error = 0;
  if (sim::Fault("GetSecurityInfo", state.path, &error)) return error;
  const sim::Machine& machine = sim::Machine::Current();
  const std::string relative = state.host.lexically_relative(machine.DriveRoot()).generic_string();
  std::u16string owner = u"S-1-5-32-544";
  std::ifstream owners(machine.Folder() / "owners.txt", std::ios::binary);
  for (std::string line; std::getline(owners, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const std::size_t tab = line.find('\t');
    if (tab != std::string::npos &&
        text::EqualsNoCase(text::FromUtf8(line.substr(tab + 1)), text::FromUtf8(relative)))
      owner = text::FromUtf8(line.substr(0, tab));
  }
  *sid = owner;
  return ERROR_SUCCESS;
}

}  // namespace os
