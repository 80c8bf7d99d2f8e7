#pragma once
// The trend chart picture of the main window. The reading loop computes where the line goes
// (reading::trendChartGeometry: logical points, window and viewport extents); this widget maps
// those points onto itself with one QTransform, draws them over its background grid in the
// draw colour and keeps the drawn image as a snapshot that every repaint restores.

#include <QColor>
#include <QPixmap>
#include <QTransform>
#include <QWidget>

#include "reading/trend_chart_geometry.h"

namespace reading {

// The anisotropic mapping of a geometry: logical (x, y) -> viewport origin + (x, y) scaled
// by viewport extent / window extent.
QTransform chartTransform(const TrendChartGeometry& geometry);

class TrendChartWidget : public QWidget {
  Q_OBJECT
 public:
  explicit TrendChartWidget(QWidget* parent = nullptr);

  // The trace colour (the pen is made anew from it at the next redraw).
  void setDrawColor(const QColor& color);
  QColor drawColor() const { return color_; }

  // Erases the picture to its background, draws the line of `geometry` and takes the snapshot.
  void redraw(const TrendChartGeometry& geometry);

  bool hasSnapshot() const { return !snapshot_.isNull(); }
  const QPixmap& snapshot() const { return snapshot_; }
  // How many redraws have happened (a run's ticks and the one after-run redraw).
  int redrawCount() const { return redraws_; }

  // The background image with its grid (what the picture shows before the first redraw).
  QPixmap background() const;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QColor color_{0, 0, 255};
  QPixmap snapshot_;
  mutable QPixmap background_;  // made once per size
  int redraws_ = 0;
};

}  // namespace reading
