#include "reading/value_format.h"

#include <cmath>

#include "core/text_format.h"

namespace reading {
namespace {

bool knownModel(std::string_view modelCode) { return modelCode == "3800" || modelCode == "3820"; }

bool isTimeFunction(int code) { return code >= 11 && code <= 14; }

// Decimals and unit word of the current-value and max/min labels.
struct FunctionFormat {
  const char* decimals;
  const char* unit;  // "" for the functions without a unit
};

FunctionFormat functionFormat(int code) {
  switch (code) {
    case 0:
      return {"%.10f", "Hz"};
    case 10:
      return {"%.11f", ""};
    case 11:
      return {"%.13f", "Sec"};
    case 12:
    case 13:
    case 14:
      return {"%.4f", "Sec"};
    case 31:
      return {"%.4f", "Deg"};
    case 32:
      return {"%.4f", ""};
    case 2:
      return {"%.3f", "V"};
    case 33:
      return {"%.3f", ""};
    default:
      return {"%.13f", ""};
  }
}

// Engineering prefix of a decimal exponent (magnitude `e`, sign of the exponent).
const char* prefixFor(int e, bool positiveExponent) {
  static const char* const kPositive[] = {"", " K", " M", " G", " T", " P"};
  static const char* const kNegative[] = {"", " m", " u", " n", " p", " f"};
  const int row = e / 3 < 5 ? e / 3 : 5;
  return positiveExponent ? kPositive[row] : kNegative[row];
}

// The mantissa shown in the prefix's unit: m x 10^(e mod 3), or m / 10^(e mod 3) for a
// negative exponent (so 2.5E-7 shows as 0.25 u).
double scaledMantissa(double m, int e, bool positiveExponent) {
  const int rest = e % 3;
  const double factor = rest == 0 ? 1.0 : (rest == 1 ? 10.0 : 100.0);
  return positiveExponent ? m * factor : m / factor;
}

// A value split into the counter's exponent form: |x| = m x 10^(+-e).
struct Normalised {
  std::string text;  // "%.20f" of m followed by the exponent, e.g. "1.50025...E+003"
  double mantissa = 0;
  int exponent = 0;
  bool positiveExponent = true;
};

Normalised normalise(double x) {
  Normalised n;
  int e = 0;
  std::string exponentText;
  if (x >= 10) {
    while (x >= 10) x *= 0.1, ++e;
    exponentText = core::format(e < 10 ? "E+00%d" : "E+0%d", e);
  } else if (x < 1) {
    while (x < 1) x *= 10, ++e;
    exponentText = core::format(e < 10 ? "E-00%d" : "E-0%d", e);
    n.positiveExponent = false;
  } else {
    exponentText = "E+000";
  }
  const std::string mantissaText = core::format("%.20f", x);
  n.text = mantissaText + exponentText;
  // The mantissa is read back from its printed form, as the label always showed it.
  n.mantissa = core::leadingDouble(mantissaText);
  n.exponent = e;
  return n;
}

enum class Style { MaxMin, Stdev };

std::string zeroText(Style style, std::string_view modelCode, int code) {
  if (!knownModel(modelCode)) return "0";
  if (style == Style::MaxMin) {
    if (code == 0) return "0  Hz";
    if (isTimeFunction(code)) return "0  Sec";
    if (code == 2) return "0  V";
    if (code == 31) return "0  Deg";
    return "0";
  }
  const bool full = modelCode == "3800";
  if (code == 0) return full ? "0  Hz" : "0 Hz";
  if (isTimeFunction(code)) return "0 Sec";
  if (code == 2) return "0 V";
  if (code == 31 && full) return "0 Deg";
  return "0";
}

std::string unitText(Style style, int code) {
  const std::string unit = functionFormat(code).unit;
  if (unit.empty()) return "";
  if (style == Style::MaxMin || code == 31) return "  " + unit;
  return unit;  // the standard deviation's unit follows the prefix or number directly
}

std::string formatDecimal(std::string_view decimalText, std::string_view modelCode, int code,
                          Style style) {
  double x = core::leadingDouble(decimalText);
  if (x == 0) return zeroText(style, modelCode, code);
  const bool negative = x < 0;
  if (negative) x = -x;
  const std::string sign = negative ? "-" : "";
  // A value beyond the double range would never leave the normalisation loop.
  if (!std::isfinite(x)) {
    return sign + "inf" + (knownModel(modelCode) ? unitText(style, code) : "");
  }
  const Normalised n = normalise(x);
  if (!knownModel(modelCode)) return sign + n.text;
  const char* decimals = style == Style::Stdev ? "%.6f" : functionFormat(code).decimals;
  const double shown = scaledMantissa(n.mantissa, n.exponent, n.positiveExponent);
  return sign + core::format(decimals, shown) + prefixFor(n.exponent, n.positiveExponent) +
         unitText(style, code);
}

}  // namespace

std::string FormatCurrent(std::string_view answer, std::string_view modelCode, int functionCode) {
  if (!knownModel(modelCode)) return std::string(answer);
  double mantissa = 0;
  int e = 0;
  bool positiveExponent = true;
  const std::size_t mark = answer.find_first_of("Ee");
  if (mark != std::string_view::npos) {
    mantissa = core::leadingDouble(answer.substr(0, mark));
    std::size_t i = mark + 1;
    if (i < answer.size() && (answer[i] == '+' || answer[i] == '-')) {
      positiveExponent = answer[i] == '+';
      ++i;
    }
    // The exponent's own digits (the counter writes three); a line feed or anything else
    // after them ends it.
    for (; i < answer.size() && answer[i] >= '0' && answer[i] <= '9'; ++i) {
      if (e < 100000) e = e * 10 + (answer[i] - '0');
    }
  }
  const FunctionFormat format = functionFormat(functionCode);
  const std::string unit = *format.unit ? std::string(" ") + format.unit : "";
  return core::format(format.decimals, scaledMantissa(mantissa, e, positiveExponent)) +
         prefixFor(e, positiveExponent) + unit;
}

std::string FormatMaxMin(std::string_view decimalText, std::string_view modelCode,
                         int functionCode) {
  return formatDecimal(decimalText, modelCode, functionCode, Style::MaxMin);
}

std::string FormatStdev(std::string_view decimalText, std::string_view modelCode,
                        int functionCode) {
  return formatDecimal(decimalText, modelCode, functionCode, Style::Stdev);
}

}  // namespace reading
