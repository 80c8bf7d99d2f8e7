#pragma once
// A double printed like printf's "%.<decimals>f" (the exact binary value rounded half to
// even, a point whatever the locale), fast enough to write 100 million readings to a file.

#include <string>

namespace records {

// Appends `value` with `decimals` (0 to 30) fixed decimals.
void appendFixed(std::string& out, double value, int decimals);

}  // namespace records
