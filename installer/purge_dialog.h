#pragma once
// addinpurge's dialog "Orvalent Tallyway additionals remove": what is being removed, while it
// is removed. The work starts once the dialog has been drawn, and the dialog closes when it is
// done.

#include <QDialog>
#include <QLabel>
#include <functional>

namespace installer {

class PurgeDialog : public QDialog {
 public:
  explicit PurgeDialog(std::function<int()> work);

  // May be called from any thread.
  void setProgress(const QString& text);

 protected:
  void showEvent(QShowEvent* event) override;
  // The dialog stays while the work runs (Escape, the close box); it closes by itself after.
  void reject() override;
  void closeEvent(QCloseEvent* event) override;

 private:
  std::function<int()> work_;
  bool started_ = false;
  bool working_ = false;
  QLabel* progress_;
};

}  // namespace installer
