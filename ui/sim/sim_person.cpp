// The simulated person: actions at idle turns, transcript of screens, boxes and endings.
#include "ui/sim/sim_person.h"

#include <sstream>

#include "platform/sim/sim_machine.h"
#include "platform/sim/sim_session.h"
#include "platform/sim/sim_ui.h"
#include "platform/text.h"
#include "ui/sim/sim_ui_hooks.h"

namespace ui::sim {

namespace {

const char16_t kWizard[] = u"MainForm";

// The control each plain action uses.
const std::map<std::string, std::u16string>& ControlOfAction() {
  static const std::map<std::string, std::u16string> map = {
      {"next", u"NextBitBtn"},
      {"cancel", u"CancelBitBtn"},
      {"finish", u"FinishBitBtn"},
      {"reboot-yes", u"RebootRadioButton"},
      {"reboot-no", u"NoRebootRadioButton"},
  };
  return map;
}

std::string U8(const std::u16string& s) { return text::ToUtf8(s); }

std::string KindWord(Kind kind) {
  switch (kind) {
    case Kind::BitBtn: return "button";
    case Kind::Label: return "text";
    case Kind::ComboBox: return "list";
    case Kind::ProgressBar: return "progress";
    case Kind::RadioButton: return "choice";
    case Kind::Image: return "picture";
    default: return "";
  }
}

}  // namespace

bool ParseActions(const std::string& text, std::vector<Action>* actions, std::string* error) {
  std::stringstream in(text);
  std::string word;
  while (std::getline(in, word, ',')) {
    const bool optional = word.size() > 1 && word.back() == '?';
    if (optional) word.pop_back();
    if (word.rfind("language=", 0) == 0 && word.size() > 9) {
      actions->push_back({"language", word.substr(9), optional});
    } else if (word == "close" || ControlOfAction().count(word)) {
      actions->push_back({word, "", optional});
    } else {
      *error = "unknown action '" + word + "'";
      return false;
    }
  }
  if (actions->empty()) {
    *error = "no actions given";
    return false;
  }
  return true;
}

std::vector<Action> DefaultActions() { return {{"next-until-install", ""}, {"finish", ""}}; }

Person::Person(std::vector<Action> actions) : actions_(std::move(actions)) {}

Person::~Person() { Detach(); }

void Person::Attach() {
  Hooks hooks;
  hooks.idle = [this](Application& app) { return Turn(app); };
  hooks.controlChanged = [this](Control& control, Change what) {
    if (control.GetKind() == Kind::ProgressBar && what == Change::Position &&
        control.Owner().Visible()) {
      std::lock_guard<std::mutex> lock(mutex_);
      progress_.push_back(control.Position());
      transcript_.push_back("progress " + std::to_string(control.Position()));
    }
  };
  hooks.loopEnded = [this](Application& app) {
    Snapshot(app);
    const std::string screen = Describe();
    if (screen != lastScreen_ && wizardVisible_) Say(screen);
    loopEnded_ = true;
  };
  SetHooks(hooks);
  ::sim::SetMessageBoxListener([this](const ::sim::MessageBoxRecord& box) {
    Say("message box [" + U8(box.caption) + "] " + U8(box.text) +
        (box.closedByQuit ? " (closed at once by the pending quit request)" : ""));
  });
  ::sim::SetSessionListener([this](const std::string& line) { Say(line); });
}

void Person::Detach() {
  ClearHooks();
  ::sim::SetMessageBoxListener(nullptr);
  ::sim::SetSessionListener(nullptr);
}

void Person::Say(const std::string& line) {
  std::lock_guard<std::mutex> lock(mutex_);
  transcript_.push_back(line);
}

const ControlView& Person::View(const std::u16string& name) const {
  static const ControlView none;
  auto it = views_.find(name);
  return it == views_.end() ? none : it->second;
}

void Person::Snapshot(Application& app) {
  Form* wizard = app.FindForm(kWizard);
  if (!wizard) return;
  wizardVisible_ = wizard->Visible();
  caption_ = wizard->Caption();
  order_.clear();
  for (const auto& control : wizard->Controls()) {
    ControlView view;
    view.caption = control->Caption();
    view.showing = control->Showing();
    view.enabled = control->Enabled();
    view.checked = control->Checked();
    view.position = control->Position();
    const Rect bounds = control->PixelBounds();  // what the screen shows
    view.left = bounds.left;
    view.top = bounds.top;
    view.width = bounds.width;
    view.height = bounds.height;
    view.font = control->PixelFont();
    view.items = control->Items();
    view.itemIndex = control->ItemIndex();
    if (control->GetKind() == Kind::Notebook && control->PageIndex() >= 0)
      page_ = control->Pages()[control->PageIndex()];
    if (!KindWord(control->GetKind()).empty() && view.showing) order_.push_back(control->Name());
    views_[control->Name()] = std::move(view);
  }
}

std::string Person::Describe() const {
  std::string out = "[" + U8(page_) + "] " + U8(caption_);
  for (const auto& name : order_) {
    const ControlView& v = views_.at(name);
    std::string kind;
    if (name.find(u"BitBtn") != std::u16string::npos) kind = "button";
    else if (name.find(u"RadioButton") != std::u16string::npos) kind = "choice";
    else if (name == u"ComboBox") kind = "list";
    else if (name == u"ProgressBar") kind = "progress";
    else kind = "text";
    out += "\n  " + kind + ": ";
    if (kind == "list") {
      for (std::size_t i = 0; i < v.items.size(); ++i)
        out += (i ? " | " : "") + U8(v.items[i]) +
               (static_cast<int>(i) == v.itemIndex ? " (selected)" : "");
    } else if (kind == "progress") {
      out += std::to_string(v.position) + "%";
    } else {
      out += U8(v.caption);
    }
    if (kind == "choice") out += v.checked ? " (checked)" : " (unchecked)";
    if (!v.enabled) out += " (disabled)";
  }
  return out;
}

bool Person::Turn(Application& app) {
  Snapshot(app);
  const std::string screen = Describe();
  if (screen != lastScreen_ && wizardVisible_) {
    Say(screen);
    lastScreen_ = screen;
  }
  if (next_ >= actions_.size()) {
    Say("no more actions; the setup is still open");
    leftOpen_ = true;
    return false;
  }
  const Action action = actions_[next_];
  // The default person presses Next again while a tip keeps the first page up.
  if (action.word == "next-until-install") {
    if (page_ != u"Language") {
      ++next_;
      return Turn(app);
    }
    return Perform(app, {"next", ""});
  }
  ++next_;
  return Perform(app, action);
}

bool Person::Perform(Application& app, const Action& action) {
  const std::string shown = action.word + (action.argument.empty() ? "" : "=" + action.argument);
  Form* wizard = app.FindForm(kWizard);
  auto fail = [&](const std::string& why) {
    if (action.optional) {
      Say("action '" + shown + "?' skipped: " + why);
      return true;
    }
    failed_ = shown + ": " + why;
    Say("action '" + shown + "' could not be performed: " + why);
    return false;
  };
  if (!wizard || !wizard->Visible()) return fail("the wizard is not shown");
  Say("> " + shown);
  if (action.word == "close") {
    if (!wizard->CloseBoxEnabled()) return fail("the close box is disabled");
    app.Guard([&] { wizard->Close(); });
    return true;
  }
  if (action.word == "language") {
    Control& list = wizard->Find(u"ComboBox");
    Control& folders = wizard->Find(u"OriginalComboBox");
    if (!list.Usable()) return fail("the language list is not usable");
    const std::u16string folder = text::FromUtf8(action.argument);
    const auto& items = folders.Items();
    for (std::size_t i = 0; i < items.size(); ++i) {
      if (items[i] == folder) {
        app.Guard([&] { list.UserSelect(static_cast<int>(i)); });
        return true;
      }
    }
    return fail("no language folder " + action.argument + " in the list");
  }
  Control& control = wizard->Find(ControlOfAction().at(action.word));
  if (!control.Usable())
    return fail(U8(control.Name()) + (control.Showing() ? " is disabled" : " is not shown"));
  app.Guard([&] { control.Click(); });
  return true;
}

}  // namespace ui::sim
