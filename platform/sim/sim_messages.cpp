// Simulated machine: registered messages and broadcasts (os_messages.h).
#include "platform/sim/sim_messages.h"

#include <fstream>
#include <map>
#include <mutex>

#include "platform/os_files.h"
#include "platform/os_messages.h"
#include "platform/os_system.h"
#include "platform/sim/sim_machine.h"
#include "platform/text.h"

namespace sim {
namespace {

struct Messages {
  std::mutex mutex;
  std::map<std::u16string, os::UINT> registered;  // upper-cased name -> message
  std::map<os::UINT, std::u16string> names;       // message -> name as first registered
  std::vector<std::string> log;
  std::filesystem::path folder;
};

Messages& State() {
  static Messages* messages = new Messages();
  // A new machine starts with no registered names and an empty log.
  if (messages->folder != Machine::Current().Folder()) {
    messages->registered.clear();
    messages->names.clear();
    messages->log.clear();
    messages->folder = Machine::Current().Folder();
  }
  return *messages;
}

}  // namespace

std::vector<std::string> BroadcastLog() {
  Messages& m = State();
  std::lock_guard<std::mutex> lock(m.mutex);
  return m.log;
}

}  // namespace sim

namespace os {

UINT RegisterWindowMessageW(const std::u16string& name) {
  DWORD error = 0;
  if (name.empty() || sim::Fault("RegisterWindowMessageW", name, &error)) {
    SetLastError(name.empty() ? ERROR_INVALID_PARAMETER : error);
    return 0;
  }
  sim::Messages& m = sim::State();
  std::lock_guard<std::mutex> lock(m.mutex);
  // Names compare without regard to case, as atoms do.
  const std::u16string key = text::ToUpper(name);
  auto it = m.registered.find(key);
  if (it == m.registered.end()) {
    it = m.registered.emplace(key, static_cast<UINT>(0xC000u + 0x10u + m.registered.size())).first;
    m.names[it->second] = name;
  }
  return it->second;
}

std::intptr_t BroadcastMessageTimeoutW(UINT msg, std::uintptr_t wParam, std::intptr_t lParam, UINT,
                                       UINT timeoutMs) {
  DWORD error = 0;
  if (sim::Fault("SendMessageTimeoutW", u"", &error)) {
    SetLastError(error);
    return 0;
  }
  sim::Messages& m = sim::State();
  std::string name = "#" + std::to_string(msg);
  {
    std::lock_guard<std::mutex> lock(m.mutex);
    const auto known = m.names.find(msg);
    if (known != m.names.end()) name = text::ToUtf8(known->second);
    const std::string line = "broadcast " + name + " (" +
                             text::ToUtf8(text::Format(16, u"0x%04X", msg)) + ") " +
                             std::to_string(wParam) + " " + std::to_string(lParam);
    m.log.push_back(line);
    std::ofstream(m.folder / "messages.log", std::ios::app) << line << "\n";
  }
  // The simulated desktop has no other top-level windows that hang: each answers at once.
  (void)timeoutMs;
  return 1;
}

// The simulated machine shows no window of another program: companion applications are
// programs that run for a time ([Program:NAME] RunTime), without windows to find.
BOOL FindWindowW(const std::u16string& className) {
  DWORD error = 0;
  if (sim::Fault("FindWindowW", className, &error)) SetLastError(error);
  return FALSE;
}

}  // namespace os
