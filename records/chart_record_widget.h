#pragma once
// The Chart Record dialog's picture area and colour swatch, and the painting of a trace:
// records::ChartTrace's logical points go through a QTransform built from the trace's
// window and viewport onto whole pixels, one line per pair of neighbouring points, with a
// cosmetic pen in the draw colour, into an off-screen copy that the picture shows.

#include <QPixmap>
#include <QTransform>
#include <QWidget>
#include <optional>

#include "records/chart_record.h"

class QPainter;

namespace records {

// The transform of a trace's mapping: logical window onto the viewport at (0, H/2).
QTransform chartTransform(const ChartMapping& mapping);

// The picture's background (grid on a dark panel).
void paintChartBackground(QPainter& painter, const QSize& size);
// The trace's lines in `color`.
void paintChartTrace(QPainter& painter, const ChartTrace& trace, const QColor& color);
// The slider's marker: a black rectangle with a white outline, at least `minimumHeight`
// pixels tall so that it shows however flat its logical rectangle is.
void paintChartMarker(QPainter& painter, const ChartMarker& marker, int minimumHeight = 9);

class ChartPictureWidget : public QWidget {
  Q_OBJECT
 public:
  explicit ChartPictureWidget(QWidget* parent = nullptr);

  // Draws `trace` over what the picture shows and keeps the result as the off-screen copy.
  void drawTrace(const ChartTrace& trace, const QColor& color);
  // The background alone, which becomes the off-screen copy.
  void clearPicture();
  // The marker over the picture; nullopt removes it.
  void setMarker(const std::optional<ChartMarker>& marker);
  const std::optional<ChartMarker>& marker() const { return marker_; }
  // The off-screen copy (null until the first drawing or Clear).
  const QPixmap& offscreen() const { return offscreen_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QPixmap background() const;

  QPixmap offscreen_;
  std::optional<ChartMarker> marker_;
};

}  // namespace records
