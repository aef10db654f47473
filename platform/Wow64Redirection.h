// Per-thread switch of WOW64 file-system redirection (System32 -> SysWOW64 for 32-bit programs).
// Callers switch it off and back on in pairs, on the same thread, only on 64-bit Windows.
#pragma once

// Returns the result of Wow64DisableWow64FsRedirection, or false when Windows lacks it
// (32-bit Windows); the cookie is then left as the caller set it (0).
bool DisableWow64Redirection(void** cookie);
bool RevertWow64Redirection(void* cookie);

// Switches redirection off for the calling thread while it lives (only when `on64BitWindows`),
// so that every return path restores it.
class Wow64RedirectionOff {
 public:
  explicit Wow64RedirectionOff(bool on64BitWindows)
      : active_(on64BitWindows && DisableWow64Redirection(&cookie_)),
        failed_(on64BitWindows && !active_) {}
  ~Wow64RedirectionOff() { Restore(); }
  Wow64RedirectionOff(const Wow64RedirectionOff&) = delete;
  Wow64RedirectionOff& operator=(const Wow64RedirectionOff&) = delete;
  // False when Windows would not switch redirection back on: the thread then writes to the
  // 64-bit system folder wherever it names System32, and must stop writing there.
  bool Restore() {
    const bool restored = !active_ || RevertWow64Redirection(cookie_);
    active_ = false;
    return restored;
  }
  // Redirection was wanted off but Windows refused: a file meant for the 64-bit system folder
  // would land in the 32-bit one.
  bool Failed() const { return failed_; }

 private:
  bool active_;
  bool failed_;
  void* cookie_ = nullptr;
};
