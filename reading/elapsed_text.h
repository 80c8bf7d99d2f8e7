#pragma once
// The "Elapsed :" text of a run: days, hours, minutes and seconds, leading zero parts left out
// ("5s", "2m:5s", "1h:0m:7s", "2d:0h:0m:3s").

#include <string>

namespace reading {

std::string elapsedText(long long seconds);

}  // namespace reading
