#pragma once
// The Setting Mode dialog as plain logic: whether readings are stored, into which of the ten
// databases, and the main window's trace colour. It edits the recording selection it is
// given; a thin Qt dialog shows view() and forwards the user's actions here.
//
// One object lives as long as the main window; open() starts each showing and close() ends
// it, however the window goes away.

#include <optional>
#include <string>
#include <vector>

#include "core/interaction.h"
#include "records/recording_selection.h"
#include "records/value.h"

namespace measure {
class Texts;
}

namespace records {

inline constexpr const char* kSettingModeHint =
    " - Click the Colorpad to set the draw color.\n - Select the Database to save the reading "
    "data\n    from device.";

struct Point {
  int x = 0;
  int y = 0;
  friend bool operator==(const Point&, const Point&) = default;
};

// Client positions of the controls placed by the display's pixel density.
struct SettingModeLayout {
  Point exitImage;  // the exit image button, 32 x 32
  Point swatch;     // the colour swatch, 15 x 32
  Point colorPad;   // the colour pad image button, 32 x 32
  friend bool operator==(const SettingModeLayout&, const SettingModeLayout&) = default;
};

// The 120 dots-per-inch layout when both densities are 120, else the 96 one.
SettingModeLayout settingModeLayout(int dpiX, int dpiY);

// The combo entry of database n: "Database %d", or "Database %d ( %s )" with the start date;
// the words "Database %d" in the window's language with `texts`.
std::string settingModeEntry(int n, const std::optional<DateTime>& startDate);
std::string settingModeEntry(const measure::Texts& texts, int n,
                             const std::optional<DateTime>& startDate);

// The framed group box around the dialog.
struct SettingModeGroupBox {
  std::string caption = "Setting mode.";
  core::Color captionColor{0, 0, 0};  // normal weight
  core::Color frameColor{255, 0, 0};  // plain frame, not etched
  int iconResource = 128;             // left of the caption
  int iconSize = 32;
};

// Everything the dialog shows.
struct SettingModeView {
  std::string title;            // window title
  std::string drawColorLabel;   // "Draw Color"
  std::string changeColorText;  // the hidden button with the colour pad's action
  std::string saveText;         // the Save check box
  std::string okText;           // the hidden default button
  std::string hint = kSettingModeHint;
  core::Color hintColor{0, 0, 0};
  std::string colorPadTooltip = "Change Color ...";
  std::string exitTooltip = "Exit ...";
  SettingModeGroupBox groupBox;

  bool saveChecked = false;
  bool saveEnabled = false;
  bool comboEnabled = false;
  std::vector<std::string> entries;  // entry n-1 is database n
  int currentEntry = -1;             // -1: none selected, comboText shows the prompt
  std::string comboText;
  core::Color swatchColor;
  SettingModeLayout layout;
};

class SettingMode {
 public:
  SettingMode(RecordingSelection& selection, core::Interaction& ui, const measure::Texts& texts);

  // The opening steps: check box and combo from the selection, database-used flag cleared,
  // the list read from the database folder (with its messages), texts, the Save box enabled
  // only with instruments found, the current entry, the layout for the display's density.
  void open(int dpiX, int dpiY);
  bool isOpen() const { return open_; }
  const SettingModeView& view() const { return view_; }
  int numberAtOpening() const { return numberAtOpening_; }

  // The Save check box clicked (ignored while it is disabled).
  void setSaveChecked(bool checked);
  // The combo selection changed to `index` (ignored while the combo is disabled).
  void selectEntry(int index);
  // The colour pad or the Change Color button: the picked colour applies at once.
  void changeColor();
  // The exit image, Enter or OK. True when the dialog closes (close() has then run); false
  // when a message was shown and the dialog stays open.
  bool confirm();
  // The window goes away by any way (confirm, Escape, close box): the Save flag follows the
  // check box, and a dated entry left at the number at opening sets the database-used flag.
  // Harmless when not open.
  void close();

 private:
  void fillList();
  // Whether the entry carries a start date (its database holds a recording).
  bool dated(int entry) const;

  RecordingSelection& selection_;
  core::Interaction& ui_;
  const measure::Texts& texts_;
  SettingModeView view_;
  int numberAtOpening_ = 0;
  bool open_ = false;
};

}  // namespace records
