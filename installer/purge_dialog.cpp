#include "installer/purge_dialog.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QProgressBar>
#include <QStyle>
#include <QTimer>

#include "installer/installer_options.h"
#include "installer/window_interaction_widget.h"

namespace installer {

PurgeDialog::PurgeDialog(std::function<int()> work) : work_(std::move(work)) {
  setWindowTitle(kPurgeCaption);
  auto* layout = new QGridLayout(this);
  auto* icon = new QLabel;
  icon->setPixmap(style()->standardIcon(QStyle::SP_TrashIcon).pixmap(32, 32));
  layout->addWidget(icon, 0, 0, 2, 1, Qt::AlignTop);
  layout->addWidget(
      new QLabel(QString("Removing the add-in \"") + kToolbarName + "\" from LibreOffice"), 0, 1);
  progress_ = new QLabel;
  progress_->setMinimumWidth(460);
  layout->addWidget(progress_, 1, 1);
  auto* busy = new QProgressBar;
  busy->setRange(0, 0);
  busy->setTextVisible(false);
  layout->addWidget(busy, 2, 0, 1, 2);
}

void PurgeDialog::setProgress(const QString& text) {
  QMetaObject::invokeMethod(progress_, [this, text] { progress_->setText(text); });
}

void PurgeDialog::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (started_) return;
  started_ = true;
  // After the first paint, as the work should not hold back the dialog's own drawing.
  working_ = true;
  QTimer::singleShot(0, this, [this] {
    runAside(this, work_, [this](int status) {
      working_ = false;
      done(status);
    });
  });
}

void PurgeDialog::reject() {
  if (!working_) QDialog::reject();
}

void PurgeDialog::closeEvent(QCloseEvent* event) {
  if (working_) event->ignore();
}

}  // namespace installer
