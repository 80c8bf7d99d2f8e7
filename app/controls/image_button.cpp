#include "app/controls/image_button.h"

#include <QEvent>
#include <QMouseEvent>
#include <QPainter>

#include "app/controls/bitmaps.h"

namespace controls {

ImageButton::ImageButton(QWidget* parent) : QWidget(parent) {
  setMouseTracking(true);
  setCursor(Qt::PointingHandCursor);
  setAttribute(Qt::WA_Hover);
}

void ImageButton::setBitmaps(int normal, int hover, int pressed) {
  const QPixmap n = bitmap(normal);
  setImages(n, hover < 0 ? n : bitmap(hover), pressed < 0 ? n : bitmap(pressed));
}

void ImageButton::setImages(const QPixmap& normal, const QPixmap& hover, const QPixmap& pressed) {
  images_[0] = normal;
  images_[1] = hover.isNull() ? normal : hover;
  images_[2] = pressed.isNull() ? normal : pressed;
  updateGeometry();
  update();
}

void ImageButton::setToolTipText(const QString& text) { setToolTip(text); }

void ImageButton::reset() { showState(State::Normal); }

void ImageButton::resetAll(QWidget* dialog) {
  for (ImageButton* b : dialog->findChildren<ImageButton*>()) b->reset();
}

QSize ImageButton::sizeHint() const {
  return images_[0].isNull() ? QSize(32, 32) : images_[0].deviceIndependentSize().toSize();
}

void ImageButton::showState(State s) {
  if (state_ == s) return;
  state_ = s;
  update();
}

void ImageButton::paintEvent(QPaintEvent*) {
  QPainter p(this);
  const QPixmap& pm = images_[static_cast<int>(state_)];
  if (pm.isNull()) return;
  if (!isEnabled()) p.setOpacity(0.35);
  const QSizeF s = pm.deviceIndependentSize();
  p.drawPixmap(QPointF((width() - s.width()) / 2, (height() - s.height()) / 2), pm);
}

void ImageButton::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return QWidget::mousePressEvent(event);
  pressedInside_ = true;
  showState(State::Pressed);
}

void ImageButton::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return QWidget::mouseReleaseEvent(event);
  const bool inside = rect().contains(event->position().toPoint());
  const bool click = pressedInside_ && inside;
  pressedInside_ = false;
  showState(inside ? State::Hover : State::Normal);
  if (click && isEnabled()) emit clicked();
}

void ImageButton::mouseMoveEvent(QMouseEvent* event) {
  const bool inside = rect().contains(event->position().toPoint());
  if (pressedInside_) {
    showState(inside ? State::Pressed : State::Normal);
  } else {
    showState(inside ? State::Hover : State::Normal);
  }
}

void ImageButton::leaveEvent(QEvent*) {
  if (!pressedInside_) showState(State::Normal);
}

void ImageButton::changeEvent(QEvent* event) {
  if (event->type() == QEvent::EnabledChange) {
    reset();
    update();
  }
  QWidget::changeEvent(event);
}

}  // namespace controls
