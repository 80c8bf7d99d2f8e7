#pragma once
// The texts of the main window's value labels: the current reading ("Current : "), the run's
// maximum and minimum ("Max : ", "Min : ") and the standard deviation ("STDEV :"). Each scales
// the number to an engineering prefix (steps of 10^3), prints it with the decimals of the
// measurement function and appends the function's unit; the three differ in their input, their
// spacing and the decimals of the standard deviation.
//
// `modelCode` is the connected model ("3800", "3820"; "0" when none) and `functionCode` the
// running function code of the run (0 Freq, 10 Ratio, 11 Period, 12 Edge, 13 Width, 14 Intval,
// 2 Volt, 31 Phase 1to2, 32 Duty Cycle, 33 Total CH1).

#include <string>
#include <string_view>

namespace reading {

// The instrument's answer as read, e.g. "+1.23456789012E+006\n" -> "1.2345678901 M Hz".
// Without a known model the answer is shown unchanged.
std::string FormatCurrent(std::string_view answer, std::string_view modelCode, int functionCode);

// A value printed with "%.30lf", e.g. "1500.25..." -> "1.5002500000 K  Hz".
std::string FormatMaxMin(std::string_view decimalText, std::string_view modelCode,
                         int functionCode);

// A standard deviation printed with "%.30f", e.g. "1234.5..." -> "1.234500 KHz".
std::string FormatStdev(std::string_view decimalText, std::string_view modelCode, int functionCode);

}  // namespace reading
