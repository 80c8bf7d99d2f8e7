#include "stability/stability_plot_widget.h"

#include <QPainter>
#include <QPainterPath>

#include "stability/stability_plot.h"

namespace stability {

namespace {

constexpr int kMarginLeft = 64, kMarginTop = 14, kMarginRight = 110, kMarginBottom = 40;

}  // namespace

StabilityPlotWidget::StabilityPlotWidget(QWidget* parent) : QWidget(parent) {
  setMinimumSize(360, 260);
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void StabilityPlotWidget::setPoints(std::vector<Point> points) {
  points_ = std::move(points);
  update();
}

QColor StabilityPlotWidget::color(Statistic s) {
  switch (s) {
    case Statistic::Adev:
      return QColor(0x1d, 0x4e, 0xd8);
    case Statistic::Oadev:
      return QColor(0xdc, 0x26, 0x26);
    case Statistic::Mdev:
      return QColor(0x05, 0x96, 0x69);
    case Statistic::Tdev:
      return QColor(0x7c, 0x3a, 0xed);
    case Statistic::Hdev:
      return QColor(0xd9, 0x77, 0x06);
    case Statistic::Ohdev:
      return QColor(0x0e, 0x74, 0x90);
    case Statistic::Totdev:
      return QColor(0x4b, 0x55, 0x63);
  }
  return Qt::black;
}

void StabilityPlotWidget::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), Qt::white);
  p.setRenderHint(QPainter::Antialiasing, true);
  const PlotGeometry g = plotGeometry(points_, width(), height(), kMarginLeft, kMarginTop,
                                      kMarginRight, kMarginBottom);
  const QRectF area(QPointF(g.left, g.top), QPointF(g.right, g.bottom));
  p.setPen(QPen(QColor(0xcb, 0xd5, 0xe1), 1));
  p.drawRect(area);
  if (g.empty) return;

  const QFontMetrics fm(font());
  for (const PlotTick& t : g.xTicks) {
    p.setPen(QPen(t.major ? QColor(0xcb, 0xd5, 0xe1) : QColor(0xee, 0xf2, 0xf7), 1));
    p.drawLine(QPointF(t.position, g.top), QPointF(t.position, g.bottom));
    if (!t.label.empty()) {
      p.setPen(QColor(0x33, 0x41, 0x55));
      const QString s = QString::fromStdString(t.label);
      p.drawText(QPointF(t.position - fm.horizontalAdvance(s) / 2.0, g.bottom + fm.height()), s);
    }
  }
  for (const PlotTick& t : g.yTicks) {
    p.setPen(QPen(t.major ? QColor(0xcb, 0xd5, 0xe1) : QColor(0xee, 0xf2, 0xf7), 1));
    p.drawLine(QPointF(g.left, t.position), QPointF(g.right, t.position));
    if (!t.label.empty()) {
      p.setPen(QColor(0x33, 0x41, 0x55));
      const QString s = QString::fromStdString(t.label);
      p.drawText(QPointF(g.left - fm.horizontalAdvance(s) - 6, t.position + fm.ascent() / 2.0), s);
    }
  }
  p.setPen(QColor(0x1e, 0x3a, 0x8a));
  const QString xTitle = QStringLiteral("τ (s)");
  p.drawText(
      QPointF((g.left + g.right - fm.horizontalAdvance(xTitle)) / 2, g.bottom + 2.2 * fm.height()),
      xTitle);
  p.save();
  p.translate(14, (g.top + g.bottom) / 2);
  p.rotate(-90);
  const QString yTitle = QStringLiteral("σ(τ)");
  p.drawText(QPointF(-fm.horizontalAdvance(yTitle) / 2.0, 0), yTitle);
  p.restore();

  p.setClipRect(area.adjusted(-4, -4, 4, 4));
  for (const PlotSeries& s : g.series) {
    const QColor c = color(s.statistic);
    p.setPen(QPen(c, 1.6));
    p.setBrush(Qt::NoBrush);
    QPainterPath line;
    for (std::size_t i = 0; i < s.markers.size(); ++i) {
      const QPointF at(s.markers[i].x, s.markers[i].y);
      if (i == 0) {
        line.moveTo(at);
      } else {
        line.lineTo(at);
      }
    }
    p.drawPath(line);
    p.setPen(QPen(c, 1.2));
    for (const PlotMarker& m : s.markers) {
      p.drawLine(QPointF(m.x, m.yLo), QPointF(m.x, m.yHi));
      p.drawLine(QPointF(m.x - 3, m.yLo), QPointF(m.x + 3, m.yLo));
      p.drawLine(QPointF(m.x - 3, m.yHi), QPointF(m.x + 3, m.yHi));
      p.setBrush(Qt::white);
      p.drawEllipse(QPointF(m.x, m.y), 3.0, 3.0);
    }
  }
  p.setClipping(false);

  // Legend, right of the plot area.
  double y = g.top + 8;
  for (const PlotSeries& s : g.series) {
    const QColor c = color(s.statistic);
    p.setPen(QPen(c, 2));
    p.drawLine(QPointF(g.right + 10, y), QPointF(g.right + 30, y));
    p.setPen(QColor(0x0f, 0x17, 0x2a));
    p.drawText(QPointF(g.right + 36, y + fm.ascent() / 2.0 - 1),
               QString::fromLatin1(statisticLabel(s.statistic).data(),
                                   static_cast<int>(statisticLabel(s.statistic).size())));
    y += fm.height() + 4;
  }
}

}  // namespace stability
