#include "platform/FolderHelpers.h"
#include "platform/OwnedHandles.h"

#include "platform/os_files.h"
#include "platform/trace.h"

void CreateFolderPath(std::u16string path) {
  for (std::size_t i = path.find(u'\\'); i != std::u16string::npos; i = path.find(u'\\', i + 1))
    os::CreateDirectoryW(path.substr(0, i + 1));
}

int CopyFileOverwrite(std::u16string source, std::u16string target) {
  return os::CopyFileW(source, target, FALSE);
}

namespace {

bool EndsWithBackslash(const std::u16string& s) { return !s.empty() && s.back() == u'\\'; }

// The last name of a path: the text after the last backslash, or after the one before it when
// the path ends in a backslash (the name then keeps that backslash). False without a backslash.
bool LastName(const std::u16string& path, std::u16string* name) {
  std::size_t pos = path.rfind(u'\\');
  if (pos == std::u16string::npos) return false;
  if (pos + 1 == path.size()) {
    if (pos == 0) return false;
    pos = path.rfind(u'\\', pos - 1);
    if (pos == std::u16string::npos) return false;
  }
  *name = path.substr(pos + 1);
  return true;
}

std::u16string Join(const std::u16string& folder, const std::u16string& name) {
  return EndsWithBackslash(folder) ? folder + name : folder + u"\\" + name;
}

void TraceCreateDirectory(const std::u16string& folder, bool created) {
  trace::Write(u"##### Create Directory = ");
  trace::Write(folder);
  trace::Write(u"\n");
  if (!created) trace::Write(u"***** Create Directory FAIL! *****\n");
}

// A path that does not fit the copy's buffers is skipped whole, never cut and acted upon.
bool FitsOrSkip(const std::u16string& path) {
  if (path.size() <= kCopyFolderMaxPath) return true;
  trace::Write(u"***** Path too long, skipped = ");
  trace::Write(path);
  trace::Write(u" *****\n");
  return false;
}

}  // namespace

bool CopyFolder(std::u16string source, std::u16string destination) {
  if (!FitsOrSkip(source) || !FitsOrSkip(destination)) return false;
  std::u16string sourceName, destinationName;
  if (!LastName(source, &sourceName) || !LastName(destination, &destinationName)) return false;

  // Different last names: the tree goes into a new folder named like the source.
  std::u16string target =
      sourceName != destinationName ? Join(destination, sourceName) : destination;
  if (EndsWithBackslash(target)) target.pop_back();
  if (!FitsOrSkip(target)) return true;

  // The target's parent may not exist yet (a fresh install folder receiving "Skin\" into
  // "Skin" gets "Skin\Skin"); create it, or nothing of the tree would arrive.
  const std::size_t parentEnd = target.rfind(u'\\');
  if (parentEnd != std::u16string::npos) CreateFolderPath(target.substr(0, parentEnd + 1));
  TraceCreateDirectory(target, os::CreateDirectoryW(target) != FALSE);

  os::FindData entry;
  const os::OwnedFind find(os::FindFirstFileW(Join(source, u"*"), &entry));
  if (!find) return true;
  do {
    if (entry.fileName == u"." || entry.fileName == u"..") continue;
    const std::u16string subSource = Join(source, entry.fileName);
    const std::u16string subTarget = target + u"\\" + entry.fileName;
    if (!FitsOrSkip(subSource) || !FitsOrSkip(subTarget)) continue;
    if (entry.attributes & FILE_ATTRIBUTE_DIRECTORY) {
      // A junction or folder link may point back up the tree: never descend into one.
      if (entry.attributes & FILE_ATTRIBUTE_REPARSE_POINT) {
        trace::Write(u"##### Skip reparse point = ");
        trace::Write(subSource);
        trace::Write(u"\n");
        continue;
      }
      const bool created = os::CreateDirectoryW(subTarget) != FALSE;
      os::SetFileAttributesW(subTarget, FILE_ATTRIBUTE_NORMAL);
      TraceCreateDirectory(subTarget, created);
      CopyFolder(subSource, subTarget);
    } else {
      os::CopyFileW(subSource, subTarget, FALSE);
      os::SetFileAttributesW(subTarget, FILE_ATTRIBUTE_NORMAL);
    }
  } while (os::FindNextFileW(find.get(), &entry));
  return true;
}
