// The setup's trace lines on the debugger channel, formatted into 256-character buffers.
#pragma once

#include <string>

namespace trace {

constexpr std::size_t kBufferSize = 256;

// Sends `text` unchanged (one OutputDebugStringW call).
void Write(const std::u16string& text);
// Formats into a 256-character buffer, then sends it.
void Printf(const char16_t* format, ...);
// "==> %s\n" with the qualified method name.
void Enter(const char16_t* qualifiedName);

}  // namespace trace
