#include "addin/forms/form_texts.h"

#include <cstring>

namespace addin::forms {

const std::vector<FormText>& formTexts() {
  static const std::vector<FormText> texts = {
      // About
      {"101", "About ORVALENT V38XX Tallyway"},
      {"102", "ORVALENT V38XX Tallyway"},
      {"103", "Version"},
      {"104",
       "Logs readings of V38XX frequency counters into LibreOffice Calc: rows of time and "
       "value, running statistics, a strip chart and a histogram."},
      {"105", "Language"},
      {"106", "~Help"},
      {"107", "OK"},
      // Connect to Device
      {"201", "Connect to Device"},
      {"202", "LAN addresses to look at (one VISA resource name per line):"},
      {"203", "~Find"},
      {"204", "C~lose"},
      {"205", "Connected to:"},
      {"206", "not connected"},
      {"208", "Identified Instruments on My Computer"},
      {"209", "Instrument"},
      {"210", "Name"},
      {"211", "Manufacturer"},
      {"212", "Address"},
      {"213", "~Connect"},
      {"214", "~Disconnect"},
      {"215", "No V38XX counter was found."},
      // File Access
      {"301", "File Access"},
      {"302", "~New logging sheet"},
      {"303", "~Open workbook..."},
      {"304", "~Save workbook as..."},
      {"305", "Sheet for the chart kind:"},
      {"306", "C~lose"},
      {"308", "The workbook was saved:"},
      {"309",
       "A workbook saved as .xlsx keeps the charts, names and formulas but not the "
       "scroll bars; .ods keeps everything; .csv keeps only this sheet's values."},
      // Set up Instrument
      {"401", "Set up Instrument"},
      {"402", "Function"},
      {"403", "Input"},
      {"404", "Gate time (s)"},
      {"405", "~Send"},
      {"406", "C~lose"},
      {"407", "Connect to a counter first (Connect to Device)."},
      {"408", "Sent to the counter:"},
      {"409", "The counter did not take the settings:"},
      {"411", "Frequency"},
      {"412", "Ratio"},
      {"413", "Period"},
      {"414", "Rise/Fall Time"},
      {"415", "Pulse Width"},
      {"416", "Time Interval"},
      {"417", "Voltage"},
      {"418", "Phase"},
      {"419", "Duty Cycle"},
      {"420", "Totalize"},
      {"421", "The gate time must be a number of seconds."},
      // Get Single Reading
      {"451", "The counter gave no reading:"},
      {"452", "Select a cell of a sheet for the reading."},
      // Logging Charts
      {"501", "Logging Charts"},
      {"502", "Number of readings"},
      {"503", "Interval (ms)"},
      {"504", "Start"},
      {"505", "At once"},
      {"506", "At this date and time"},
      {"507", "On the external trigger"},
      {"508", "End"},
      {"509", "After the number of readings"},
      {"510", "After the stop time"},
      {"511", "When I press STOP"},
      {"512", "Stop time (hh:mm:ss)"},
      {"513", "Chart"},
      {"514", "None"},
      {"515", "Strip chart"},
      {"516", "Histogram"},
      {"517", "Strip chart and histogram"},
      {"518", "Charts in the sheet"},
      {"519", "Histogram"},
      {"520", "Automatic minimum"},
      {"521", "Automatic maximum"},
      {"522", "Minimum"},
      {"523", "Maximum"},
      {"524", "Number of bins"},
      {"525", "OK"},
      {"526", "Cancel"},
      {"527", "The number of readings must be a whole number from 1 to 1048575."},
      {"528", "The interval must be a whole number of milliseconds from 100 to 86400000."},
      {"529", "The stop time must be hh:mm:ss, hours up to 546."},
      {"530", "The start must be a date and time yyyy/mm/dd hh:mm:ss."},
      {"531", "A fixed limit must be a number."},
      {"532", "The number of bins must be a whole number from 1 to 32767."},
      {"533", "Start date and time (yyyy/mm/dd hh:mm:ss)"},
      // Toolbar commands
      {"601", "A run is already logging; stop it first."},
      {"602",
       "START logs into a Calc spreadsheet: open one (File Access) and press START in its window."},
  };
  return texts;
}

Texts::Texts(Server& server) : server_(&server), settings_(!server.GetINI().empty()) {}

std::string Texts::operator()(const char* id) const {
  const char* english = id;
  for (const FormText& t : formTexts())
    if (std::strcmp(t.id, id) == 0) english = t.english;
  if (!settings_) return english;
  const std::string text = server_->GetIdText(id);
  return text.empty() || text == id ? english : text;
}

}  // namespace addin::forms
