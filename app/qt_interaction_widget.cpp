#include "app/qt_interaction_widget.h"

#include <QApplication>
#include <QColorDialog>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QStringList>

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
  QMessageBox box(qtIcon(icon), QString::fromStdString(caption), QString::fromStdString(text),
                  QMessageBox::NoButton, parent_);
  box.setTextFormat(Qt::PlainText);
  if (buttons == core::Buttons::YesNo) {
    box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
    box.setDefaultButton(QMessageBox::Yes);
  } else {
    box.setStandardButtons(QMessageBox::Ok);
  }
  // A message during a long operation must show the normal pointer.
  const bool busy = waitCursorDepth_ > 0;
  if (busy) QApplication::setOverrideCursor(Qt::ArrowCursor);
  const int result = box.exec();
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

void QtInteraction::processEvents() { QCoreApplication::processEvents(QEventLoop::AllEvents); }

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
