#include "installer/load_window.h"

#include <QApplication>
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

void LoadWindow::start(std::function<int()> work) {
  runAside(this, std::move(work),
           [](int status) { QTimer::singleShot(1500, qApp, [status] { qApp->exit(status); }); });
}

}  // namespace installer
