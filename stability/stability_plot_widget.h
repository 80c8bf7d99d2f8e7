#pragma once
// The log-log plot of the Stability dialog: sigma(tau) of every statistic computed, with its
// confidence interval as an error bar, the decade grid and a legend. It paints
// stability::plotGeometry.

#include <QWidget>
#include <vector>

#include "stability/analysis.h"

namespace stability {

class StabilityPlotWidget : public QWidget {
  Q_OBJECT
 public:
  explicit StabilityPlotWidget(QWidget* parent = nullptr);
  void setPoints(std::vector<Point> points);
  const std::vector<Point>& points() const { return points_; }
  QSize sizeHint() const override { return {560, 380}; }

  // The colour of a statistic's line and markers.
  static QColor color(Statistic s);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  std::vector<Point> points_;
};

}  // namespace stability
