#pragma once
// Confidence intervals of the deviations: chi-squared with the equivalent degrees of freedom
// (edf) of white frequency noise.
//
// The edf of ADEV, OADEV, MDEV, TDEV, HDEV and OHDEV come from Greenhall's generalised
// algorithm (C. A. Greenhall and W. J. Riley, "Uncertainty of stability variances based on
// finite differences", 2003; NIST SP 1065 section 5.3.3) for alpha = 0; the edf of TOTDEV is
// Howe's 1.5 N / m for white FM (NIST SP 1065, table of TOTVAR edf). A series with gaps is
// taken as the shorter gap-free series that gives the same number of terms.

#include <cstddef>

#include "stability/deviation.h"

namespace stability {

// erf(1 / sqrt(2)): the interval of plus or minus one standard deviation.
inline constexpr double kOneSigmaConfidence = 0.6826894921370859;

// Greenhall's edf for a variance of difference order d (2 Allan, 3 Hadamard) at averaging
// factor m on n phase points, for the power-law noise S_y(f) ~ f^alpha (alpha from -4 to 2
// with alpha + 2d > 1). `overlapping`: stride 1 instead of m; `modified`: the modified form.
double greenhallEdf(int alpha, int d, double m, double n, bool overlapping, bool modified);

// The edf used for the interval of statistic `s` at averaging factor m with `terms` terms.
double whiteFmEdf(Statistic s, std::size_t m, std::size_t terms);

struct Interval {
  double lo = 0.0;
  double hi = 0.0;
};

// The two-sided interval of a deviation `sigma` with `edf` degrees of freedom at `confidence`
// (0..1): sigma * sqrt(edf / chi2(1 - p)) to sigma * sqrt(edf / chi2(p)), p = (1 - c) / 2.
Interval confidenceInterval(double sigma, double edf, double confidence = kOneSigmaConfidence);

}  // namespace stability
