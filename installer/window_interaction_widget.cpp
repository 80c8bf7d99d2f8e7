#include "installer/window_interaction_widget.h"

#include <QApplication>
#include <QMessageBox>
#include <QThread>

#include "installer/terminal_interaction.h"

namespace installer {

namespace {

QMessageBox::Icon boxIcon(core::Icon icon) {
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

}  // namespace

core::Answer WindowInteraction::message(const std::string& text, const std::string& caption,
                                        core::Icon icon, core::Buttons buttons) {
  core::Answer answer = core::Answer::Closed;
  auto show = [&] {
    QMessageBox box(
        boxIcon(icon), QString::fromStdString(caption), QString::fromStdString(terminalText(text)),
        buttons == core::Buttons::YesNo ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok,
        window_);
    const int pressed = box.exec();
    answer = pressed == QMessageBox::Yes  ? core::Answer::Yes
             : pressed == QMessageBox::No ? core::Answer::No
                                          : core::Answer::Ok;
  };
  if (QThread::currentThread() == qApp->thread())
    show();
  else
    QMetaObject::invokeMethod(qApp, show, Qt::BlockingQueuedConnection);
  return answer;
}

}  // namespace installer

namespace installer {

void runAside(QObject* owner, std::function<int()> work, std::function<void(int)> done) {
  auto result = std::make_shared<int>(0);
  QThread* thread = QThread::create([work = std::move(work), result] { *result = work(); });
  QObject::connect(thread, &QThread::finished, owner, [thread, result, done = std::move(done)] {
    thread->wait();
    thread->deleteLater();
    done(*result);
  });
  thread->start();
}

}  // namespace installer
