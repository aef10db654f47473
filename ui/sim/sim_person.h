// The simulated person in front of the wizard: performs a list of actions whenever the program
// is idle and writes a readable transcript of what the screen showed.
#pragma once

#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "ui/Application.h"

namespace ui::sim {

// next, cancel, finish, close (the close box), reboot-yes, reboot-no, language=FOLDER; a
// trailing "?" makes an action optional (done only when its control can be used).
struct Action {
  std::string word;       // as given
  std::string argument;   // the folder of language=
  bool optional = false;  // written "word?": skipped when its control is not usable
};

// Parses a comma-separated action list; false with a one-line reason for an unknown word.
bool ParseActions(const std::string& text, std::vector<Action>* actions, std::string* error);
// The default person: Next until the installation starts, then Finish.
std::vector<Action> DefaultActions();

// What one control showed at the last snapshot; bounds and font height in pixels.
struct ControlView {
  std::u16string caption;
  bool showing = false;
  bool enabled = false;
  bool checked = false;
  int position = 0;
  int left = 0, top = 0, width = 0, height = 0;
  Font font;
  std::vector<std::u16string> items;
  int itemIndex = -1;
};

class Person {
 public:
  explicit Person(std::vector<Action> actions);
  ~Person();  // detaches
  Person(const Person&) = delete;
  Person& operator=(const Person&) = delete;

  // Plugs the person into the sim backend, the message boxes and the machine's session.
  void Attach();
  void Detach();

  const std::vector<std::string>& Transcript() const { return transcript_; }
  // The action that could not be performed, with the reason; empty when all went well.
  const std::string& FailedAction() const { return failed_; }
  bool ActionsLeft() const { return next_ < actions_.size(); }
  bool LoopEnded() const { return loopEnded_; }
  // The person ran out of actions while the wizard was still open.
  bool LeftOpen() const { return leftOpen_; }

  // The wizard as last seen (at every idle turn and when the loop ended).
  const std::u16string& Page() const { return page_; }
  const std::u16string& WizardCaption() const { return caption_; }
  bool WizardVisible() const { return wizardVisible_; }
  const ControlView& View(const std::u16string& name) const;
  const std::map<std::u16string, ControlView>& Views() const { return views_; }
  // Every progress position set, in order.
  const std::vector<int>& Progress() const { return progress_; }

 private:
  bool Turn(Application& app);
  bool Perform(Application& app, const Action& action);
  void Snapshot(Application& app);
  std::string Describe() const;
  void Say(const std::string& line);

  std::vector<Action> actions_;
  std::size_t next_ = 0;
  std::vector<std::string> transcript_;
  std::string failed_;
  std::string lastScreen_;
  bool loopEnded_ = false;
  bool leftOpen_ = false;
  std::u16string page_;
  std::u16string caption_;
  bool wizardVisible_ = false;
  std::map<std::u16string, ControlView> views_;
  std::vector<int> progress_;
  std::vector<std::u16string> order_;
  std::mutex mutex_;  // transcript lines also come from the worker thread
};

}  // namespace ui::sim
