#pragma once
// The table of the front panel's controls (kind, panel variant, page, caption, entries and
// start-up defaults) and the entry lists whose content follows the measurement function.

#include <cstddef>
#include <span>
#include <string_view>

#include "measure/panel_model.h"

namespace measure {

struct ControlDef {
  Ctl id;
  std::string_view name;
  CtlKind kind;
  PanelVariant variant;
  int page;  // Page, or -1
  PanelText caption;
  std::span<const PanelText> entries;
  int selected;           // default selection of a list
  std::string_view text;  // default text of an edit
  int dialogId;
  std::size_t maxLength;
};

// Every control, in Ctl order.
std::span<const ControlDef> panelControlDefs();

// Unit entries of the limit lists for a function: Freq "uHz".."MHz", the time functions
// "pSec".."Sec", Phase "uDeg".."MDeg", Ratio and Duty Cycle "u".."M".
std::span<const PanelText> limitUnitEntries(int functionCode);

// Entries of the compact "Gate" list: "Time", "Ext", "Auto", or "Time", "Auto", "Ext" for
// Total.
std::span<const PanelText> compactGateEntries(int functionCode);

// The INI name of a function (keys "581".."596"); an empty text for an unknown code.
PanelText functionName(int functionCode);

}  // namespace measure
