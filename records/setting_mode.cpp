#include "records/setting_mode.h"

#include "core/text_format.h"
#include "measure/texts.h"
#include "records/database_files.h"

namespace records {

SettingModeLayout settingModeLayout(int dpiX, int dpiY) {
  if (dpiX == 120 && dpiY == 120) return {{410, 70}, {160, 190}, {220, 190}};
  return {{320, 50}, {130, 150}, {180, 150}};
}

std::string settingModeEntry(int n, const std::optional<DateTime>& startDate) {
  return settingModeEntry(measure::Texts(), n, startDate);
}

std::string settingModeEntry(const measure::Texts& texts, int n,
                             const std::optional<DateTime>& startDate) {
  const std::string name = measure::fillIn(texts.get("1165"), {std::to_string(n)});
  if (!startDate) return name;
  return name + " ( " + startDateText(*startDate) + " )";
}

SettingMode::SettingMode(RecordingSelection& selection, core::Interaction& ui,
                         const measure::Texts& texts)
    : selection_(selection), ui_(ui), texts_(texts) {}

void SettingMode::open(int dpiX, int dpiY) {
  view_ = SettingModeView{};
  open_ = true;

  view_.saveChecked = selection_.save;
  view_.comboEnabled = selection_.save;

  numberAtOpening_ = selection_.database;
  selection_.databaseUsed = false;

  view_.swatchColor = selection_.drawColor;

  fillList();

  view_.title = texts_.get("652");
  view_.drawColorLabel = texts_.get("701");
  view_.changeColorText = texts_.get("702");
  view_.saveText = texts_.get("703");
  view_.okText = texts_.get("003");
  view_.hint = texts_.get("1167");
  view_.groupBox.caption = texts_.get("1166");
  view_.colorPadTooltip = texts_.get("702") + " ...";
  view_.exitTooltip = texts_.get("753") + " ...";

  // Without the database folder nothing can be stored, instruments or not.
  view_.saveEnabled = selection_.foundInstruments != 0 && !view_.entries.empty();

  const int n = selection_.database;
  if (n >= 1 && n <= static_cast<int>(view_.entries.size())) {
    view_.currentEntry = n - 1;
    view_.comboText = view_.entries[n - 1];
  } else {
    view_.currentEntry = -1;
    view_.comboText = texts_.get("704");
  }

  view_.layout = settingModeLayout(dpiX, dpiY);
}

void SettingMode::fillList() {
  const std::optional<std::string> folder =
      locateDatabaseFolder(ui_, texts_.get("1183"), texts_.get("1181"));
  if (!folder) return;
  int used = 0;
  for (int n = 1; n <= kDatabaseCount; ++n) {
    std::optional<DateTime> start;
    if (isDatabaseUsed(*folder, n)) {
      ++used;
      try {
        start = readStartDate(databasePath(*folder, n));
      } catch (const DatabaseError&) {
        // A file that cannot be read (damaged, locked) is listed as used without a date;
        // choosing it leads to the overwrite question at Run Start.
      }
    }
    view_.entries.push_back(settingModeEntry(texts_, n, start));
  }
  if (used == kDatabaseCount) {
    selection_.databaseUsed = true;
    ui_.message(texts_.get("903"), std::string(measure::kAppTitle), core::Icon::Exclamation);
  }
}

bool SettingMode::dated(int entry) const {
  // An entry longer than its undated form carries a start date: that database holds a
  // recording.
  return entry >= 0 && entry < static_cast<int>(view_.entries.size()) &&
         view_.entries[entry] != settingModeEntry(texts_, entry + 1, std::nullopt);
}

void SettingMode::setSaveChecked(bool checked) {
  if (!open_ || !view_.saveEnabled) return;
  view_.saveChecked = checked;
  view_.comboEnabled = checked;
  selection_.save = checked;
}

void SettingMode::selectEntry(int index) {
  if (!open_ || !view_.comboEnabled) return;
  if (index < 0 || index >= static_cast<int>(view_.entries.size())) return;
  view_.currentEntry = index;
  view_.comboText = view_.entries[index];
  selection_.database = index + 1;
}

void SettingMode::changeColor() {
  if (!open_) return;
  if (const std::optional<core::Color> picked = ui_.pickColor(core::Color{0, 0, 0})) {
    selection_.drawColor = *picked;
    view_.swatchColor = *picked;
  }
}

bool SettingMode::confirm() {
  if (!open_) return false;
  const std::string title(measure::kAppTitle);
  const std::string prompt = texts_.get("704");
  if (view_.saveChecked) {
    // No entry chosen (the prompt shows, or the list could not be read): nothing to save to.
    if (view_.comboText == prompt || view_.currentEntry < 0) {
      ui_.message(prompt, title, core::Icon::Exclamation);
      return false;
    }
    if (dated(view_.currentEntry)) {
      ui_.message(texts_.get("902"), title, core::Icon::Exclamation);
      return false;
    }
    selection_.save = true;
    selection_.database = view_.currentEntry + 1;
  } else {
    selection_.save = false;
  }
  close();
  return true;
}

void SettingMode::close() {
  if (!open_) return;
  open_ = false;
  selection_.save = view_.saveChecked;
  const int current = view_.currentEntry;
  if (view_.saveChecked && current >= 0 && current + 1 == numberAtOpening_ && dated(current)) {
    selection_.databaseUsed = true;
  }
}

}  // namespace records
