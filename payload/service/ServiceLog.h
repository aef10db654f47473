// The service's log: one timestamped line per event, UTF-8, in
// <all users' application data>\ZKT 72xx Software\AudioDeviceService.log, and the same line on
// the debugger output. Above 1 MB the log is moved to AudioDeviceService.old.log. A folder
// that is a link or not made by SYSTEM or the administrators is not used: then only the
// debugger output gets the lines.
#pragma once

namespace service_log {

void Open();
void Write(const wchar_t* format, ...);

}  // namespace service_log
