#pragma once
// Load's window "Start V38XX Toolbar": one status line, "Open " and the command line. It is
// shown while the work runs and closes 1.5 s after it is done.

#include <QLabel>
#include <QWidget>
#include <functional>

namespace installer {

class LoadWindow : public QWidget {
 public:
  explicit LoadWindow(const QString& commandLine);

  // May be called from any thread.
  void setStatus(const QString& text);
  // Runs `work` aside; 1.5 s after it returns, the event loop ends with its result.
  void start(std::function<int()> work);

 protected:
  // The window stays while the work runs; it closes by itself afterwards.
  void closeEvent(QCloseEvent* event) override;

 private:
  QLabel* status_;
  bool working_ = false;
};

}  // namespace installer
