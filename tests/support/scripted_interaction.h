#pragma once
// An Interaction for tests: records every message box and answers from a script.

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/interaction.h"

namespace testsupport {

struct ShownMessage {
  std::string text;
  std::string caption;
  core::Icon icon;
  core::Buttons buttons;
};

class ScriptedInteraction : public core::Interaction {
 public:
  // Answers for Yes/No boxes, used in order; when exhausted, Yes/No boxes get `defaultAnswer`.
  std::deque<core::Answer> answers;
  core::Answer defaultAnswer = core::Answer::Yes;
  std::deque<std::optional<core::Color>> colors;                // answers of pickColor
  std::deque<std::optional<core::SaveFileChoice>> saveChoices;  // answers of saveFile
  std::vector<ShownMessage> shown;
  std::vector<core::Color> colorRequests;
  std::vector<core::SaveFileRequest> saveRequests;
  int processEventsCalls = 0;
  std::function<void()> onProcessEvents;  // e.g. to stop a run "from the menu" during a tick

  core::Answer message(const std::string& text, const std::string& caption, core::Icon icon,
                       core::Buttons buttons) override {
    shown.push_back({text, caption, icon, buttons});
    if (buttons == core::Buttons::Ok) return core::Answer::Ok;
    if (answers.empty()) return defaultAnswer;
    const core::Answer a = answers.front();
    answers.pop_front();
    return a;
  }

  std::optional<core::Color> pickColor(core::Color initial) override {
    colorRequests.push_back(initial);
    if (colors.empty()) return std::nullopt;
    auto c = colors.front();
    colors.pop_front();
    return c;
  }

  std::optional<core::SaveFileChoice> saveFile(const core::SaveFileRequest& request) override {
    saveRequests.push_back(request);
    if (saveChoices.empty()) return std::nullopt;
    auto c = saveChoices.front();
    saveChoices.pop_front();
    return c;
  }

  void processEvents() override {
    ++processEventsCalls;
    if (onProcessEvents) onProcessEvents();
  }

  // A wait for the instrument I/O (threaded I/O only): `onWait` runs first, as the user's
  // clicks would during the wait, then the wait blocks until the I/O is over or given up.
  std::function<void(core::WaitInput)> onWait;
  std::vector<core::WaitInput> waits;
  void waitFor(core::Pending& pending, core::WaitInput input) override {
    waits.push_back(input);
    if (onWait) onWait(input);
    pending.wait();
  }

  // Texts of all messages shown so far.
  std::vector<std::string> texts() const {
    std::vector<std::string> out;
    for (const auto& m : shown) out.push_back(m.text);
    return out;
  }
};

}  // namespace testsupport
