#pragma once
// The Command Control dialog: a free-form terminal to one of the instruments found. It shows
// the console's state (instrument::Console) and forwards the user's choices and commands to
// it; the console does the writing, reading and history keeping.

#include "app/draggable_dialog.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace controls {
class ImageButton;
}
namespace app {
class QtInteraction;
}

namespace instrument {

class Console;

class CommandControlDialog : public app::DraggableDialog {
  Q_OBJECT
 public:
  // Opens the console (device list, "*IDN?" in the send field, empty answer and history).
  // With `ui` the dialog shows when it waits for an answer.
  explicit CommandControlDialog(Console& console, app::QtInteraction* ui = nullptr,
                                QWidget* parent = nullptr);
  ~CommandControlDialog() override;

  // The controls, for tests and the screenshot program.
  QComboBox* deviceList() const { return devices_; }
  QLineEdit* sendField() const { return send_; }
  QComboBox* historyList() const { return history_; }
  QPlainTextEdit* receivedField() const { return received_; }
  // Under the answer: why a read brought nothing, or that one is waiting.
  QLabel* statusLine() const { return status_; }
  controls::ImageButton* queryButton() const { return query_; }
  controls::ImageButton* writeButton() const { return write_; }
  controls::ImageButton* readButton() const { return read_; }
  controls::ImageButton* exitButton() const { return exit_; }

 public slots:
  // Exit or Escape: a read that waits is given up first.
  void reject() override;

 private:
  enum class Focus { Keep, SendField };
  void run(void (Console::*command)(), Focus focus);
  void refresh();

  Console& console_;
  app::QtInteraction* ui_ = nullptr;
  QLabel* status_ = nullptr;
  QComboBox* devices_ = nullptr;
  QLabel* sendLabel_ = nullptr;
  QLineEdit* send_ = nullptr;
  QComboBox* history_ = nullptr;
  QLabel* receivedLabel_ = nullptr;
  QPlainTextEdit* received_ = nullptr;
  controls::ImageButton* query_ = nullptr;
  controls::ImageButton* write_ = nullptr;
  controls::ImageButton* read_ = nullptr;
  controls::ImageButton* exit_ = nullptr;
  QPushButton* textButtons_[4] = {};
};

}  // namespace instrument
