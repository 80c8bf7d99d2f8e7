#pragma once
// Message boxes of work that runs on a thread of its own while a window of the installer tools
// is shown: each box is shown on the window's thread, over the window, and the work waits for
// it to be closed.

#include <QWidget>
#include <functional>

#include "app/qt_interaction_widget.h"
#include "core/interaction.h"

namespace installer {

class WindowInteraction : public core::Interaction {
 public:
  explicit WindowInteraction(QWidget* window = nullptr) : boxes_(window) {}
  // The window the boxes are shown over.
  void setWindow(QWidget* window) { boxes_.setParentWidget(window); }

  core::Answer message(const std::string& text, const std::string& caption, core::Icon icon,
                       core::Buttons buttons) override;
  std::optional<core::Color> pickColor(core::Color) override { return std::nullopt; }
  std::optional<core::SaveFileChoice> saveFile(const core::SaveFileRequest&) override {
    return std::nullopt;
  }

 private:
  app::QtInteraction boxes_;
};

}  // namespace installer

namespace installer {

// Runs `work` on a thread of its own and then `done` with its result on `owner`'s thread.
void runAside(QObject* owner, std::function<int()> work, std::function<void(int)> done);

}  // namespace installer
