#pragma once
// The Stability dialog as plain logic: the recorded databases, the chosen one's stored
// settings (tau0 from its Read Speed, or entered by the user for a file recorded before the
// settings were kept), the statistics and tau set to compute, the table of results, the
// points of the plot and the export to a CSV file. A thin Qt dialog shows view() and
// forwards the user's actions here.

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "stability/analysis.h"
#include "stability/recording.h"
#include "stability/series.h"

namespace core {
class Interaction;
}
namespace measure {
class Texts;
}

namespace stability {

// Input kinds in the order of the dialog's list.
inline constexpr InputKind kDialogInputKinds[] = {InputKind::Frequency, InputKind::Period,
                                                  InputKind::Fractional, InputKind::Phase};
inline constexpr TauSet kDialogTauSets[] = {TauSet::All, TauSet::Octave, TauSet::Decade};

struct StabilityView {
  std::string title;
  std::string databaseLabel, statisticsLabel, tauSetLabel, inputLabel, nominalLabel, tau0Label;
  std::string computeText, exportText, exitText;
  std::vector<std::string> tauSetEntries;  // All, Octave, Decade
  std::vector<std::string> inputEntries;   // Frequency, Period, Fractional frequency, Phase
  std::vector<std::string> columnHeaders;  // statistic, tau, n, sigma, lo, hi, noise

  std::vector<std::string> entries;  // "Database n            ( start )"
  int currentEntry = -1;
  std::string tau0Text;
  bool tau0Editable = true;  // false when the file holds its Read Speed
  std::string tau0Note;      // "from the stored Read Speed"
  int inputIndex = 0;
  std::string nominalText;  // empty: the mean
  std::array<bool, 7> statistics{false, true, false, false, false, false, false};  // OADEV
  int tauSetIndex = 1;                                                             // octave
  std::string summary;  // readings, gaps, confidence
  std::vector<std::array<std::string, 7>> rows;
  std::vector<Point> points;  // of the last computation, for the plot
  bool exportEnabled = false;
};

class StabilitySession {
 public:
  StabilitySession(core::Interaction& ui, const measure::Texts& texts);

  // Texts, the database folder and the list of recorded databases.
  void open();
  const StabilityView& view() const { return view_; }
  StabilityView& edit() { return view_; }
  const std::string& folder() const { return folder_; }

  // A database chosen: its settings decide tau0 and the input kind.
  void chooseDatabase(int index);
  // Reads the chosen database and computes; the user is told what is missing or wrong.
  void compute();
  // Asks for a file name and writes the results: the header line, then one line per point.
  void exportCsv();

  // The noise name of alpha in the current language.
  std::string noiseText(int alpha) const;

 private:
  std::string text(const char* key) const;
  void fail(const std::string& message);

  core::Interaction& ui_;
  const measure::Texts& texts_;
  StabilityView view_;
  std::string folder_;
  int chosen_ = 0;
  std::optional<Recording> loaded_;
  std::string header_;  // of the last computation
};

}  // namespace stability
