#include "records/chart_record_widget.h"

#include <QLinearGradient>
#include <QPainter>
#include <vector>

namespace records {

QTransform chartTransform(const ChartMapping& m) {
  return QTransform(m.scaleX(), 0, 0, m.scaleY(), 0, m.originY);
}

void paintChartBackground(QPainter& p, const QSize& size) {
  const QRect area(QPoint(0, 0), size);
  QLinearGradient fill(area.topLeft(), area.bottomLeft());
  fill.setColorAt(0, QColor(0x1e, 0x29, 0x3b));
  fill.setColorAt(1, QColor(0x0f, 0x17, 0x2a));
  p.fillRect(area, fill);
  p.save();
  p.setRenderHint(QPainter::Antialiasing, false);
  p.setPen(QPen(QColor(0x33, 0x41, 0x55), 0));
  const int columns = 10, rows = 8;
  for (int i = 1; i < columns; ++i) {
    const int x = size.width() * i / columns;
    p.drawLine(x, 0, x, size.height() - 1);
  }
  for (int i = 1; i < rows; ++i) {
    const int y = size.height() * i / rows;
    if (i == rows / 2) continue;
    p.drawLine(0, y, size.width() - 1, y);
  }
  // The middle, where the first record of a stretch sits.
  p.setPen(QPen(QColor(0x64, 0x74, 0x8b), 0, Qt::DashLine));
  p.drawLine(0, size.height() / 2, size.width() - 1, size.height() / 2);
  p.restore();
}

void paintChartTrace(QPainter& p, const ChartTrace& trace, const QColor& color) {
  if (trace.points.size() < 2) return;
  const QTransform transform = chartTransform(trace.mapping);
  // Every point goes to a whole pixel, so that each line's pixels depend on its two ends
  // only: lines drawn one by one then paint exactly the union of their pixels.
  std::vector<QLine> lines;
  lines.reserve(trace.points.size() - 1);
  QPoint previous = transform.map(QPointF(trace.points[0].x, trace.points[0].y)).toPoint();
  for (size_t i = 1; i < trace.points.size(); ++i) {
    const QPoint next = transform.map(QPointF(trace.points[i].x, trace.points[i].y)).toPoint();
    lines.emplace_back(previous, next);
    previous = next;
  }
  p.save();
  p.setRenderHint(QPainter::Antialiasing, false);
  p.setWorldTransform(QTransform());
  QPen pen(color, 0, Qt::SolidLine, Qt::SquareCap);
  pen.setCosmetic(true);
  p.setPen(pen);
  p.drawLines(lines.data(), static_cast<int>(lines.size()));
  p.restore();
}

void paintChartMarker(QPainter& p, const ChartMarker& marker, int minimumHeight) {
  QRect box(QPoint(marker.left, marker.top), QPoint(marker.right, marker.bottom));
  if (box.width() < 3) box.setWidth(3);
  if (box.height() < minimumHeight) {
    const int middle = (marker.top + marker.bottom) / 2;
    box.setTop(middle - minimumHeight / 2);
    box.setHeight(minimumHeight);
  }
  p.save();
  p.setRenderHint(QPainter::Antialiasing, false);
  p.setPen(QPen(Qt::white, 1));
  p.setBrush(Qt::black);
  p.drawRect(box.adjusted(0, 0, -1, -1));
  p.restore();
}

// ---- ChartPictureWidget ---------------------------------------------------------------------

ChartPictureWidget::ChartPictureWidget(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_OpaquePaintEvent);
}

QPixmap ChartPictureWidget::background() const {
  QPixmap pm(size());
  QPainter p(&pm);
  paintChartBackground(p, size());
  return pm;
}

void ChartPictureWidget::drawTrace(const ChartTrace& trace, const QColor& color) {
  // A new trace goes over the picture as it is: several can be compared until Clear.
  if (offscreen_.isNull() || offscreen_.size() != size()) offscreen_ = background();
  QPainter p(&offscreen_);
  paintChartTrace(p, trace, color);
  p.end();
  update();
}

void ChartPictureWidget::clearPicture() {
  offscreen_ = background();
  update();
}

void ChartPictureWidget::setMarker(const std::optional<ChartMarker>& marker) {
  marker_ = marker;
  update();
}

void ChartPictureWidget::paintEvent(QPaintEvent*) {
  QPainter p(this);
  if (offscreen_.isNull()) {
    paintChartBackground(p, size());
  } else {
    p.drawPixmap(0, 0, offscreen_);
  }
  if (marker_) {
    p.setClipRect(rect());
    paintChartMarker(p, *marker_);
  }
}

}  // namespace records
