#include "addin/log/log_options.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

#include "addin/date_time.h"
#include "core/text_format.h"
#include "sheet/file_formats.h"

namespace addin::log {

const char* const kLogHelp =
    R"(Usage: v38xx-log [OPTION]... --out FILE
Log readings of a V38XX frequency counter into a LibreOffice Calc workbook, as the spreadsheet
add-in "ORVALENT V38XX Tallyway" does: one row per reading (time and value), the running count,
standard deviation, average, minimum and maximum, and optionally a strip chart and a histogram.
A private headless LibreOffice is started for the run (or a running one is used with --office),
the workbook starts from the add-in's template, and it is saved when the run ends - also when it
ends on an error or on Ctrl+C.

Options:
  --resource NAME      VISA resource name of the counter, for example
                       TCPIP0::127.0.0.1::5025::SOCKET or USB0::0x2B7A::0x0ED8::SN::INSTR
                       (default: the first counter found)
  --interval MS        reading interval in milliseconds (default 1000)
  --readings N         stop after N readings
  --stop-time HH:MM:SS stop after this long (the number of readings it gives at the interval)
                       without --readings or --stop-time the run goes on until Ctrl+C
  --begin MODE         direct (default), waiting (start at --at) or trigger (start when the
                       counter's external arming input fires)
  --at "YYYY/MM/DD HH:MM:SS"
                       start date and time of a waiting run
  --chart KIND         0 no chart (default), 1 strip chart, 2 histogram, 3 both
  --in-sheet           put the charts into the sheet instead of sheets of their own
  --out FILE           workbook to write, .ods or .xlsx by its extension (repeatable)
  --office PIPE        use the running office that accepts on this UNO pipe
                       (soffice --accept="pipe,name=PIPE;urp;") instead of a private one
  --stop-waiting yes|no
                       answer to the question asked when a trigger run is stopped while the
                       counter still waits for its trigger (default: ask on the terminal, or
                       "no" without one)
  --quiet              no progress lines
  -h, --help           show this help and exit
  --version            show the version and exit

The counters are found as the front panel finds them (see visa.conf). The add-in's settings file
is $XDG_DATA_HOME/Orvalent/Counter/V38XX/CTR_TOOLV38XX.ini (copied from the installed one when
missing); the run's settings are saved there as the add-in saves them.

Exit status:
  0 when the run ended as asked, 1 when it ended on an error (the rows logged until then are
  saved), 2 for a mistake on the command line, 130 after Ctrl+C (rows saved).

Examples:
  v38xx-log --resource TCPIP0::127.0.0.1::5025::SOCKET --interval 100 --readings 100 \
            --chart 3 --in-sheet --out run.ods
)";

namespace {

bool wholeNumber(const std::string& text, long long low, long long high, long long* value) {
  if (text.empty() || text.size() > 12) return false;
  std::size_t start = text[0] == '-' ? 1 : 0;
  if (start == text.size() ||
      !std::all_of(text.begin() + static_cast<long>(start), text.end(),
                   [](char c) { return std::isdigit(static_cast<unsigned char>(c)); }))
    return false;
  *value = std::stoll(text);
  return *value >= low && *value <= high;
}

}  // namespace

std::string filterForOutput(const std::string& path) {
  const std::string filter = sheet::filterForFile(path);
  // A logging workbook is a whole workbook: .csv would keep one sheet's values only.
  return filter == "calc8" || filter == "Calc MS Excel 2007 XML" ? filter : std::string();
}

std::optional<LogOptions> parseLogOptions(const std::vector<std::string>& args,
                                          std::string* error) {
  LogOptions o;
  auto fail = [&](const std::string& why) -> std::optional<LogOptions> {
    if (error) *error = why;
    return std::nullopt;
  };
  for (std::size_t i = 0; i < args.size(); ++i) {
    std::string name = args[i];
    std::optional<std::string> inlineValue;
    if (name.rfind("--", 0) == 0 && name.find('=') != std::string::npos) {
      inlineValue = name.substr(name.find('=') + 1);
      name = name.substr(0, name.find('='));
    }
    auto value = [&]() -> std::optional<std::string> {
      if (inlineValue) return inlineValue;
      if (i + 1 >= args.size()) return std::nullopt;
      return args[++i];
    };
    long long number = 0;
    if (name == "-h" || name == "--help") {
      o.help = true;
    } else if (name == "--version") {
      o.version = true;
    } else if (name == "--in-sheet") {
      o.inSheet = true;
    } else if (name == "--quiet") {
      o.quiet = true;
    } else if (name == "--resource" || name == "--interval" || name == "--readings" ||
               name == "--stop-time" || name == "--begin" || name == "--at" || name == "--chart" ||
               name == "--out" || name == "--office" || name == "--stop-waiting") {
      const std::optional<std::string> v = value();
      if (!v) return fail(name + " needs a value");
      if (name == "--resource") {
        if (v->empty()) return fail("--resource needs a VISA resource name");
        o.resource = *v;
      } else if (name == "--interval") {
        if (!wholeNumber(*v, 1, 86400000, &number))
          return fail(
              "--interval must be a whole number of milliseconds from 1 to 86400000, not \"" + *v +
              "\"");
        o.intervalMs = static_cast<std::int32_t>(number);
      } else if (name == "--readings") {
        if (!wholeNumber(*v, 1, 1048575, &number))
          return fail(
              "--readings must be a whole number from 1 to 1048575 (the rows of a sheet), not \"" +
              *v + "\"");
        o.readings = static_cast<std::int32_t>(number);
      } else if (name == "--stop-time") {
        if (!parseStopTime(*v))
          return fail("--stop-time must be HH:MM:SS (hours up to 546), not \"" + *v + "\"");
        o.stopTime = *v;
      } else if (name == "--begin") {
        const std::string b = core::toLower(*v);
        if (b == "direct")
          o.begin = 1;
        else if (b == "waiting")
          o.begin = 2;
        else if (b == "trigger")
          o.begin = 3;
        else
          return fail("--begin must be direct, waiting or trigger, not \"" + *v + "\"");
      } else if (name == "--at") {
        if (!parseDateTime(*v))
          return fail("--at must be a date and time \"YYYY/MM/DD HH:MM:SS\", not \"" + *v + "\"");
        o.at = *v;
      } else if (name == "--chart") {
        if (!wholeNumber(*v, 0, 3, &number))
          return fail("--chart must be 0, 1, 2 or 3, not \"" + *v + "\"");
        o.chart = static_cast<std::int16_t>(number);
      } else if (name == "--out") {
        if (filterForOutput(*v).empty())
          return fail("--out " + *v + ": the workbook must end in .ods or .xlsx");
        o.outputs.push_back(*v);
      } else if (name == "--office") {
        o.office = *v;
      } else if (name == "--stop-waiting") {
        const std::string a = core::toLower(*v);
        if (a == "yes")
          o.stopWhileWaiting = true;
        else if (a == "no")
          o.stopWhileWaiting = false;
        else
          return fail("--stop-waiting must be yes or no, not \"" + *v + "\"");
      }
    } else {
      return fail("unknown option \"" + args[i] + "\" (see --help)");
    }
  }
  if (o.help || o.version) return o;
  if (o.readings && o.stopTime) return fail("give --readings or --stop-time, not both");
  if (o.begin == 2 && o.at.empty()) return fail("a waiting run (--begin waiting) needs --at");
  if (o.begin != 2 && !o.at.empty()) return fail("--at is only for --begin waiting");
  if (o.outputs.empty())
    return fail("say where the workbook goes with --out FILE.ods or FILE.xlsx");
  return o;
}

}  // namespace addin::log
