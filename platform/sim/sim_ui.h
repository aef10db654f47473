// Simulated machine: the message boxes a program shows and the person who answers them.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/os_types.h"

namespace sim {

// MessageBoxW without an owner window, as the simulated Windows shows it: the button the
// person chose (IDOK, IDYES ...), or 0 with the last error set when an injected fault fires.
int ShowMessageBox(const std::u16string& text, const std::u16string& caption, os::UINT flags);

struct MessageBoxRecord {
  std::u16string text;
  std::u16string caption;
  os::UINT flags = 0;
  int answer = 0;  // the button pressed (IDOK ...); 0 when none was
  // Closed at once by a quit request waiting for the thread, as Windows' box loop does: the
  // person never saw it.
  bool closedByQuit = false;
};

// Boxes shown since the last ClearMessageBoxes, in order (a box that failed was not shown).
std::vector<MessageBoxRecord> MessageBoxes();
// Forgets the shown boxes, the queued answers and the listener.
void ClearMessageBoxes();
// The simulated person's next choice. A box takes the first queued answer when that is one of
// its buttons; otherwise the person presses the box's default button (Enter).
void QueueMessageBoxAnswer(int answer);
// A box that a pending quit request closes before anyone can read it: recorded, answer 0.
int MessageBoxClosedByQuit(const std::u16string& text, const std::u16string& caption,
                           os::UINT flags);
// Called for every box once it is answered (a run's transcript).
void SetMessageBoxListener(std::function<void(const MessageBoxRecord&)> listener);

}  // namespace sim
