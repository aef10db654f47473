#include "platform/trace.h"

#include <cstdarg>

#include "platform/os_system.h"
#include "platform/text.h"

namespace trace {

void Write(const std::u16string& text) { os::OutputDebugStringW(text); }

void Printf(const char16_t* format, ...) {
  std::va_list args;
  va_start(args, format);
  std::u16string line = text::FormatV(kBufferSize, format, args);
  va_end(args);
  os::OutputDebugStringW(line);
}

void Enter(const char16_t* qualifiedName) { Printf(u"==> %s\n", qualifiedName); }

}  // namespace trace
