#pragma once
// Spreadsheet date-time serial numbers: whole days since 1899-12-30 plus the time of day as a
// fraction, in local time, as Calc and Excel store dates.

#include <array>
#include <chrono>
#include <optional>
#include <string>

namespace addin {

// The serial number of a local calendar date and time.
double dateTimeSerial(int year, int month, int day, int hour, int minute, double second);

// The serial number of a moment, in the local time zone, with its milliseconds.
double dateTimeSerial(std::chrono::system_clock::time_point t);

// A date and time typed by the user or stored in the settings: "yyyy/mm/dd hh:nn:ss" or
// "yyyy-mm-dd hh:nn:ss", seconds or the whole time optional. nullopt for anything else,
// including impossible dates (2026/02/30) and times (25:00).
std::optional<double> parseDateTime(const std::string& text);

// Hours, minutes and seconds of a stop time "HH:MM:SS" (whole numbers, hours up to 546, minutes
// and seconds below 60); nullopt for anything else.
std::optional<std::array<int, 3>> parseStopTime(const std::string& text);

}  // namespace addin
