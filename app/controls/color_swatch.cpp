#include "app/controls/color_swatch.h"

#include <QPainter>

namespace controls {

void ColorSwatch::setColor(const QColor& color) {
  color_ = color;
  update();
}

void ColorSwatch::paintEvent(QPaintEvent*) {
  QPainter p(this);
  // The one-pixel border stays inside the control.
  p.setViewport(rect().adjusted(0, 0, -1, -1));
  p.setWindow(0, 0, 10, 10);
  QPen pen(Qt::black, 0);
  pen.setCosmetic(true);
  p.setPen(pen);
  p.setBrush(color_);
  p.drawRect(QRectF(0, 0, 10, 10));
}

}  // namespace controls
