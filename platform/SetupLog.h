// The setup's log file: every trace line with a time stamp, appended as UTF-8, so that a
// person (or support) can read what a run did without a debugger.
#pragma once

#include <cstdint>
#include <string>

namespace setup_log {

// Past this size the log is moved aside once (OldPath) and started afresh.
constexpr std::uint64_t kMaxLogSize = 1024 * 1024;
constexpr char16_t kLogFileName[] = u"ZKTAudioSetup.log";

// %TEMP%\ZKTAudioSetup.log; empty when Windows reports no temporary folder.
std::u16string DefaultPath();
// Where a full log is moved: "X.log" -> "X.old.log" ("X" -> "X.old").
std::u16string OldPath(const std::u16string& path);

// Opens `path` for appending. The folder may be a standard user's (TEMP): a link in place of
// the file or the folder, or a file with a second name, is refused. False leaves the log off.
bool Open(const std::u16string& path);
bool IsOpen();
// Writes `text` (trace text: lines end in "\n", some come in pieces) with a time stamp at the
// start of each line. A failed write closes the log for the rest
// of the run; the caller never learns of it (a log must not fail the install).
void Append(const std::u16string& text);
void Close();

}  // namespace setup_log
