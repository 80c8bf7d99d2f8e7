#include "records/chart_pyramid.h"

#include <algorithm>

#include "records/reading_summary.h"

namespace records {

namespace {

// Covers positions [first, end) with blocks of `level` and finer, adding their extremes.
void cover(PyramidSource& source, long long first, long long end, int level, MinMax& out) {
  while (first < end) {
    if (level == 0) {
      out.add(source.readings(first, end - 1));
      return;
    }
    const long long size = kPyramidBlocks[static_cast<size_t>(level - 1)];
    // Whole blocks inside the range, and only those the recording has completed.
    const long long lo = (first + size - 1) / size;
    const long long hi = std::min(end / size, source.count() / size);
    if (lo >= hi) {
      --level;
      continue;
    }
    out.add(source.blocks(level, lo, hi - 1));
    cover(source, first, lo * size, level - 1, out);
    first = hi * size;
    --level;
  }
}

// The smallest x at or after `from` whose pixel column is beyond `column`.
long long nextColumnStart(const ChartMapping& m, long long from, int column, long long lastX) {
  // An estimate from the inverse mapping, then corrected by the mapping itself.
  long long x = static_cast<long long>((column + 0.5) / m.scaleX());
  x = std::clamp(x, from, lastX + 1);
  while (x > from && m.deviceX(static_cast<double>(x - 1)) > column) --x;
  while (x <= lastX && m.deviceX(static_cast<double>(x)) <= column) ++x;
  return x;
}

}  // namespace

void MinMax::add(double value) {
  if (empty) {
    low = high = value;
    empty = false;
    return;
  }
  low = std::min(low, value);
  high = std::max(high, value);
}

void MinMax::add(const MinMax& other) {
  if (other.empty) return;
  add(other.low);
  add(other.high);
}

MinMax pyramidRange(PyramidSource& source, long long first, long long last) {
  MinMax out;
  const long long end = std::min(last + 1, source.count());
  if (first < 0 || first >= end) return out;
  int level = kPyramidLevels;
  while (level > 0 && kPyramidBlocks[static_cast<size_t>(level - 1)] > end - first) --level;
  cover(source, first, end, level, out);
  return out;
}

bool worthDrawingFromPyramid(long long lastX, int width) {
  return width > 0 && lastX + 1 >= 2 * kPyramidBlocks[0] * static_cast<long long>(width);
}

ChartTrace pyramidTrace(PyramidSource& source, long long first, long long lastX, int width,
                        int height) {
  ChartTrace trace;
  trace.lastX = lastX;
  trace.thinned = true;
  const long long last = std::min(first + lastX, source.count() - 1);
  if (first < 0 || last < first) {
    trace.mapping = chartMapping(static_cast<double>(lastX), 0, 1, width, height);
    return trace;
  }
  trace.valuesRead = last - first + 1;
  const ChartMapping columns = chartMapping(static_cast<double>(lastX), 0, 1, width, height);

  // Per pixel column: its first and last x, lowest and highest reading, first and last one.
  struct Column {
    long long a = 0, b = 0;
    double first = 0, last = 0;
    MinMax range;
  };
  std::vector<Column> kept;
  kept.reserve(static_cast<size_t>(std::max(width, 0)) + 2);
  MinMax all;
  for (long long x = 0; x <= last - first;) {
    const int device = columns.deviceX(static_cast<double>(x));
    const long long next = std::min(nextColumnStart(columns, x, device, lastX), last - first + 1);
    Column c;
    c.a = x;
    c.b = next - 1;
    c.first = source.reading(first + c.a);
    c.last = c.b == c.a ? c.first : source.reading(first + c.b);
    c.range = pyramidRange(source, first + c.a, first + c.b);
    all.add(c.range);
    kept.push_back(c);
    x = next;
  }

  trace.firstValue = kept.front().first;
  trace.maximum = all.high;
  trace.minimum = all.low;
  trace.range = trace.maximum - trace.minimum;
  trace.scale = chartScale(trace.range);
  trace.mapping = chartMapping(static_cast<double>(lastX), trace.range, trace.scale, width, height);
  const auto point = [&](long long x, double value) {
    return ChartPoint{static_cast<double>(x), chartLogicalY(value, trace.firstValue, trace.scale)};
  };
  trace.points.reserve(kept.size() * 4);
  for (const Column& c : kept) {
    trace.points.push_back(point(c.a, c.first));
    if (c.a == c.b) continue;
    // The column's extremes stand in its first x: every x of a column maps to the same pixel
    // column, and the lines between them cover exactly the rows from its lowest to its
    // highest reading, as the lines between all its readings do.
    trace.points.push_back(point(c.a, c.range.low));
    trace.points.push_back(point(c.a, c.range.high));
    trace.points.push_back(point(c.b, c.last));
  }
  return trace;
}

// ---- MemoryPyramid -------------------------------------------------------------------------

MemoryPyramid::MemoryPyramid(std::span<const double> values) : values_(values) {
  levels_.resize(kPyramidBlocks.size());
  // Level 1 from the readings, each further level from 16 blocks of the level below.
  for (size_t b = 0; (b + 1) * kPyramidBlocks[0] <= values.size(); ++b) {
    MinMax m;
    for (size_t i = 0; i < static_cast<size_t>(kPyramidBlocks[0]); ++i) {
      m.add(values[b * kPyramidBlocks[0] + i]);
    }
    levels_[0].push_back(m);
  }
  for (size_t k = 1; k < levels_.size(); ++k) {
    const size_t fan = static_cast<size_t>(kPyramidBlocks[k] / kPyramidBlocks[k - 1]);
    for (size_t b = 0; (b + 1) * fan <= levels_[k - 1].size(); ++b) {
      MinMax m;
      for (size_t i = 0; i < fan; ++i) m.add(levels_[k - 1][b * fan + i]);
      levels_[k].push_back(m);
    }
  }
}

MinMax MemoryPyramid::blocks(int level, long long first, long long last) {
  MinMax m;
  const std::vector<MinMax>& blocks = levels_.at(static_cast<size_t>(level - 1));
  for (long long b = first; b <= last; ++b) m.add(blocks.at(static_cast<size_t>(b)));
  blocksRead_ += last - first + 1;
  return m;
}

MinMax MemoryPyramid::readings(long long first, long long last) {
  MinMax m;
  for (long long i = first; i <= last; ++i) m.add(values_[static_cast<size_t>(i)]);
  readingsRead_ += last - first + 1;
  return m;
}

}  // namespace records
