#include "installer/window_interaction_widget.h"

#include <QApplication>
#include <QThread>

#include "installer/terminal_interaction.h"

namespace installer {

core::Answer WindowInteraction::message(const std::string& text, const std::string& caption,
                                        core::Icon icon, core::Buttons buttons) {
  core::Answer answer = core::Answer::Closed;
  // The box shows the message's lines without the carriage returns of its CR LF breaks.
  auto show = [&] { answer = boxes_.message(terminalText(text), caption, icon, buttons); };
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
