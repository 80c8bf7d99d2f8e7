#pragma once
// The Chart Record dialog as plain logic: the recorded databases, the stretch of records to
// draw, the trace geometry in logical coordinates with the mapping onto the picture, and the
// slider's marker and read-outs. A thin Qt dialog paints what this computes.
//
// Geometry: the first record of the stretch sits on the vertical middle of the picture; the
// vertical scale is the smallest power of ten (at least 1) that makes the stretch's range
// span 99,999,999 logical units, and ±2 ranges span the whole height. A stretch wider than
// the picture is thinned to the first, lowest, highest and last record of every pixel
// column, which paints exactly the pixels one line per record would, from one pass.

#include <optional>
#include <span>
#include <string>
#include <vector>

#include "core/interaction.h"
#include "records/database_files.h"
#include "records/value.h"

namespace measure {
class Texts;
}

namespace records {

inline constexpr const char* kDrawRecordFolderCaption = "DrawRecord Database folder check";
inline constexpr const char* kChartErrorCaption = "ERROR";
inline constexpr double kChartScaleTarget = 99999999.0;
inline constexpr core::Color kChartDefaultColor{0, 255, 255};  // cyan
// The marker's own logical window is this wide; it stands 1,000,000,000 / span apart per step.
inline constexpr long long kMarkerWindowWidth = 999999999;

// The list entry of database n: "Database %d    ( %s )" with the start date; the words
// "Database %d" in the window's language with `texts`.
std::string chartRecordEntry(int n, const DateTime& start);
std::string chartRecordEntry(const measure::Texts& texts, int n, const DateTime& start);

// The vertical scale for a stretch whose values span `range`: 1 when the range is 0, else
// the smallest power of ten, at least 1, for which range × scale ≥ 99,999,999.
double chartScale(double range);

// The picture's mapping: a logical window (origin 0, 0) onto a viewport W pixels wide and
// H/2 high whose origin is (0, H/2). A negative window height draws larger values higher.
// Device positions are rounded to whole pixels the way the painter rounds mapped points.
struct ChartMapping {
  double windowWidth = 1;
  double windowHeight = 1;
  int viewportWidth = 0;
  int viewportHeight = 0;
  int originY = 0;

  double scaleX() const { return viewportWidth / windowWidth; }
  double scaleY() const { return viewportHeight / windowHeight; }
  int deviceX(double x) const;
  int deviceY(double y) const;
};

// Window width `windowWidth`, height 1 when `range` is 0 or else range × scale × −2
// truncated; viewport W × H/2 at (0, H/2).
ChartMapping chartMapping(double windowWidth, double range, double scale, int width, int height);

// A point of the trace in logical coordinates (whole numbers).
struct ChartPoint {
  double x = 0;
  double y = 0;
  friend bool operator==(const ChartPoint&, const ChartPoint&) = default;
};

struct ChartTrace {
  long long lastX = 0;       // X: the stretch's records less one
  long long valuesRead = 0;  // records read (X + 1 unless the file ended early)
  double firstValue = 0;     // F
  double maximum = 0;
  double minimum = 0;
  double range = 0;  // R
  double scale = 1;
  ChartMapping mapping;
  // Consecutive points are joined by one line each; a stretch of one record draws none.
  std::vector<ChartPoint> points;
  bool thinned = false;
};

// Builds a trace from the stretch's values in stored order, reading each value once.
// Thinning keeps, per pixel column, the first, lowest, highest and last record; without it
// every record is a point (memory grows with the stretch).
class ChartTraceBuilder {
 public:
  ChartTraceBuilder(long long lastX, int width, int height, bool thin);
  void add(double value);
  ChartTrace finish();

 private:
  struct Sample {
    long long x = 0;
    double value = 0;
  };
  struct Column {
    int device = 0;
    Sample first, last, lowest, highest;
  };

  long long lastX_;
  int width_;
  int height_;
  bool thin_;
  ChartMapping columns_;  // horizontal part of the mapping, known before the values
  long long next_ = 0;
  double first_ = 0;
  double maximum_ = 0;
  double minimum_ = 0;
  std::vector<double> values_;
  std::vector<Column> thinned_;
};

// The trace of `values` (for tests and previews).
ChartTrace chartTrace(std::span<const double> values, int width, int height, bool thin);

// The slider's marker: a rectangle in device pixels (right and bottom excluded).
struct ChartMarker {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
  friend bool operator==(const ChartMarker&, const ChartMarker&) = default;
};

// The marker of slider position `position` over `span` records: logical x =
// (1,000,000,000 / span, whole division) × position in a window 999,999,999 wide, the
// rectangle from (x − 5,000,000, y + 15) to (x + 5,000,000, y − 15) where y is the logical
// height of the marked record in the drawing's window.
ChartMarker chartMarker(long long span, long long position, double y, const ChartMapping& drawing);

// Everything the dialog shows.
struct ChartRecordView {
  std::string title;
  std::string settingGroup;
  std::string drawColorLabel;
  std::string changeColorText;  // the text buttons, hidden; the image buttons carry them
  std::string recordCountLabel;
  std::string divisionLabel;  // hidden with its list
  std::string drawChartText;
  std::string clearText;
  std::string drawAllText;
  std::string drawFromText;
  std::string toLabel;
  std::string afterToLabel;
  std::string exitText;
  std::string changeColorTooltip = "Change Color ...";
  std::string drawTooltip = "Draw Chart ...";
  std::string clearTooltip = "Clear Chart ...";
  std::string exitTooltip = "Exit ...";

  std::vector<std::string> entries;
  int currentEntry = -1;
  std::string listText;  // shown while no entry is chosen
  std::string countText;
  std::string fromText;
  std::string toText;
  bool drawAll = true;
  bool fromToEnabled = false;
  bool drawEnabled = false;
  core::Color drawColor = kChartDefaultColor;
  int sliderMaximum = 0;
  std::string recordText;
  std::string dateText;
  std::string valueText;
  bool chartDrawn = false;
};

class ChartRecord {
 public:
  ChartRecord(core::Interaction& ui, const measure::Texts& texts);

  // The opening steps: texts, the database folder made the current directory (with its
  // message), the list, "Drawing with all", empty fields and read-outs, cyan.
  void open();
  const ChartRecordView& view() const { return view_; }
  const std::string& folder() const { return folder_; }

  // A database chosen in the list: its record count; drawing becomes possible.
  void chooseDatabase(int index);
  // "Drawing with all" (true) or "Drawing data from" (false).
  void setDrawAll(bool all);
  void setFromText(std::string text) { view_.fromText = std::move(text); }
  void setToText(std::string text) { view_.toText = std::move(text); }

  // Draw Chart into a picture `width` × `height` pixels: the trace to paint, or nullopt when
  // nothing is drawn (a message was shown, or the file is gone) and the picture stays.
  std::optional<ChartTrace> draw(int width, int height);

  // The slider at `position` (whenever it repaints): while a chart is drawn, reads the
  // marked record and returns the marker; nullopt leaves the picture without a marker.
  std::optional<ChartMarker> slider(int position);

  // Clear: no chart is drawn any more (the slider stops marking).
  void clear();
  // The colour picker, starting from black: true when a colour was picked.
  bool changeColor();

 private:
  // The stretch last drawn, for the marker.
  struct Drawn {
    long long span = 1;
    double firstValue = 0;
    double scale = 1;
    ChartMapping mapping;
  };

  bool enterFolder();
  std::optional<ReadingRows> rowsOf(int n);

  core::Interaction& ui_;
  const measure::Texts& texts_;
  ChartRecordView view_;
  std::string folder_;
  int selected_ = 0;
  std::optional<ReadingRows> rows_;  // of the selected database, read when it was chosen
  std::optional<Drawn> drawn_;
};

}  // namespace records
