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
    // Readings that are no measurement, messages that name the counter and what it was doing.
    {"1100", "No signal"},
    {"1101",
     "The counter's answer is not a reading, so the run has been stopped. Nothing of it was "
     "stored or counted."},
    {"1102", "Answer: %s"},
    {"1103", "Counter: %s"},
    {"1104", "While reading the answer to %s."},
    // Run Start refusing a passed stop time or a field that holds no number.
    {"1105",
     "The stop time %s has already passed, so the run was not started.\nSet a later stop time "
     "or clear \"%s\"."},
    {"1106", "%s: \"%s\" is not a number. Please enter a number."},
    {"1107", "%s: please enter a number."},
    // Waiting for the counter; the console's read that timed out.
    {"1108", "Waiting for the counter's answer..."},
    {"1109", "No answer: the read timed out after %d ms."},
    // TCP/IP Address dialog.
    {"1110", "No V38XX counter answered at %s."},
    {"1111",
     "%s \"%s\" is not an IP address. Please enter four numbers from 0 to 255 separated by "
     "dots, for example 192.168.0.5."},
    {"1112", "Cancel"},
    {"1113",
     "Set the IP address manually to find the device(s) information via ethernet interface."},
    {"1114", "IP %d:"},
    // About box and the "About V38XX_AP" entry.
    {"1115", "About V38XX_AP(&A)..."},
    {"1116", "About Counter Tool"},
    {"1117", "Counter Tool for the V3800A and V3820A"},
    {"1118", "Version %s"},
    // Front panel: page keys, arming labels, statistics block, option lists and units.
    {"1119", "Freq Ratio"},
    {"1120", "Time && Period"},
    {"1121", "Other Meas"},
    {"1122", "Utility"},
    {"1123", "Gate && ExtArm"},
    {"1124", "Limit Modes"},
    {"1125", "Scale && Offset"},
    {"1126", "Start"},
    {"1127", "Stop"},
    {"1128", "Show"},
    {"1129", "N CNT"},
    {"1130", "Use"},
    {"1131", "Single"},
    {"1132", "Meas"},
    {"1133", "Stdev"},
    {"1134", "Mean"},
    {"1135", "Max"},
    {"1136", "Min"},
    {"1137", "All"},
    {"1138", "InLimit"},
    {"1139", "Once"},
    {"1140", "N"},
    {"1141", "Slop"},
    {"1142", "*ARM"},
    {"1143", "*Dely"},
    {"1144", "*Slop"},
    {"1145", "Stop*"},
    {"1146", "Slop*"},
    {"1147", "Dely*"},
    {"1148", "Com."},
    {"1149", "OFF"},
    {"1150", "ON"},
    {"1151", "(sec)"},
    {"1152", "sec"},
    {"1153", "Total_CH1"},
    // Front panel messages.
    {"1154", "Volt does not support Gate configure !"},
    {"1155", "Volt does not support Limit configure !"},
    {"1156", "Total_CH1 does not support Limit configure !"},
    {"1157", "Volt does not support Scale configure !"},
    {"1158", "Total_CH1 does not support Scale configure !"},
    {"1159", "Please enter an integer between 1 and 10000000."},
    {"1160", "Device Not Found"},
    {"1161", "Insufficient memory available(viWrite)."},
    {"1162", "Insufficient memory available(viRead)."},
    {"1163", "The upper limit of data records is 100 million."},
    {"1164",
     "The reading could not be stored in the database, so the run has been stopped.\nEvery "
     "reading stored before it is kept."},
    // Reading databases and their dialogs.
    {"1165", "Database %d"},
    {"1166", "Setting mode."},
    {"1167",
     " - Click the Colorpad to set the draw color.\n - Select the Database to save the "
     "reading data\n    from device."},
    {"1168", "Refresh Database list ..."},
    {"1169", "Delete Database ..."},
    {"1170", "Output record to CSV format ..."},
    {"1171", "Draw Chart ..."},
    {"1172", "Clear Chart ..."},
    {"1173", "Query command ..."},
    {"1174", "Write command to device ..."},
    {"1175", "Read data from device ..."},
    {"1176", "Reading"},
    {"1177", "Output to CSV completed."},
    {"1178", "Save As Error."},
    {"1179", "Error"},
    {"1180", "ERROR"},
    {"1181", "Database working folder not found."},
    {"1182", "Database folder check"},
    {"1183", "Database check"},
    {"1184", "RecordView Database folder check"},
    {"1185", "DrawRecord Database folder check"},
    {"1186",
     "The Database %d has been used,choose Yes to overwrite it or\n choose No to select other "
     "Database to save data."},
    {"1187", "The Database %d could not be created: %s."},
    {"1188", "The Database %d could not be overwritten: %s."},
    {"1189", "The Database %d could not be opened for recording: %s."},
    {"1190", "The reading could not be stored in Database %d: %s."},
    {"1191", "The Database %d could not be read: %s."},
    {"1192", "The Database %d could not be deleted: %s."},
    {"1193", "the file is damaged or is not a reading database"},
    {"1194", "the file is in use by another program"},
    {"1195", "the disk is full or the file has reached its size limit"},
    {"1196", "the database folder or file is read-only"},
    {"1197", "the file or its folder does not exist"},
    {"1198", "a disk error occurred (%s)"},
    {"1199", "No database is open for recording."},
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
