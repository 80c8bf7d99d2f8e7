#include "installer/load_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QStyle>
#include <QTimer>

#include "installer/installer_options.h"
#include "installer/window_interaction_widget.h"

namespace installer {

LoadWindow::LoadWindow(const QString& commandLine) {
  setWindowTitle(kLoadCaption);
  auto* layout = new QHBoxLayout(this);
  auto* icon = new QLabel;
  icon->setPixmap(style()->standardIcon(QStyle::SP_DriveCDIcon).pixmap(32, 32));
  layout->addWidget(icon);
  status_ = new QLabel(QStringLiteral("Open ") + commandLine);
  status_->setMinimumWidth(420);
  status_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  layout->addWidget(status_, 1);
  setFixedHeight(sizeHint().height());
}

void LoadWindow::setStatus(const QString& text) {
  QMetaObject::invokeMethod(status_, [this, text] { status_->setText(text); });
}

void LoadWindow::closeEvent(QCloseEvent* event) {
  if (working_) event->ignore();
}

void LoadWindow::start(std::function<int()> work) {
  working_ = true;
  runAside(this, std::move(work), [this](int status) {
    QTimer::singleShot(1500, qApp, [this, status] {
      working_ = false;
      qApp->exit(status);
    });
  });
}

}  // namespace installer
