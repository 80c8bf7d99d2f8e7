#pragma once
// The frequency-stability statistics over tau = m * tau0 on a phase series: Allan deviation
// (ADEV) and its overlapping form (OADEV), modified Allan deviation (MDEV), time deviation
// (TDEV), Hadamard deviation (HDEV) and its overlapping form (OHDEV), and total deviation
// (TOTDEV), as defined in NIST Special Publication 1065.
//
// Each statistic is a mean of squared terms; a term that touches a gap is left out and the
// mean is taken over the terms used. Every statistic costs one pass over the phase array per
// tau (sliding sums, no copies).

#include <cstddef>
#include <optional>
#include <string_view>
#include <vector>

#include "stability/series.h"

namespace stability {

enum class Statistic { Adev, Oadev, Mdev, Tdev, Hdev, Ohdev, Totdev };

inline constexpr Statistic kAllStatistics[] = {Statistic::Adev,  Statistic::Oadev, Statistic::Mdev,
                                               Statistic::Tdev,  Statistic::Hdev,  Statistic::Ohdev,
                                               Statistic::Totdev};

std::string_view statisticName(Statistic s);   // "adev", "oadev", ...
std::string_view statisticLabel(Statistic s);  // "ADEV", "OADEV", ...
std::optional<Statistic> parseStatistic(std::string_view name);

// The largest averaging factor m a statistic has a term for on `points` phase points (0 when
// none): ADEV, OADEV and TOTDEV up to (points - 1) / 2, HDEV and OHDEV (points - 1) / 3, MDEV
// and TDEV points / 3.
std::size_t maxAveragingFactor(Statistic s, std::size_t points);

enum class TauSet {
  All,     // every m from 1
  Octave,  // 1, 2, 4, 8, ...
  Decade,  // 1, 2, 4, 10, 20, 40, 100, ...
};
std::string_view tauSetName(TauSet set);
std::optional<TauSet> parseTauSet(std::string_view name);

// The averaging factors of `set` from 1 to `maxM`, ascending.
std::vector<std::size_t> averagingFactors(TauSet set, std::size_t maxM);

struct Deviation {
  double sigma = 0.0;        // NaN when no term could be used
  std::size_t terms = 0;     // terms used
  std::size_t possible = 0;  // terms there would be without gaps
};

// Statistic `s` at tau = m * tau0. m must be at least 1; an m beyond maxAveragingFactor gives
// no terms.
Deviation deviation(const PhaseSeries& series, Statistic s, std::size_t m);

}  // namespace stability
