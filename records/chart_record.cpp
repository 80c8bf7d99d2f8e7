#include "records/chart_record.h"

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "core/text_format.h"
#include "measure/texts.h"
#include "records/database.h"
#include "records/view_record.h"

namespace records {

namespace {

// Rounds half away from zero, as the painter rounds a mapped point to a pixel. Far-off
// positions are held well inside the integer range; they are off the picture either way.
int toPixel(double d) {
  if (!(d > -1e9)) d = -1e9;  // also a NaN
  if (d > 1e9) d = 1e9;
  return static_cast<int>(d + std::copysign(0.5, d));
}

// The logical height of a value: (value − F) × scale, truncated toward zero.
double logicalY(double value, double first, double scale) {
  return std::trunc((value - first) * scale);
}

}  // namespace

std::string chartRecordEntry(int n, const DateTime& start) {
  return chartRecordEntry(measure::Texts(), n, start);
}

std::string chartRecordEntry(const measure::Texts& texts, int n, const DateTime& start) {
  return measure::fillIn(texts.get("1165"), {std::to_string(n)}) + "    ( " + startDateText(start) +
         " )";
}

double chartScale(double range) {
  double scale = 1.0;
  if (range == 0) return scale;
  // Ranges come from stored readings (never below 1e-30 apart), so this ends long before
  // the scale could overflow; the bound keeps a damaged file from looping.
  while (range * scale < kChartScaleTarget && scale < 1e300) scale *= 10.0;
  return scale;
}

int ChartMapping::deviceX(double x) const { return toPixel(x * scaleX() + 0.0); }
int ChartMapping::deviceY(double y) const { return toPixel(y * scaleY() + originY); }

ChartMapping chartMapping(double windowWidth, double range, double scale, int width, int height) {
  ChartMapping m;
  // A stretch of one record has no width; nothing is drawn in it, but the mapping stays finite.
  m.windowWidth = windowWidth > 0 ? windowWidth : 1;
  m.windowHeight = range == 0 ? 1.0 : std::trunc(range * scale * -2.0);
  if (m.windowHeight == 0) m.windowHeight = 1;
  m.viewportWidth = width;
  m.viewportHeight = height / 2;
  m.originY = height / 2;
  return m;
}

ChartTraceBuilder::ChartTraceBuilder(long long lastX, int width, int height, bool thin)
    : lastX_(lastX), width_(width), height_(height), thin_(thin) {
  columns_ = chartMapping(static_cast<double>(lastX), 0, 1, width, height);
  if (thin_) {
    thinned_.reserve(static_cast<size_t>(std::max(width, 0)) + 2);
  } else if (lastX >= 0) {
    values_.reserve(static_cast<size_t>(lastX) + 1);
  }
}

void ChartTraceBuilder::add(double value) {
  if (next_ > lastX_) return;
  const long long x = next_++;
  // The maximum and minimum start from the stretch's first value rather than from
  // ±999,999,999,999, so that a stretch lying wholly beyond those bounds (overflow answers,
  // large totals) still gets its true range, and a flat one a flat line.
  if (x == 0) {
    first_ = maximum_ = minimum_ = value;
  } else {
    maximum_ = std::max(maximum_, value);
    minimum_ = std::min(minimum_, value);
  }
  if (!thin_) {
    values_.push_back(value);
    return;
  }
  // Records of one pixel column are joined by vertical lines in that column, which cover
  // exactly the rows between its lowest and highest record: the first, lowest, highest and
  // last record of the column paint the same pixels. The mapping is monotonic, so the
  // extremes of the values are the extremes on the screen.
  const int device = columns_.deviceX(static_cast<double>(x));
  const Sample s{x, value};
  if (thinned_.empty() || thinned_.back().device != device) {
    thinned_.push_back({device, s, s, s, s});
    return;
  }
  Column& c = thinned_.back();
  c.last = s;
  if (value < c.lowest.value) c.lowest = s;
  if (value > c.highest.value) c.highest = s;
}

ChartTrace ChartTraceBuilder::finish() {
  ChartTrace trace;
  trace.lastX = lastX_;
  trace.valuesRead = next_;
  trace.thinned = thin_;
  if (next_ == 0) {
    trace.mapping = chartMapping(static_cast<double>(lastX_), 0, 1, width_, height_);
    return trace;
  }
  trace.firstValue = first_;
  trace.maximum = maximum_;
  trace.minimum = minimum_;
  trace.range = maximum_ - minimum_;
  trace.scale = chartScale(trace.range);
  trace.mapping =
      chartMapping(static_cast<double>(lastX_), trace.range, trace.scale, width_, height_);
  const auto point = [&](long long x, double value) {
    return ChartPoint{static_cast<double>(x), logicalY(value, first_, trace.scale)};
  };
  if (!thin_) {
    trace.points.reserve(values_.size());
    for (size_t x = 0; x < values_.size(); ++x) {
      trace.points.push_back(point(static_cast<long long>(x), values_[x]));
    }
    return trace;
  }
  trace.points.reserve(thinned_.size() * 4);
  for (const Column& c : thinned_) {
    Sample kept[4] = {c.first, c.lowest, c.highest, c.last};
    std::sort(std::begin(kept), std::end(kept),
              [](const Sample& a, const Sample& b) { return a.x < b.x; });
    for (size_t i = 0; i < 4; ++i) {
      if (i > 0 && kept[i].x == kept[i - 1].x) continue;
      trace.points.push_back(point(kept[i].x, kept[i].value));
    }
  }
  return trace;
}

ChartTrace chartTrace(std::span<const double> values, int width, int height, bool thin) {
  ChartTraceBuilder builder(static_cast<long long>(values.size()) - 1, width, height, thin);
  for (double v : values) builder.add(v);
  return builder.finish();
}

ChartMarker chartMarker(long long span, long long position, double y, const ChartMapping& drawing) {
  ChartMapping m = drawing;
  m.windowWidth = static_cast<double>(kMarkerWindowWidth);
  const long long x = (1000000000LL / std::max(span, 1LL)) * position;
  const int x1 = m.deviceX(static_cast<double>(x - 5000000));
  const int x2 = m.deviceX(static_cast<double>(x + 5000000));
  const int y1 = m.deviceY(y + 15);
  const int y2 = m.deviceY(y - 15);
  return {std::min(x1, x2), std::min(y1, y2), std::max(x1, x2), std::max(y1, y2)};
}

// ---- ChartRecord -------------------------------------------------------------------------

ChartRecord::ChartRecord(core::Interaction& ui, const measure::Texts& texts)
    : ui_(ui), texts_(texts) {}

void ChartRecord::open() {
  view_ = ChartRecordView{};
  selected_ = 0;
  rows_.reset();
  drawn_.reset();
  const measure::Texts& t = texts_;
  view_.title = t.get("741");
  view_.settingGroup = t.get("742");
  view_.drawColorLabel = t.get("743");
  view_.changeColorText = t.get("744");
  view_.recordCountLabel = t.get("745");
  view_.divisionLabel = t.get("746");
  view_.drawChartText = t.get("747");
  view_.clearText = t.get("748");
  view_.drawAllText = t.get("749");
  view_.drawFromText = t.get("750");
  view_.toLabel = t.get("751");
  view_.afterToLabel = t.get("752");
  view_.exitText = t.get("753");
  view_.changeColorTooltip = t.get("744") + " ...";
  view_.drawTooltip = t.get("1171");
  view_.clearTooltip = t.get("1172");
  view_.exitTooltip = t.get("753") + " ...";

  folder_ = locateDatabaseFolder(ui_, texts_.get("1183"), texts_.get("1181")).value_or("");
  if (!folder_.empty()) {
    for (int n = 1; n <= kDatabaseCount; ++n) {
      if (!isDatabaseUsed(folder_, n)) continue;
      try {
        if (const auto start = readStartDate(databasePath(folder_, n))) {
          view_.entries.push_back(chartRecordEntry(texts_, n, *start));
        }
      } catch (const DatabaseError& e) {
        ui_.message(readFailureText(texts_, n, e), std::string(measure::kAppTitle),
                    core::Icon::Error);
      }
    }
  }
  view_.listText = t.get(view_.entries.empty() ? "755" : "754");
  setDrawAll(true);
}

bool ChartRecord::enterFolder() {
  return enterDatabaseFolder(ui_, folder_, texts_.get("1185"), texts_.get("1181"));
}

std::optional<ReadingRows> ChartRecord::rowsOf(int n) {
  try {
    Database db;
    openReadingDatabase(db, databasePath(folder_, n));
    return readingRows(db);
  } catch (const DatabaseError& e) {
    ui_.message(readFailureText(texts_, n, e), std::string(measure::kAppTitle), core::Icon::Error);
    return std::nullopt;
  }
}

void ChartRecord::chooseDatabase(int index) {
  if (index < 0 || index >= static_cast<int>(view_.entries.size())) return;
  view_.currentEntry = index;
  if (!enterFolder()) return;
  const core::WaitCursor wait(ui_);
  selected_ = entryDatabaseNumber(view_.entries[index]);
  rows_.reset();
  view_.drawEnabled = true;
  if (!isDatabaseNumber(selected_) || !isDatabaseUsed(folder_, selected_)) return;
  try {
    Database db;
    openReadingDatabase(db, databasePath(folder_, selected_));
    ForwardCursor counted = db.openForwardOnly(Query::readingCount());
    if (counted.next()) {
      view_.countText = core::format("%lld", counted.integer(0));
    } else {
      ui_.message(texts_.get("727"), std::string(measure::kAppTitle), core::Icon::None);
    }
    counted.close();
    rows_ = readingRows(db);
  } catch (const DatabaseError& e) {
    ui_.message(readFailureText(texts_, selected_, e), std::string(measure::kAppTitle),
                core::Icon::Error);
  }
}

void ChartRecord::setDrawAll(bool all) {
  view_.drawAll = all;
  view_.fromToEnabled = !all;
}

std::optional<ChartTrace> ChartRecord::draw(int width, int height) {
  const long long n = core::leadingInteger(view_.countText);
  const core::WaitCursor wait(ui_);
  if (!enterFolder()) return std::nullopt;
  view_.chartDrawn = false;
  if (!isDatabaseNumber(selected_) || !isDatabaseUsed(folder_, selected_)) return std::nullopt;

  const std::string title(measure::kAppTitle);
  long long first = 1;
  long long last = n;
  if (!view_.drawAll) {
    long long a = core::leadingInteger(view_.fromText);
    long long b = core::leadingInteger(view_.toText);
    if (a <= 0 || b <= 0 || a == b) {
      ui_.message(texts_.get("766"), texts_.get("1180"), core::Icon::Error);
      return std::nullopt;
    }
    if (a > n || b > n) {
      ui_.message(texts_.get("767"), texts_.get("1180"), core::Icon::Error);
      return std::nullopt;
    }
    if (a > b) std::swap(a, b);
    first = a;
    last = b;
  } else if (n <= 0) {
    // An empty table has nothing to draw.
    ui_.message(texts_.get("727"), title, core::Icon::None);
    return std::nullopt;
  }
  const long long lastX = last - first;
  view_.sliderMaximum = static_cast<int>(lastX);

  if (!rows_) rows_ = rowsOf(selected_);
  if (!rows_) return std::nullopt;
  // A stretch wider than the picture is thinned per pixel column; the image is the same.
  ChartTraceBuilder builder(lastX, width, height, lastX > width);
  try {
    Database db;
    openReadingDatabase(db, databasePath(folder_, selected_));
    if (const auto row = readingRowIdAt(db, *rows_, first - 1)) {
      ForwardCursor values = db.openForwardOnly(Query::readingValuesFromRow(*row));
      for (long long i = 0; i <= lastX && values.next(); ++i) builder.add(values.number(0));
    }
  } catch (const DatabaseError& e) {
    ui_.message(readFailureText(texts_, selected_, e), title, core::Icon::Error);
    return std::nullopt;
  }
  ChartTrace trace = builder.finish();
  drawn_ = Drawn{view_.drawAll ? n : lastX, trace.firstValue, trace.scale, trace.mapping};
  view_.chartDrawn = true;
  return trace;
}

std::optional<ChartMarker> ChartRecord::slider(int position) {
  if (!view_.chartDrawn || !drawn_) return std::nullopt;
  if (!isDatabaseNumber(selected_) || !isDatabaseUsed(folder_, selected_)) return std::nullopt;
  // The stretch as the fields say now; when they no longer make one (edited to equal
  // numbers, or an empty count), the stretch last drawn.
  long long span = 0;
  long long offset = 0;
  if (view_.drawAll) {
    span = core::leadingInteger(view_.countText);
  } else {
    const long long from = core::leadingInteger(view_.fromText);
    const long long to = core::leadingInteger(view_.toText);
    span = std::llabs(to - from);
    offset = std::min(from, to) - 1;
  }
  if (span <= 0) span = drawn_->span;

  if (!rows_) rows_ = rowsOf(selected_);
  if (!rows_ || rows_->count == 0) return std::nullopt;
  long long at = position + offset;
  at = std::clamp(at, 0LL, rows_->count - 1);  // past the end: the last record
  double value = 0;
  std::optional<DateTime> start;
  try {
    Database db;
    openReadingDatabase(db, databasePath(folder_, selected_));
    const auto row = readingRowIdAt(db, *rows_, at);
    if (!row) return std::nullopt;
    ForwardCursor marked = db.openForwardOnly(Query::readingWithStartDateAt(*row));
    if (!marked.next()) return std::nullopt;
    value = marked.number(0);
    start = DateTime::parse(marked.text(2));
  } catch (const DatabaseError&) {
    return std::nullopt;  // the picture keeps its trace; a later move tries again
  }
  view_.recordText = core::format("%lld", position + offset + 1);
  view_.valueText = fixedText(value, 15);
  view_.dateText = start ? startDateText(*start) : std::string();
  // The marker stands on the trace point of the marked record.
  return chartMarker(span, position, logicalY(value, drawn_->firstValue, drawn_->scale),
                     drawn_->mapping);
}

void ChartRecord::clear() { view_.chartDrawn = false; }

bool ChartRecord::changeColor() {
  const std::optional<core::Color> picked = ui_.pickColor(core::Color{0, 0, 0});
  if (!picked) return false;
  view_.drawColor = *picked;
  return true;
}

}  // namespace records
