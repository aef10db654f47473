#include "platform/trace.h"

#include <cstdarg>

#include "platform/SetupLog.h"
#include "platform/os_system.h"
#include "platform/text.h"

namespace trace {

// Every line also goes to the log file when one is open.
void Write(const std::u16string& text) {
  os::OutputDebugStringW(text);
  setup_log::Append(text);
}

void Printf(const char16_t* format, ...) {
  std::va_list args;
  va_start(args, format);
  std::u16string line = text::FormatV(kBufferSize, format, args);
  va_end(args);
  Write(line);
}

void Enter(const char16_t* qualifiedName) { Printf(u"==> %s\n", qualifiedName); }

}  // namespace trace
