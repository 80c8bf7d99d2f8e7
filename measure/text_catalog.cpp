#include "measure/text_catalog.h"

#include <algorithm>
#include <array>

namespace measure {
namespace {

// Keys are compared as numbers so that "003" < "501" < "1000".
constexpr bool keyLess(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return a.size() < b.size();
  return a < b;
}

constexpr std::array kCatalog = std::to_array<CatalogEntry>({
    // Shared dialog button.
    {"003", "OK"},
    // Front panel: labels, function names and the entries of its run-time lists.
    {"501", "Devices and Interfaces"},
    {"503", "Read Speed:"},
    {"504", "Dots:"},
    {"505", "Max:"},
    {"506", "Current:"},
    {"507", "Min:"},
    {"511", "CH1"},
    {"512", "CH2"},
    {"513", "Level"},
    {"514", "Slope"},
    {"515", "Sens"},
    {"516", "Coupl"},
    {"517", "Imped"},
    {"518", "x10 Atten"},
    {"519", "100k Filter"},
    {"520", "CH3"},
    {"531", "Auto"},
    {"532", "Absolute"},
    {"533", "Pos"},
    {"534", "Neg"},
    {"535", "High"},
    {"536", "Middle"},
    {"537", "Low"},
    {"538", "AC"},
    {"539", "DC"},
    {"540", "1M ohm"},
    {"541", "50 ohm"},
    {"551", "About"},
    {"552", "Language"},
    {"581", "Freq"},
    {"582", "Ratio"},
    {"583", "Period"},
    {"584", "Edge"},
    {"585", "Width"},
    {"586", "Intval"},
    {"587", "Rise"},
    {"588", "Fall"},
    {"589", "Volt"},
    {"590", "Mode"},
    {"591", "Show"},
    {"592", "Slow"},
    {"593", "Fast"},
    {"594", "Phase 1to2"},
    {"595", "Duty Cycle"},
    {"596", "Total CH1"},
    {"597", "TimeBase"},
    {"598", "Auto"},
    {"599", "Int"},
    {"600", "Ext"},
    {"601", "Gate"},
    {"602", "Time"},
    {"604", "START"},
    {"605", "STOP"},
    {"606", "Upper"},
    {"607", "Lower"},
    {"608", "*OUT"},
    {"609", "Scale"},
    {"610", "Offset"},
    {"628", "OnFail"},
    {"629", "Go on"},
    {"631", "1_to_2"},
    {"632", "1_to_3"},
    {"633", "2_to_1"},
    {"634", "3_to_1"},
    {"635", "Vpp"},
    {"636", "Vmax"},
    {"637", "Vmin"},
    {"638", "Vc"},
    {"641", "Set Limit"},
    {"642", "Set Scale/Offset"},
    // Menu bar: "6%d1" titles and "6%d%d" entries (the Setting menu's separator takes 653).
    {"651", "Setting"},
    {"652", "Setting Mode"},
    {"654", "Refresh"},
    {"655", "TCPIP Addresses"},
    {"661", "Record"},
    {"662", "View Record"},
    {"663", "Chart Record"},
    {"671", "Operation"},
    {"672", "Run Start"},
    {"673", "Run Stop"},
    {"681", "Tool"},
    {"682", "Command Control"},
    {"691", "Help"},
    {"692", "About"},
    // Setting Mode dialog.
    {"701", "Draw Color"},
    {"702", "Change Color"},
    {"703", "Save"},
    {"704", "Please select a Database."},
    // View Record dialog.
    {"711", "View Record"},
    {"712", "Database List"},
    {"713", "Refresh"},
    {"714", "Delete Record"},
    {"715", "Output to CSV"},
    {"716", "Record Contents"},
    {"717", "Record count :"},
    {"718", "MAX :"},
    {"719", "MIN :"},
    {"720", "AVG :"},
    {"721", "Data Filter"},
    {"722", "HI Limiter"},
    {"723", "LO Limiter"},
    {"724", "Range browsing"},
    {"725", "Search"},
    {"726", "Exit"},
    {"727", "No data in file"},
    {"728", "Are you sure want to delete this Database ?"},
    {"729", "Please input a valid value."},
    {"730", "Please re-enter a valid range."},
    {"731", "Please narrow the searching range."},
    // Chart Record dialog.
    {"741", "Chart Record"},
    {"742", "Setting"},
    {"743", "Draw Color:"},
    {"744", "Change Color"},
    {"745", "Record Count:"},
    {"746", "Division"},
    {"747", "Draw Chart"},
    {"748", "Clear"},
    {"749", "Drawing with all"},
    {"750", "Drawing data from"},
    {"751", "to"},
    {"752", ""},
    {"753", "Exit"},
    {"754", "Please select a Database."},
    {"755", "Database does not found."},
    {"766", "Input Data Error! Please re-enter."},
    {"767", "Out of range! Please re-enter."},
    // Absolute trigger level out of range at Run Start.
    {"768", "Out of range! Please re-enter a Level's value between (-5.125) to 5.125."},
    {"769", "Out of range! Please re-enter a Level's value between (-51.25) to 51.25."},
    // Command Control dialog.
    {"771", "No Device Connected"},
    {"772", "Command Control"},
    {"773", "Send String :"},
    {"774", "String Received :"},
    {"775", "Query"},
    {"776", "Write"},
    {"777", "Read"},
    // Stop conditions, run counters, measurement caption and delay lists.
    {"801", "Stop Time"},
    {"802", "Stop After N count"},
    {"803", "Elapsed:"},
    {"804", "Count:"},
    {"805", "STDEV:"},
    {"806", "Measurement"},
    {"807", "None"},
    {"808", "Event"},
    // Messages of the Setting Mode dialog.
    {"902", "The Database has been used,please select another one."},
    {"903",
     "All Databases have been used.Please open the \"View Record\" dialog\nand delete the used "
     "Databases first."},
    // Run Start without an instrument.
    {"1000", "No Device Connected"},
    // Stability dialog, its menu entry, and the run settings shown by View Record.
    {"1200", "Stability"},
    {"1201", "Database List"},
    {"1202", "Statistic"},
    {"1203", "Tau"},
    {"1204", "All"},
    {"1205", "Octave"},
    {"1206", "Decade"},
    {"1207", "Readings are"},
    {"1208", "Frequency"},
    {"1209", "Period"},
    {"1210", "Fractional frequency"},
    {"1211", "Phase (time error)"},
    {"1212", "Nominal (blank: mean)"},
    {"1213", "tau0 (s)"},
    {"1214", "Compute"},
    {"1215", "Output to CSV"},
    {"1216", "Exit"},
    {"1217", "Readings:"},
    {"1218", "Gaps:"},
    {"1219", "Noise"},
    {"1220", "Too few readings are measurements to analyse."},
    {"1221", "Please enter tau0, the time between readings, in seconds."},
    {"1222", "Please choose at least one statistic."},
    {"1223", "Please enter a positive nominal value, or leave it empty to use the mean."},
    {"1224", "White PM"},
    {"1225", "Flicker PM"},
    {"1226", "White FM"},
    {"1227", "Flicker FM"},
    {"1228", "Random walk FM"},
    {"1229", "Flicker walk FM"},
    {"1230", "Random run FM"},
    {"1231", "Run settings"},
    {"1232", "Model:"},
    {"1233", "Instrument:"},
    {"1234", "Function:"},
    {"1235", "Read Speed:"},
    {"1236", "Started:"},
    {"1237", "Version:"},
    {"1238", "Commands:"},
    {"1239", "No settings were stored with this recording."},
    {"1240", "from the stored Read Speed"},
    {"1241", "Output to CSV completed."},
    {"1242", "Confidence 68.3 % (white FM)"},
});

constexpr bool strictlyAscending() {
  for (std::size_t i = 1; i < kCatalog.size(); ++i) {
    if (!keyLess(kCatalog[i - 1].key, kCatalog[i].key)) return false;
  }
  return true;
}
static_assert(strictlyAscending(), "catalogue keys must be unique and in ascending numeric order");

}  // namespace

std::span<const CatalogEntry> textCatalog() { return kCatalog; }

std::optional<std::string_view> catalogDefault(std::string_view key) {
  const auto it =
      std::lower_bound(kCatalog.begin(), kCatalog.end(), key,
                       [](const CatalogEntry& e, std::string_view k) { return keyLess(e.key, k); });
  if (it == kCatalog.end() || it->key != key) return std::nullopt;
  return it->english;
}

}  // namespace measure
