#include "app/qt_interaction_widget.h"

#include <QApplication>
#include <QColorDialog>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QProgressDialog>
#include <QStringList>
#include <QTimer>
#include <algorithm>

namespace app {

namespace {

QMessageBox::Icon qtIcon(core::Icon icon) {
  switch (icon) {
    case core::Icon::Information:
      return QMessageBox::Information;
    case core::Icon::Question:
      return QMessageBox::Question;
    case core::Icon::Exclamation:
      return QMessageBox::Warning;
    case core::Icon::Error:
      return QMessageBox::Critical;
    case core::Icon::None:
      break;
  }
  return QMessageBox::NoIcon;
}

QString withBothCases(const QString& patterns) {
  QStringList out;
  for (const QString& p : patterns.split(';', Qt::SkipEmptyParts)) {
    const QString t = p.trimmed();
    if (t.isEmpty()) continue;
    for (const QString& v : {t, t.toLower(), t.toUpper()})
      if (!out.contains(v)) out << v;
  }
  return out.join(' ');
}

// The progress dialog of one long operation. The operation reports often; the dialog is
// brought up to date, and the window's events handled, at most 25 times a second.
class ProgressDialog final : public core::Progress {
 public:
  ProgressDialog(QWidget* parent, const core::ProgressRequest& request)
      : dialog_(QString::fromStdString(request.text), QString::fromStdString(request.cancelText), 0,
                kSteps, parent) {
    dialog_.setWindowTitle(QStringLiteral("V38XX_AP"));
    // Nothing else may be used meanwhile: the operation runs inside the command that started
    // it, and the window's events are handled from within it.
    dialog_.setWindowModality(Qt::ApplicationModal);
    dialog_.setMinimumDuration(500);
    dialog_.setAutoClose(false);
    dialog_.setAutoReset(false);
    dialog_.setValue(0);
    clock_.start();
  }
  ~ProgressDialog() override {
    if (arrow_) QApplication::restoreOverrideCursor();
  }

  bool update(long long done, long long total) override {
    if (clock_.elapsed() - shownAt_ < 40) return !dialog_.wasCanceled();
    shownAt_ = clock_.elapsed();
    if (total > 0) {
      dialog_.setMaximum(kSteps);
      dialog_.setValue(static_cast<int>(std::clamp(done, 0LL, total) * kSteps / total));
    } else {
      dialog_.setMaximum(0);  // a moving bar: how far is not known
      dialog_.setValue(0);
    }
    // The Cancel button needs the ordinary pointer while the rest waits.
    if (!arrow_ && dialog_.isVisible()) {
      QApplication::setOverrideCursor(Qt::ArrowCursor);
      arrow_ = true;
    }
    QCoreApplication::processEvents();
    return !dialog_.wasCanceled();
  }

 private:
  static constexpr int kSteps = 1000;
  QProgressDialog dialog_;
  QElapsedTimer clock_;
  qint64 shownAt_ = -1000;
  bool arrow_ = false;
};

// The progress of an operation while the interaction answers by itself.
class RecordedProgress final : public core::Progress {
 public:
  explicit RecordedProgress(long long cancelAfter) : cancelAfter_(cancelAfter) {}
  bool update(long long, long long) override {
    return cancelAfter_ < 0 || ++reports_ <= cancelAfter_;
  }

 private:
  long long cancelAfter_;
  long long reports_ = 0;
};

}  // namespace

QString qtFileFilter(const std::string& filter) {
  const QStringList parts = QString::fromStdString(filter).split('|');
  QStringList filters;
  for (int i = 0; i + 1 < parts.size(); i += 2) {
    const QString description = parts[i].trimmed();
    const QString patterns = parts[i + 1].trimmed();
    if (description.isEmpty() && patterns.isEmpty()) break;  // the closing "||"
    QString shown = description;
    // Qt reads the patterns from the last parentheses of the description.
    const qsizetype open = shown.lastIndexOf('(');
    if (open >= 0 && shown.endsWith(')')) shown.truncate(open);
    shown = shown.trimmed();
    filters << QStringLiteral("%1 (%2)").arg(shown, withBothCases(patterns));
  }
  if (filters.isEmpty()) filters << QStringLiteral("All Files (*)");
  return filters.join(QStringLiteral(";;"));
}

std::unique_ptr<QMessageBox> makeMessageBox(const std::string& text, const std::string& caption,
                                            core::Icon icon, core::Buttons buttons,
                                            QWidget* parent) {
  auto box =
      std::make_unique<QMessageBox>(qtIcon(icon), QString::fromStdString(caption),
                                    QString::fromStdString(text), QMessageBox::NoButton, parent);
  box->setTextFormat(Qt::PlainText);
  if (buttons == core::Buttons::YesNo) {
    box->setStandardButtons(QMessageBox::Yes | QMessageBox::No);
    box->setDefaultButton(QMessageBox::Yes);
  } else {
    box->setStandardButtons(QMessageBox::Ok);
  }
  return box;
}

QtInteraction::QtInteraction(QWidget* parent) : parent_(parent) {}

QtInteraction::~QtInteraction() {
  while (waitCursorDepth_ > 0) setWaitCursor(false);
}

core::Answer QtInteraction::message(const std::string& text, const std::string& caption,
                                    core::Icon icon, core::Buttons buttons) {
  if (autoAnswer_) {
    shown_.push_back({text, caption, icon, buttons});
    if (onMessage) onMessage(shown_.back());
    if (buttons == core::Buttons::Ok) return core::Answer::Ok;
    if (answers.empty()) return defaultAnswer;
    const core::Answer a = answers.front();
    answers.pop_front();
    return a;
  }
  const std::unique_ptr<QMessageBox> box = makeMessageBox(text, caption, icon, buttons, parent_);
  // A message during a long operation must show the normal pointer.
  const bool busy = waitCursorDepth_ > 0;
  if (busy) QApplication::setOverrideCursor(Qt::ArrowCursor);
  const int result = box->exec();
  if (busy) QApplication::restoreOverrideCursor();
  switch (result) {
    case QMessageBox::Ok:
      return core::Answer::Ok;
    case QMessageBox::Yes:
      return core::Answer::Yes;
    case QMessageBox::No:
      return core::Answer::No;
    default:
      return core::Answer::Closed;
  }
}

std::optional<core::Color> QtInteraction::pickColor(core::Color initial) {
  if (autoAnswer_) {
    if (colors.empty()) return std::nullopt;
    auto c = colors.front();
    colors.pop_front();
    return c;
  }
  const QColor picked = QColorDialog::getColor(QColor(initial.r, initial.g, initial.b), parent_);
  if (!picked.isValid()) return std::nullopt;
  return core::Color{static_cast<std::uint8_t>(picked.red()),
                     static_cast<std::uint8_t>(picked.green()),
                     static_cast<std::uint8_t>(picked.blue())};
}

std::optional<core::SaveFileChoice> QtInteraction::saveFile(const core::SaveFileRequest& request) {
  if (autoAnswer_) {
    if (saveChoices.empty()) return std::nullopt;
    auto c = saveChoices.front();
    saveChoices.pop_front();
    return c;
  }
  const QString path = QFileDialog::getSaveFileName(
      parent_, QString(), QString::fromStdString(request.initialDirectory),
      qtFileFilter(request.filter));
  if (path.isEmpty()) return std::nullopt;
  const QFileInfo info(path);
  return core::SaveFileChoice{info.absolutePath().toStdString(), info.fileName().toStdString()};
}

std::unique_ptr<core::Progress> QtInteraction::beginProgress(const core::ProgressRequest& request) {
  if (autoAnswer_) {
    progressRequests.push_back(request);
    return std::make_unique<RecordedProgress>(cancelProgressAfter);
  }
  // Over the dialog that started the operation.
  QWidget* over = QApplication::activeModalWidget();
  return std::make_unique<ProgressDialog>(over ? over : parent_.data(), request);
}

void QtInteraction::processEvents() { QCoreApplication::processEvents(QEventLoop::AllEvents); }

void QtInteraction::pushBusyHandler(std::function<void(bool)> handler) {
  busyHandlers_.push_back(std::move(handler));
}

void QtInteraction::popBusyHandler() {
  if (!busyHandlers_.empty()) busyHandlers_.pop_back();
}

void QtInteraction::waitFor(core::Pending& pending, core::WaitInput input) {
  // Nearly every call is over long before the next frame: no event loop for those.
  if (pending.waitFor(std::chrono::milliseconds(2))) return;
  if (blockingWaits_) {
    pending.wait();
    return;
  }
  QEventLoop loop;
  // Woken from the I/O thread: a queued call, safe from any thread, that a destroyed loop
  // never receives.
  pending.setWake([&loop] { QMetaObject::invokeMethod(&loop, "quit", Qt::QueuedConnection); });
  bool shownBusy = false;
  QTimer busyTimer;
  busyTimer.setSingleShot(true);
  QObject::connect(&busyTimer, &QTimer::timeout, &loop, [this, &shownBusy] {
    shownBusy = true;
    if (busyDepth_++ == 0) {
      QApplication::setOverrideCursor(Qt::BusyCursor);
      if (!busyHandlers_.empty() && busyHandlers_.back()) busyHandlers_.back()(true);
    }
  });
  busyTimer.start(kBusyDelayMs);
  const QEventLoop::ProcessEventsFlags flags =
      input == core::WaitInput::Served ? QEventLoop::AllEvents : QEventLoop::ExcludeUserInputEvents;
  while (!pending.ready()) {
    loop.exec(flags);
    // Only the wake ends this loop; ended otherwise, the application is quitting and serves
    // no more events: the rest of the wait blocks.
    if (!pending.ready()) pending.wait();
  }
  pending.setWake({});
  busyTimer.stop();
  if (shownBusy && --busyDepth_ == 0) {
    QApplication::restoreOverrideCursor();
    if (!busyHandlers_.empty() && busyHandlers_.back()) busyHandlers_.back()(false);
  }
}

void QtInteraction::setWaitCursor(bool on) {
  if (on) {
    ++waitCursorDepth_;
    QApplication::setOverrideCursor(Qt::WaitCursor);
  } else if (waitCursorDepth_ > 0) {
    --waitCursorDepth_;
    QApplication::restoreOverrideCursor();
  }
}

}  // namespace app
