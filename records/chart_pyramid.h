#pragma once
// Drawing a long stretch of readings from the min/max pyramid instead of from every reading.
// A thinned trace keeps, per pixel column, the column's first, lowest, highest and last
// reading (see chart_record.h); the pyramid gives a column's lowest and highest from the
// coarsest blocks that lie wholly inside the column, finer blocks at its edges and single
// readings only for what is left, so the picture is the one every reading would paint while
// the work grows with the picture's width, not with the stretch.

#include <span>
#include <vector>

#include "records/chart_record.h"

namespace records {

// The lowest and highest of some readings.
struct MinMax {
  double low = 0;
  double high = 0;
  bool empty = true;
  void add(double value);
  void add(const MinMax& other);
};

// What drawing from the pyramid reads of a recording. Positions count readings from 0 in
// stored order; blocks of level k (1 to 5) hold kPyramidBlocks[k - 1] readings each, block b
// starting at position b × that size.
class PyramidSource {
 public:
  virtual ~PyramidSource() = default;
  // Readings in the recording.
  virtual long long count() const = 0;
  // The lowest and highest reading of blocks [first, last] of `level`, all of them complete.
  virtual MinMax blocks(int level, long long first, long long last) = 0;
  // The lowest and highest of the readings at positions [first, last].
  virtual MinMax readings(long long first, long long last) = 0;
  // The reading at `position`.
  virtual double reading(long long position) = 0;
};

// The lowest and highest of the readings at positions [first, last], from the fewest blocks
// that cover them.
MinMax pyramidRange(PyramidSource& source, long long first, long long last);

// The trace of readings first … first + lastX in a picture `width` × `height`: the same
// geometry (first value, range, scale, mapping) as ChartTraceBuilder gives from every
// reading, and per pixel column the column's first, lowest, highest and last reading.
ChartTrace pyramidTrace(PyramidSource& source, long long first, long long lastX, int width,
                        int height);

// Whether a stretch of `lastX` + 1 readings is worth drawing from the pyramid: its pixel
// columns hold at least two of the finest blocks each.
bool worthDrawingFromPyramid(long long lastX, int width);

// A pyramid over readings held in memory, built the way the database's triggers build it
// (tests, previews).
class MemoryPyramid final : public PyramidSource {
 public:
  explicit MemoryPyramid(std::span<const double> values);
  long long count() const override { return static_cast<long long>(values_.size()); }
  MinMax blocks(int level, long long first, long long last) override;
  MinMax readings(long long first, long long last) override;
  double reading(long long position) override { return values_[static_cast<size_t>(position)]; }
  // Reads made so far: blocks and single readings.
  long long blocksRead() const { return blocksRead_; }
  long long readingsRead() const { return readingsRead_; }
  // The complete blocks of `level` (1 to 5).
  const std::vector<MinMax>& level(int level) const { return levels_[level - 1]; }

 private:
  std::span<const double> values_;
  std::vector<std::vector<MinMax>> levels_;
  long long blocksRead_ = 0;
  long long readingsRead_ = 0;
};

}  // namespace records
