#include "reading/trend_chart_widget.h"

#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

namespace reading {

QTransform chartTransform(const TrendChartGeometry& g) {
  const double sx = g.windowExtent.x != 0.0 ? g.viewportExtent.x / g.windowExtent.x : 0.0;
  const double sy = g.windowExtent.y != 0.0 ? g.viewportExtent.y / g.windowExtent.y : 0.0;
  return QTransform(sx, 0.0, 0.0, sy, g.viewportOrigin.x, g.viewportOrigin.y);
}

TrendChartWidget::TrendChartWidget(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  setMinimumSize(40, 40);
}

void TrendChartWidget::setDrawColor(const QColor& color) { color_ = color; }

QPixmap TrendChartWidget::background() const {
  const qreal dpr = devicePixelRatioF();
  if (!background_.isNull() && background_.size() == size() * dpr) return background_;
  QPixmap pm(size() * dpr);
  pm.setDevicePixelRatio(dpr);
  QPainter p(&pm);
  const QRectF r(0, 0, width(), height());
  QLinearGradient fill(r.topLeft(), r.bottomLeft());
  fill.setColorAt(0, QColor(0xfb, 0xfc, 0xfe));
  fill.setColorAt(1, QColor(0xf1, 0xf5, 0xf9));
  p.fillRect(r, fill);
  // A grid of ten columns and eight rows; the middle row line is the first reading's level.
  p.setPen(QPen(QColor(0xe2, 0xe8, 0xf0), 0));
  for (int i = 1; i < 10; ++i) {
    const qreal x = std::floor(r.width() * i / 10.0) + 0.5;
    p.drawLine(QPointF(x, 0), QPointF(x, r.height()));
  }
  for (int j = 1; j < 8; ++j) {
    const qreal y = std::floor(r.height() * j / 8.0) + 0.5;
    if (j == 4) continue;
    p.drawLine(QPointF(0, y), QPointF(r.width(), y));
  }
  p.setPen(QPen(QColor(0xcb, 0xd5, 0xe1), 0, Qt::DashLine));
  const qreal mid = height() / 2 + 0.5;
  p.drawLine(QPointF(0, mid), QPointF(r.width(), mid));
  p.setPen(QPen(QColor(0xcb, 0xd5, 0xe1), 0));
  p.setBrush(Qt::NoBrush);
  p.drawRect(r.adjusted(0.5, 0.5, -0.5, -0.5));
  p.end();
  background_ = pm;
  return pm;
}

void TrendChartWidget::redraw(const TrendChartGeometry& geometry) {
  ++redraws_;
  QPixmap pm = background();
  if (geometry.line.size() >= 2) {
    const QTransform t = chartTransform(geometry);
    QPolygonF polyline;
    polyline.reserve(static_cast<int>(geometry.line.size()));
    for (const ChartPoint& pt : geometry.line) polyline << t.map(QPointF(pt.x, pt.y));
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    // The one-pixel pen: a wider stroke costs many times more to draw at every reading.
    QPen pen(color_, 1);
    pen.setCosmetic(true);
    pen.setJoinStyle(Qt::RoundJoin);
    p.setPen(pen);
    p.setClipRect(rect());
    p.drawPolyline(polyline);
  }
  snapshot_ = pm;
  repaint();
}

void TrendChartWidget::paintEvent(QPaintEvent*) {
  QPainter p(this);
  if (snapshot_.isNull()) {
    p.drawPixmap(0, 0, background());
    return;
  }
  p.drawPixmap(0, 0, snapshot_);
}

}  // namespace reading
