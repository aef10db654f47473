// Simulated machine: message boxes, answered by a scripted person.
#include "platform/sim/sim_ui.h"

#include <deque>
#include <mutex>

#include "platform/os_files.h"
#include "platform/os_ui.h"
#include "platform/sim/sim_machine.h"

namespace sim {

namespace {

struct UiState {
  std::mutex mutex;
  std::vector<MessageBoxRecord> shown;
  std::deque<int> answers;
  std::function<void(const MessageBoxRecord&)> listener;
};

UiState& State() {
  static UiState state;
  return state;
}

// The buttons of a box type, left to right, as MessageBoxW lays them out.
std::vector<int> Buttons(os::UINT flags) {
  switch (flags & MB_TYPEMASK) {
    case MB_OKCANCEL: return {IDOK, IDCANCEL};
    case MB_ABORTRETRYIGNORE: return {IDABORT, IDRETRY, IDIGNORE};
    case MB_YESNOCANCEL: return {IDYES, IDNO, IDCANCEL};
    case MB_YESNO: return {IDYES, IDNO};
    case MB_RETRYCANCEL: return {IDRETRY, IDCANCEL};
    case MB_CANCELTRYCONTINUE: return {IDCANCEL, IDTRYAGAIN, IDCONTINUE};
    default: return {IDOK};
  }
}

}  // namespace

std::vector<MessageBoxRecord> MessageBoxes() {
  std::lock_guard<std::mutex> lock(State().mutex);
  return State().shown;
}

void ClearMessageBoxes() {
  std::lock_guard<std::mutex> lock(State().mutex);
  State().shown.clear();
  State().answers.clear();
  State().listener = nullptr;
}

void QueueMessageBoxAnswer(int answer) {
  std::lock_guard<std::mutex> lock(State().mutex);
  State().answers.push_back(answer);
}

int MessageBoxClosedByQuit(const std::u16string& text, const std::u16string& caption,
                           os::UINT flags) {
  MessageBoxRecord record{text, caption, flags, 0, true};
  std::function<void(const MessageBoxRecord&)> listener;
  {
    std::lock_guard<std::mutex> lock(State().mutex);
    State().shown.push_back(record);
    listener = State().listener;
  }
  if (listener) listener(record);
  return 0;
}

void SetMessageBoxListener(std::function<void(const MessageBoxRecord&)> listener) {
  std::lock_guard<std::mutex> lock(State().mutex);
  State().listener = std::move(listener);
}

int ShowMessageBox(const std::u16string& text, const std::u16string& caption, os::UINT flags) {
  sim::MessageBoxRecord record{text, caption, flags, 0};
  os::DWORD error = 0;
  if (sim::Fault("MessageBoxW", text, &error)) {
    os::SetLastError(error);
    return 0;
  }
  std::function<void(const sim::MessageBoxRecord&)> listener;
  {
    auto& state = sim::State();
    std::lock_guard<std::mutex> lock(state.mutex);
    const std::vector<int> buttons = sim::Buttons(flags);
    // Windows falls back to the first button when the default names none of them.
    std::size_t defaultIndex = (flags & MB_DEFMASK) >> 8;
    if (defaultIndex >= buttons.size()) defaultIndex = 0;
    record.answer = buttons[defaultIndex];
    if (!state.answers.empty()) {
      for (int button : buttons) {
        if (button == state.answers.front()) {
          record.answer = button;
          state.answers.pop_front();
          break;
        }
      }
    }
    state.shown.push_back(record);
    listener = state.listener;
  }
  if (listener) listener(record);
  return record.answer;
}

}  // namespace sim

namespace os {

int MessageBoxW(const std::u16string& text, const std::u16string& caption, UINT flags) {
  return sim::ShowMessageBox(text, caption, flags);
}

}  // namespace os
