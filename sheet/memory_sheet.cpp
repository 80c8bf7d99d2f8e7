#include "sheet/memory_sheet.h"

#include <cmath>

#include "core/text_format.h"
#include "sheet/address.h"

namespace sheet {
namespace {

RangeRef rangeOf(const std::string& text) {
  const std::optional<RangeRef> r = parseRange(text);
  if (!r) throw Error("Application-defined or object-defined error: bad range \"" + text + "\"");
  return *r;
}

std::string canonical(const std::string& text) {
  const RangeRef r = rangeOf(text);
  std::string out = cellName(r.firstRow, r.firstColumn);
  if (r.lastRow != r.firstRow || r.lastColumn != r.firstColumn)
    out += ":" + cellName(r.lastRow, r.lastColumn);
  return out;
}

std::string numberText(double value) { return core::format("%.15g", value); }

}  // namespace

// ---------------------------------------------------------------------------------------------

void MemoryApplication::record(const std::string& line, const std::string& operation,
                               const std::string& target) {
  if (failing.count(operation) || (!target.empty() && failing.count(operation + " " + target)))
    throw Error("Method '" + operation + "' failed (" + line + ")");
  log.push_back(line);
}

void MemoryApplication::setStatusBar(const std::string& text) {
  record("statusBar " + text, "setStatusBar");
  statusBar.push_back(text);
}

void MemoryApplication::setScreenUpdating(bool on) {
  record(std::string("screenUpdating ") + (on ? "on" : "off"), "setScreenUpdating");
  screenUpdating = on;
}

void MemoryApplication::doEvents() {
  record("doEvents", "doEvents");
  ++doEventsCalls;
}

CommandBar& MemoryApplication::commandBar(const std::string& name, int controls) {
  auto& slot = bars_[core::toUpper(name)];
  if (!slot) slot = std::make_unique<MemoryCommandBar>(*this, name, controls);
  return *slot;
}

MemoryCommandBar* MemoryApplication::bar(const std::string& name) {
  auto it = bars_.find(core::toUpper(name));
  return it == bars_.end() ? nullptr : it->second.get();
}

std::shared_ptr<MemoryWorksheet> MemoryApplication::addWorksheet(const std::string& name) {
  auto sheet = std::make_shared<MemoryWorksheet>(*this, name);
  sheets_[name] = sheet;
  return sheet;
}

// ---------------------------------------------------------------------------------------------

MemoryCommandBar::MemoryCommandBar(MemoryApplication& app, std::string name, int controls)
    : controls(static_cast<std::size_t>(controls)), app_(app), name_(std::move(name)) {}

MemoryCommandBar::Control& MemoryCommandBar::at(int control) {
  if (control < 1 || control > controlCount()) throw Error("Invalid procedure call or argument", 5);
  return controls[static_cast<std::size_t>(control - 1)];
}

void MemoryCommandBar::setAction(int control, const std::string& onAction,
                                 const std::string& toolTip) {
  app_.record("bar.setAction " + std::to_string(control) + " " + onAction, "setAction");
  at(control).onAction = onAction;
  at(control).toolTip = toolTip;
}

void MemoryCommandBar::setEnabled(int control, bool enabled) {
  app_.record("bar.setEnabled " + std::to_string(control) + (enabled ? " on" : " off"),
              "setEnabled");
  at(control).enabled = enabled;
}

void MemoryCommandBar::setVisible(int control, bool visible) {
  app_.record("bar.setVisible " + std::to_string(control) + (visible ? " on" : " off"),
              "setVisible");
  at(control).visible = visible;
}

// ---------------------------------------------------------------------------------------------

MemoryWorksheet::MemoryWorksheet(MemoryApplication& app, std::string name)
    : app_(app), name_(std::move(name)) {}

void MemoryWorksheet::record(const std::string& operation, const std::string& target,
                             const std::string& detail) {
  std::string line = name_ + "." + operation;
  if (!target.empty()) line += " " + target;
  if (!detail.empty()) line += " " + detail;
  app_.record(line, operation, target);
}

template <typename F>
void MemoryWorksheet::forEach(const std::string& range, F&& f) {
  const RangeRef r = rangeOf(range);
  for (long row = r.firstRow; row <= r.lastRow; ++row)
    for (long col = r.firstColumn; col <= r.lastColumn; ++col) f(cells[cellName(row, col)]);
}

void MemoryWorksheet::setValue(const std::string& cell, double value) {
  record("setValue", canonical(cell), numberText(value));
  MemoryCell& c = cells[canonical(cell)];
  c.value = value;
  c.text.clear();
  c.formula.clear();
}

void MemoryWorksheet::setText(const std::string& cell, const std::string& text) {
  record("setText", canonical(cell), text);
  MemoryCell& c = cells[canonical(cell)];
  c.value.reset();
  c.text = text;
  c.formula.clear();
}

const MemoryCell& MemoryWorksheet::cell(const std::string& address) const {
  static const MemoryCell empty;
  auto it = cells.find(canonical(address));
  return it == cells.end() ? empty : it->second;
}

double MemoryWorksheet::value(const std::string& cellAddress) const {
  const MemoryCell& c = cell(cellAddress);
  if (c.value) return *c.value;
  return core::leadingDouble(c.text);
}

std::string MemoryWorksheet::text(const std::string& cellAddress) const {
  const MemoryCell& c = cell(cellAddress);
  return c.value ? numberText(*c.value) : c.text;
}

void MemoryWorksheet::setNumberFormat(const std::string& range, const std::string& formatCode) {
  record("setNumberFormat", canonical(range), formatCode);
  forEach(range, [&](MemoryCell& c) { c.numberFormat = formatCode; });
}

void MemoryWorksheet::setFormula(const std::string& cell, const std::string& formula,
                                 FormulaStyle style) {
  record("setFormula", canonical(cell), formula);
  MemoryCell& c = cells[canonical(cell)];
  c.value.reset();
  c.text.clear();
  c.formula = formula;
  c.style = style;
}

void MemoryWorksheet::setArrayFormula(const std::string& range, const std::string& formula,
                                      FormulaStyle style) {
  record("setArrayFormula", canonical(range), formula);
  const std::string whole = canonical(range);
  forEach(range, [&](MemoryCell& c) {
    c.value.reset();
    c.text.clear();
    c.formula = formula;
    c.style = style;
    c.arrayRange = whole;
  });
}

void MemoryWorksheet::setFontColor(const std::string& range, long color) {
  record("setFontColor", canonical(range), std::to_string(color));
  forEach(range, [&](MemoryCell& c) { c.fontColor = color; });
}

void MemoryWorksheet::nameRange(const std::string& range, const std::string& name) {
  record("nameRange", canonical(range), name);
  rangeNames[name] = canonical(range);
}

void MemoryWorksheet::addName(const std::string& name, const std::string& formulaR1C1) {
  record("addName", name, formulaR1C1);
  definedNames[name] = formulaR1C1;
}

void MemoryWorksheet::select(const std::string& cell) {
  record("select", canonical(cell), {});
  selected = canonical(cell);
}

void MemoryWorksheet::activate() {
  record("activate", {}, {});
  ++activations;
}

std::string MemoryWorksheet::addChart(const ChartDefinition& definition) {
  const std::string chartName = "Chart " + std::to_string(charts.size() + 1);
  record("addChart", chartName, definition.title);
  charts.push_back({chartName, definition});
  return chartName;
}

double MemoryWorksheet::chartTop(const std::string& chart) const {
  for (const auto& c : charts)
    if (c.name == chart) return c.definition.top;
  throw Error("The item with the specified name wasn't found: " + chart);
}

double MemoryWorksheet::columnLeft(long column) const { return (column - 1) * columnWidth; }

void MemoryWorksheet::setChartWindow(const std::string& chart, long points) {
  record("setChartWindow", chart, std::to_string(points));
  for (auto& c : charts)
    if (c.name == chart) c.definition.windowPoints = points;
}

int MemoryWorksheet::setScrollBars(const std::string& name, const ScrollBarSettings& settings) {
  record("setScrollBars", name, std::to_string(settings.maximum));
  auto it = scrollBars.find(name);
  if (it == scrollBars.end()) return 0;
  for (auto& bar : it->second) bar = settings;
  return static_cast<int>(it->second.size());
}

std::vector<double> MemoryWorksheet::columnValues(long column, long firstRow) const {
  std::vector<double> out;
  for (long row = firstRow;; ++row) {
    auto it = cells.find(cellName(row, column));
    if (it == cells.end() || !it->second.value) break;
    out.push_back(*it->second.value);
  }
  return out;
}

}  // namespace sheet
