#include "platform/SetupLog.h"

#include <mutex>
#include <utility>

#include "platform/OwnedHandles.h"
#include "platform/os_files.h"
#include "platform/os_system.h"
#include "platform/text.h"

namespace setup_log {

namespace {

std::mutex g_mutex;  // the UI thread and the install worker both trace
// Never destroyed: a trace after the end of main must not reach a closed machine.
os::OwnedFile& g_file = *new os::OwnedFile;
bool g_atLineStart = true;

bool IsLinkOrFolder(os::DWORD attributes) {
  return attributes != INVALID_FILE_ATTRIBUTES &&
         (attributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)) != 0;
}

// Opens the file itself (never a link's target) and checks the open file, not the name, so
// that swapping the name after a check gains nothing.
os::OwnedFile OpenChecked(const std::u16string& path, std::uint64_t* size) {
  if (IsLinkOrFolder(os::GetFileAttributesW(path))) return {};
  os::OwnedFile file(os::CreateFileW(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE,
                                     OPEN_ALWAYS,
                                     FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT));
  if (!file) return {};
  os::FileInformation info;
  // A second name (hard link) could be a file the user may not write: leave it alone.
  if (!os::GetFileInformationByHandle(file.get(), &info) || IsLinkOrFolder(info.attributes) ||
      info.numberOfLinks > 1)
    return {};
  *size = info.size;
  return file;
}

std::string Stamp() {
  os::SystemTime t;
  os::GetLocalTime(&t);
  auto u = [](os::WORD value) { return static_cast<unsigned>(value); };
  return text::ToUtf8(text::Format(32, u"%04u-%02u-%02u %02u:%02u:%02u.%03u ", u(t.year),
                                   u(t.month), u(t.day), u(t.hour), u(t.minute), u(t.second),
                                   u(t.milliseconds)));
}

}  // namespace

std::u16string DefaultPath() {
  std::u16string temp;
  if (os::GetTempPathW(&temp) == 0 || temp.empty()) return u"";
  return temp + kLogFileName;
}

std::u16string OldPath(const std::u16string& path) {
  const std::size_t slash = path.find_last_of(u"\\/");
  const std::size_t dot = path.rfind(u'.');
  if (dot == std::u16string::npos || (slash != std::u16string::npos && dot < slash))
    return path + u".old";
  return path.substr(0, dot) + u".old" + path.substr(dot);
}

bool Open(const std::u16string& path) {
  std::lock_guard<std::mutex> lock(g_mutex);
  g_file.reset();
  g_atLineStart = true;
  if (path.empty()) return false;
  // A junction in place of the folder would lead the file somewhere else.
  const std::size_t slash = path.find_last_of(u'\\');
  if (slash != std::u16string::npos) {
    const os::DWORD folder = os::GetFileAttributesW(path.substr(0, slash));
    if (folder != INVALID_FILE_ATTRIBUTES && (folder & FILE_ATTRIBUTE_REPARSE_POINT)) return false;
  }
  std::uint64_t size = 0;
  os::OwnedFile file = OpenChecked(path, &size);
  if (file && size > kMaxLogSize) {
    // Rotated once: the previous log survives as the old one. When the move fails the log
    // just grows; losing the run's lines would be worse.
    file.reset();
    os::MoveFileExW(path, OldPath(path), MOVEFILE_REPLACE_EXISTING);
    file = OpenChecked(path, &size);
  }
  if (!file || !os::SetFilePointerEx(file.get(), 0, nullptr, FILE_END)) return false;
  g_file = std::move(file);
  return true;
}

bool IsOpen() {
  std::lock_guard<std::mutex> lock(g_mutex);
  return static_cast<bool>(g_file);
}

// Under g_mutex.
static bool WriteOut(const std::string& bytes) {
  os::DWORD written = 0;
  if (os::WriteFile(g_file.get(), bytes.data(), static_cast<os::DWORD>(bytes.size()), &written) &&
      written == bytes.size())
    return true;
  g_file.reset();  // stop trying: the install goes on without its log
  return false;
}

void Append(const std::u16string& text) {
  std::lock_guard<std::mutex> lock(g_mutex);
  if (!g_file || text.empty()) return;
  // The trace sends some lines in pieces: a time stamp starts each line, not each piece.
  const std::string stamp = Stamp();
  std::string out;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find(u'\n', start);
    const bool ended = end != std::u16string::npos;
    if (!ended) end = text.size();
    std::u16string piece = text.substr(start, end - start);
    if (!piece.empty() && piece.back() == u'\r') piece.pop_back();
    // An empty line (the trace's separator) stays empty, without a stamp.
    if (!piece.empty()) out += (g_atLineStart ? stamp : std::string()) + text::ToUtf8(piece);
    if (ended) out += "\r\n";
    g_atLineStart = ended || (g_atLineStart && piece.empty());
    start = end + 1;
  }
  WriteOut(out);
}

void Close() {
  std::lock_guard<std::mutex> lock(g_mutex);
  if (g_file && !g_atLineStart) WriteOut("\r\n");
  g_atLineStart = true;
  g_file.reset();
}

}  // namespace setup_log
