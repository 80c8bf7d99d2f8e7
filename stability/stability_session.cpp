#include "stability/stability_session.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "core/interaction.h"
#include "measure/texts.h"
#include "records/database_files.h"
#include "records/view_record.h"
#include "stability/report.h"

namespace stability {

namespace {

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};

}  // namespace

StabilitySession::StabilitySession(core::Interaction& ui, const measure::Texts& texts)
    : ui_(ui), texts_(texts) {}

std::string StabilitySession::text(const char* key) const { return texts_.get(key); }

std::string StabilitySession::noiseText(int alpha) const {
  if (alpha < -4 || alpha > 2) return "";
  static const char* const keys[] = {"1230", "1229", "1228", "1227", "1226", "1225", "1224"};
  return text(keys[alpha + 4]);
}

void StabilitySession::fail(const std::string& message) {
  ui_.message(message, std::string(measure::kAppTitle), core::Icon::Exclamation);
}

void StabilitySession::open() {
  StabilityView& v = view_;
  v.title = text("1200");
  v.databaseLabel = text("1201");
  v.statisticsLabel = text("1202");
  v.tauSetLabel = text("1203");
  v.tauSetEntries = {text("1204"), text("1205"), text("1206")};
  v.inputLabel = text("1207");
  v.inputEntries = {text("1208"), text("1209"), text("1210"), text("1211")};
  v.nominalLabel = text("1212");
  v.tau0Label = text("1213");
  v.computeText = text("1214");
  v.exportText = text("1215");
  v.exitText = text("1216");
  v.columnHeaders = {text("1202"), "tau (s)", "n", "sigma", "lo", "hi", text("1219")};

  folder_ = records::databaseFolderFor(records::currentDirectory());
  v.entries.clear();
  for (int n = 1; n <= records::kDatabaseCount; ++n) {
    if (!records::isDatabaseUsed(folder_, n)) continue;
    try {
      if (const auto start = records::readStartDate(records::databasePath(folder_, n))) {
        v.entries.push_back(records::viewRecordEntry(texts_, n, *start));
      }
    } catch (const records::DatabaseError& e) {
      ui_.message(records::readFailureText(texts_, n, e), std::string(measure::kAppTitle),
                  core::Icon::Error);
    }
  }
}

void StabilitySession::chooseDatabase(int index) {
  if (index < 0 || index >= static_cast<int>(view_.entries.size())) return;
  view_.currentEntry = index;
  chosen_ = records::entryDatabaseNumber(view_.entries[index]);
  loaded_.reset();
  view_.rows.clear();
  view_.points.clear();
  view_.summary.clear();
  view_.exportEnabled = false;
  const core::WaitCursor wait(ui_);
  try {
    Recording rec = loadRecording(records::databasePath(folder_, chosen_));
    if (const auto tau0 = recordedTau0(rec)) {
      view_.tau0Text = numberText(*tau0);
      view_.tau0Editable = false;
      view_.tau0Note = text("1240");
    } else {
      view_.tau0Editable = true;
      view_.tau0Note.clear();
    }
    view_.inputIndex = recordedInputKind(rec) == InputKind::Period ? 1 : 0;
    loaded_ = std::move(rec);
  } catch (const records::DatabaseError& e) {
    ui_.message(records::readFailureText(texts_, chosen_, e), std::string(measure::kAppTitle),
                core::Icon::Error);
  }
}

void StabilitySession::compute() {
  if (!loaded_) return;
  char* end = nullptr;
  const double tau0 = std::strtod(view_.tau0Text.c_str(), &end);
  if (view_.tau0Text.empty() || *end != '\0' || !(tau0 > 0.0) || !std::isfinite(tau0)) {
    fail(text("1221"));
    return;
  }
  std::optional<double> nominal;
  if (!view_.nominalText.empty()) {
    const double f = std::strtod(view_.nominalText.c_str(), &end);
    if (*end != '\0' || !(f > 0.0) || !std::isfinite(f)) {
      fail(text("1223"));
      return;
    }
    nominal = f;
  }
  AnalysisOptions options;
  options.statistics.clear();
  for (std::size_t i = 0; i < view_.statistics.size(); ++i) {
    if (view_.statistics[i]) options.statistics.push_back(kAllStatistics[i]);
  }
  if (options.statistics.empty()) {
    fail(text("1222"));
    return;
  }
  options.taus = kDialogTauSets[view_.tauSetIndex];
  const InputKind kind = kDialogInputKinds[view_.inputIndex];

  const core::WaitCursor wait(ui_);
  std::vector<double> readings;
  readings.reserve(loaded_->values.size() + 1);
  readings = loaded_->values;
  PhaseSeries series;
  try {
    series = toPhase(std::move(readings), {kind, nominal, tau0});
  } catch (const std::invalid_argument&) {
    fail(text("1220"));
    return;
  }
  view_.points = analyse(series, options);
  view_.rows.clear();
  for (const Point& p : view_.points) {
    view_.rows.push_back({std::string(statisticLabel(p.statistic)), numberText(p.tau),
                          std::to_string(p.terms), scientificText(p.sigma), scientificText(p.lo),
                          scientificText(p.hi), p.noise ? noiseText(p.noise->alpha) : "-"});
  }
  view_.summary = text("1217") + " " + std::to_string(series.readings) + "    " + text("1218") +
                  " " + std::to_string(series.gaps) + "    " + text("1242");
  ReportSource source;
  source.name = records::databasePath(folder_, chosen_);
  source.input = kind;
  source.tau0Origin = view_.tau0Editable ? "entered" : "run_info";
  header_ = headerLine(source, series, options, Separator::Comma, true, true);
  view_.exportEnabled = !view_.points.empty();
}

void StabilitySession::exportCsv() {
  if (view_.points.empty()) return;
  core::SaveFileRequest request;
  request.filter = records::kCsvFilter;
  request.initialDirectory = records::currentDirectory();
  const std::optional<core::SaveFileChoice> choice = ui_.saveFile(request);
  if (!choice) return;
  std::string path = records::csvFileName(choice->name);
  if (!choice->directory.empty()) path = choice->directory + "/" + path;
  std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "wb"));
  if (!file) {
    ui_.message(records::kSaveAsErrorText, records::kSaveAsErrorCaption, core::Icon::None);
    return;
  }
  std::string out = header_ + "\n";
  for (const Point& p : view_.points) out += pointLine(p, Separator::Comma, true, true) + "\n";
  const bool written = std::fwrite(out.data(), 1, out.size(), file.get()) == out.size();
  if (std::fclose(file.release()) != 0 || !written) {
    ui_.message(records::kSaveAsErrorText, records::kSaveAsErrorCaption, core::Icon::None);
    return;
  }
  ui_.message(text("1241"), std::string(measure::kAppTitle), core::Icon::Information);
}

}  // namespace stability
