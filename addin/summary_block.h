#pragma once
// Where a logging run writes its running statistics, by chart kind: column F beside the data for
// no chart and the strip chart, column G for the histogram (whose bins take columns C to E).

namespace addin {

struct SummaryCells {
  const char* count;
  const char* stripCount;  // the strip chart's count cell, or null
  const char* standardDeviation;
  const char* average;
  const char* minimum;
  const char* maximum;
};

// The cells of chart kind 0 (none), 1 (strip chart), 2 (histogram) or 3 (both); any other kind
// writes where kind 0 does.
const SummaryCells& summaryCells(int chartKind);

}  // namespace addin
