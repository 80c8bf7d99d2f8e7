#include "addin/summary_block.h"

namespace addin {

const SummaryCells& summaryCells(int chartKind) {
  static const SummaryCells kinds[] = {
      {"F4", nullptr, "F5", "F6", "F7", "F8"},
      {"F4", "F6", "F10", "F11", "F12", "F13"},
      {"G4", nullptr, "G11", "G12", "G7", "G8"},
      {"G4", "G6", "G15", "G16", "G11", "G12"},
  };
  return kinds[chartKind >= 0 && chartKind <= 3 ? chartKind : 0];
}

}  // namespace addin
