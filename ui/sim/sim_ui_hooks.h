// The simulated person at the headless screen: what a test or zkt-setup-sim plugs into the sim
// backend of the windowing framework.
#pragma once

#include <functional>

#include "ui/Application.h"

namespace ui::sim {

struct Hooks {
  // The person's turn, called whenever the program is idle (no message waiting, no worker
  // running). Return false when the person has nothing more to do: the run then ends.
  std::function<bool(Application&)> idle;
  // Every change of a control's or form's state, as it happens (any thread).
  std::function<void(Control&, Change)> controlChanged;
  std::function<void(Form&, Change)> formChanged;
  // The message loop has ended; the forms still exist.
  std::function<void(Application&)> loopEnded;
};

void SetHooks(Hooks hooks);
void ClearHooks();

}  // namespace ui::sim
