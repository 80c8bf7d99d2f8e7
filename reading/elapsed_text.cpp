#include "reading/elapsed_text.h"

#include "core/text_format.h"

namespace reading {

std::string elapsedText(long long seconds) {
  // A clock set back during a run shows no negative time.
  const long long e = seconds < 0 ? 0 : seconds;
  const long long days = e / 86400;
  const long long hours = e % 86400 / 3600;
  const long long minutes = e % 3600 / 60;
  const long long secs = e % 60;
  std::string text;
  if (days > 0) text += core::format("%lldd:", days);
  if (hours > 0)
    text += core::format("%lldh:", hours);
  else if (days > 0)
    text += "0h:";
  if (minutes > 0)
    text += core::format("%lldm:", minutes);
  else if (days > 0 || hours > 0)
    text += "0m:";
  text += core::format("%llds", secs);
  return text;
}

}  // namespace reading
