#include "app/draggable_dialog.h"

#include <QMouseEvent>
#include <QWindow>

#include "app/controls/image_button.h"

namespace app {

DraggableDialog::DraggableDialog(QWidget* parent) : QDialog(parent) { setMouseTracking(true); }

void DraggableDialog::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) {
    QDialog::mousePressEvent(event);
    return;
  }
  // The window system moves the window where it can (X11, Wayland); elsewhere the dialog
  // follows the pointer itself.
  if (windowHandle() && windowHandle()->startSystemMove()) {
    event->accept();
    return;
  }
  dragging_ = true;
  grabOffset_ = event->globalPosition().toPoint() - frameGeometry().topLeft();
  event->accept();
}

void DraggableDialog::mouseMoveEvent(QMouseEvent* event) {
  if (dragging_ && (event->buttons() & Qt::LeftButton)) {
    move(event->globalPosition().toPoint() - grabOffset_);
    event->accept();
    return;
  }
  controls::ImageButton::resetAll(this);
  QDialog::mouseMoveEvent(event);
}

void DraggableDialog::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) dragging_ = false;
  QDialog::mouseReleaseEvent(event);
}

}  // namespace app
