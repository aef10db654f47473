// Files and folders of the uninstall: deleted now, or at the next restart of Windows when in use.
#include <algorithm>

#include "payload/common/RestartRemoval.h"
#include "payload/uninstall/RemovalSteps.h"
#include "platform/os_files.h"
#include "platform/os_system.h"

using os::DWORD, os::HANDLE;

namespace removal {

namespace {

bool QueueForRestart(const std::u16string& path, RemovalReport& report) {
  if (!os::MoveFileExW(path, u"", MOVEFILE_DELAY_UNTIL_REBOOT)) return false;
  report.queued.push_back(path);
  return true;
}

// A folder is queued under its own path: if an install fills it again before the restart,
// Windows cannot remove it then and leaves it alone.
void FolderAtRestart(const std::u16string& folder, DWORD error, RemovalReport& report) {
  if (QueueForRestart(folder, report)) report.atRestart.push_back(folder + u"\\");
  else Fail(report, folder, error);
}

// An in-use file is moved aside to a new name in its folder and that name queued, so that an
// install before the restart can put a new file at the path without losing it then. A file
// that cannot be queued goes back to its path: under the new name nobody would find it again.
bool FileAtRestart(const std::u16string& path, RemovalReport& report,
                   std::u16string* aside = nullptr) {
  const unsigned long long stamp =
      (static_cast<unsigned long long>(os::GetCurrentProcessId()) << 32) ^ os::GetTickCount64();
  for (unsigned attempt = 0; attempt < 16; ++attempt) {
    const std::u16string pending = payload::PendingRemovalName(path, stamp + attempt);
    if (!os::MoveFileExW(path, pending, 0)) {
      const DWORD error = os::GetLastError();
      if (error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS) continue;
      Fail(report, path, error);
      return false;
    }
    if (!QueueForRestart(pending, report)) {
      Fail(report, path, os::GetLastError());
      os::MoveFileExW(pending, path, 0);
      return false;
    }
    report.atRestart.push_back(path);
    if (aside) *aside = pending;
    return true;
  }
  Fail(report, path, ERROR_ALREADY_EXISTS);
  return false;
}

// Every entry still in the folder and its sub-folders, as full paths.
void ListRemaining(const std::u16string& folder, std::vector<std::u16string>& entries) {
  os::FindData entry;
  const HANDLE find = os::FindFirstFileW(folder + u"\\*", &entry);
  if (find == INVALID_HANDLE_VALUE) return;
  do {
    if (entry.fileName == u"." || entry.fileName == u"..") continue;
    entries.push_back(folder + u"\\" + entry.fileName);
    if ((entry.attributes & FILE_ATTRIBUTE_DIRECTORY) &&
        !(entry.attributes & FILE_ATTRIBUTE_REPARSE_POINT))
      ListRemaining(folder + u"\\" + entry.fileName, entries);
  } while (os::FindNextFileW(find, &entry));
  os::FindClose(find);
}

}  // namespace

void RemoveFile(const std::u16string& path, RemovalReport& report) {
  if (os::DeleteFileW(path)) return;
  DWORD error = os::GetLastError();
  if (Absent(error)) return;
  if (error == ERROR_ACCESS_DENIED) {
    // A read-only copy: clear the attribute and try once more.
    os::SetFileAttributesW(path, FILE_ATTRIBUTE_NORMAL);
    if (os::DeleteFileW(path)) return;
    error = os::GetLastError();
    if (Absent(error)) return;
  }
  FileAtRestart(path, report);  // in use: Windows removes it when it restarts
}

void RemoveTree(const std::u16string& folder, RemovalReport& report) {
  const DWORD attributes = os::GetFileAttributesW(folder);
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    const DWORD error = os::GetLastError();
    if (!Absent(error)) Fail(report, folder, error);
    return;
  }
  if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) {
    // The folder itself is a link (a junction someone made): unlink it, never follow it.
    const bool unlinked = (attributes & FILE_ATTRIBUTE_DIRECTORY) ? os::RemoveDirectoryW(folder)
                                                                  : os::DeleteFileW(folder);
    if (!unlinked) Fail(report, folder, os::GetLastError());
    return;
  }
  if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) return RemoveFile(folder, report);
  os::FindData entry;
  const HANDLE find = os::FindFirstFileW(folder + u"\\*", &entry);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      if (entry.fileName == u"." || entry.fileName == u"..") continue;
      const std::u16string path = folder + u"\\" + entry.fileName;
      const bool directory = entry.attributes & FILE_ATTRIBUTE_DIRECTORY;
      // A linked folder is unlinked, never followed.
      if (directory && !(entry.attributes & FILE_ATTRIBUTE_REPARSE_POINT)) RemoveTree(path, report);
      else if (directory && !os::RemoveDirectoryW(path)) Fail(report, path, os::GetLastError());
      else if (!directory) RemoveFile(path, report);
    } while (os::FindNextFileW(find, &entry));
    os::FindClose(find);
  } else if (const DWORD error = os::GetLastError(); !Absent(error)) {
    return Fail(report, folder, error);  // what it holds cannot be listed: it all stays
  }
  os::SetFileAttributesW(folder, FILE_ATTRIBUTE_NORMAL);
  if (os::RemoveDirectoryW(folder)) return;
  const DWORD error = os::GetLastError();
  if (!Absent(error)) FolderAtRestart(folder, error, report);
}

// A folder that still holds something of the user's stays, without a complaint; one that holds
// only what goes at the restart goes then too.
void RemoveFolderIfEmpty(const std::u16string& folder, RemovalReport& report) {
  if (os::RemoveDirectoryW(folder)) return;
  const DWORD error = os::GetLastError();
  if (Absent(error)) return;
  if (error != ERROR_DIR_NOT_EMPTY) return Fail(report, folder, error);
  std::vector<std::u16string> remaining;
  ListRemaining(folder, remaining);
  if (payload::EmptyAfterRestart(remaining, report.queued)) FolderAtRestart(folder, error, report);
}

// A running program cannot delete its own file: it goes at the next restart, and the install
// folder after it when nothing else stays in it (what is in it then goes at the restart too).
void DeleteSelfAfterExit(const std::u16string& self, const std::u16string& folder,
                         RemovalReport& report) {
  std::u16string aside;
  if (!FileAtRestart(self, report, &aside)) return;
  report.self = self;
  report.selfAside = aside;
  std::vector<std::u16string> remaining;
  ListRemaining(folder, remaining);
  if (!payload::EmptyAfterRestart(remaining, report.queued)) return;
  if (QueueForRestart(folder, report)) {
    report.selfFolder = folder;
    report.atRestart.push_back(folder + u"\\");
  } else {
    Fail(report, folder, os::GetLastError());
    KeepSelf(report);
  }
}

}  // namespace removal

bool KeepSelf(RemovalReport& report) {
  if (report.selfAside.empty()) return false;
  if (!os::MoveFileExW(report.selfAside, report.self, 0)) {
    removal::Fail(report, report.self, os::GetLastError());
    return false;
  }
  const auto drop = [&report](const std::u16string& item) {
    auto& list = report.atRestart;
    list.erase(std::remove(list.begin(), list.end(), item), list.end());
  };
  drop(report.self);
  if (!report.selfFolder.empty()) drop(report.selfFolder + u"\\");
  report.selfAside.clear();
  report.selfFolder.clear();
  return true;
}
