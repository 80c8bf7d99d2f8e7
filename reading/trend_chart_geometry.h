#pragma once
// Where the trend chart's line goes, as a pure function of the trend window: the high-value
// rescale, the span and vertical scale, the logical window and viewport extents of the
// picture's mapping, and the line's points in logical coordinates. A widget only maps these
// points to the picture (one QTransform) and draws them.

#include <span>
#include <vector>

namespace reading {

// Readings at or above this are divided by a power of ten for drawing.
inline constexpr double kHighValueLimit = 999999999.0;
// The vertical scale is the first power of ten that brings the span to at least this.
inline constexpr double kScaledSpanFloor = 99999999.0;

struct ChartPoint {
  double x = 0.0;
  double y = 0.0;
  friend bool operator==(const ChartPoint&, const ChartPoint&) = default;
};

struct TrendChartGeometry {
  double factor = 1.0;  // F: the drawn values are the window's values divided by it
  double span = 0.0;    // largest minus smallest drawn value
  double scale = 1.0;   // s: logical height per unit of value

  // Logical window extents: (C, -2 * span * s truncated), or (C, 1) when the span is 0. The
  // negative height turns the picture's y axis upwards.
  ChartPoint windowExtent{0.0, 1.0};
  // Viewport extents (picture width, picture height / 2) and origin (0, picture height / 2):
  // logical x runs from 0 at the left edge to C at the right, logical height 0 is the middle.
  ChartPoint viewportExtent;
  ChartPoint viewportOrigin;

  // The polyline in logical coordinates, drawn in order; empty when there is no line.
  std::vector<ChartPoint> line;

  // Picture pixel position of a logical point (the anisotropic mapping).
  ChartPoint toPicture(ChartPoint logical) const;
};

// `window` holds places 1..n of the trend window (n = window.size() <= capacity).
// With 1 < n < C the newest reading is at x = 0 and place k at x = n - k; with n = C the line
// runs from x = C to x = 0 over places 2..C (place k at x = C + 1 - k, place 2 also at C and
// place C also at 0); with n <= 1 there is no line. Heights are (value - value of place 1) * s,
// truncated to whole logical units.
TrendChartGeometry trendChartGeometry(std::span<const double> window, int capacity,
                                      int pictureWidth, int pictureHeight);

}  // namespace reading
