#pragma once
// core::Interaction with real Qt dialogs: message boxes with the caption, icon and buttons the
// logic gives, the colour picker and the Save As picker. A test (or the screenshot program)
// can switch it to answering by itself: every box is then recorded and answered from a script
// instead of being shown, so nothing ever waits for a person.

#include <QPointer>
#include <QString>
#include <QWidget>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/interaction.h"

class QMessageBox;

namespace app {

// The message box the window shows for core::Interaction::message: caption, plain text, icon
// and buttons as given, centred on `parent`.
std::unique_ptr<QMessageBox> makeMessageBox(const std::string& text, const std::string& caption,
                                            core::Icon icon, core::Buttons buttons,
                                            QWidget* parent);

// The Qt file-dialog filter of a filter in the "description|patterns|...||" form, e.g.
// "CSV Files(*.CSV)|*.CSV||" -> "CSV Files(*.CSV)". Patterns are matched regardless of case,
// so each upper- or lower-case pattern is offered in both spellings.
QString qtFileFilter(const std::string& filter);

class QtInteraction : public core::Interaction {
 public:
  struct Shown {
    std::string text;
    std::string caption;
    core::Icon icon;
    core::Buttons buttons;
  };

  explicit QtInteraction(QWidget* parent = nullptr);
  ~QtInteraction() override;

  // The window the dialogs are centred on (the main window once it exists).
  void setParentWidget(QWidget* parent) { parent_ = parent; }

  core::Answer message(const std::string& text, const std::string& caption, core::Icon icon,
                       core::Buttons buttons) override;
  std::optional<core::Color> pickColor(core::Color initial) override;
  std::optional<core::SaveFileChoice> saveFile(const core::SaveFileRequest& request) override;
  void processEvents() override;
  void setWaitCursor(bool on) override;
  // Serves the event loop until `pending` is ready: the windows repaint and, with
  // WaitInput::Served, take clicks and keys. A wait not over after kBusyDelayMs shows the busy
  // state: the busy pointer and the busy handler (see pushBusyHandler) told so.
  void waitFor(core::Pending& pending, core::WaitInput input) override;

  // How long a wait for the instrument lasts before the window shows that it is busy.
  static constexpr int kBusyDelayMs = 40;
  // Who shows the busy state: the last handler pushed (the main window, or a dialog open over
  // it) is called with true when a wait becomes busy and with false when it is over.
  void pushBusyHandler(std::function<void(bool)> handler);
  void popBusyHandler();
  bool busy() const { return busyDepth_ > 0; }
  // While the window is being destroyed no event may reach it: waits then simply block.
  void setBlockingWaits(bool on) { blockingWaits_ = on; }

  // ---- Answering by itself (tests, screenshots)
  // While on, no dialog is shown: messages are recorded and answered from `answers` (Yes/No
  // boxes; `defaultAnswer` once it is empty; Ok boxes get Ok), colours from `colors` and file
  // choices from `saveChoices` (cancelled once they are empty).
  void setAutoAnswer(bool on) { autoAnswer_ = on; }
  bool autoAnswer() const { return autoAnswer_; }
  std::deque<core::Answer> answers;
  core::Answer defaultAnswer = core::Answer::Yes;
  std::deque<std::optional<core::Color>> colors;
  std::deque<std::optional<core::SaveFileChoice>> saveChoices;
  // Called for each recorded message (e.g. to grab a picture of the window at that moment).
  std::function<void(const Shown&)> onMessage;

  const std::vector<Shown>& shown() const { return shown_; }
  void clearShown() { shown_.clear(); }
  int waitCursorDepth() const { return waitCursorDepth_; }

 private:
  QPointer<QWidget> parent_;
  bool autoAnswer_ = false;
  std::vector<Shown> shown_;
  int waitCursorDepth_ = 0;
  int busyDepth_ = 0;
  bool blockingWaits_ = false;
  std::vector<std::function<void(bool)>> busyHandlers_;
};

}  // namespace app
