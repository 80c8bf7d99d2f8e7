#pragma once
// The spreadsheet in memory, for tests: every call is recorded in the application's log, cells
// keep what was written to them (values, texts, formulas exactly as given, number formats, font
// colours), and any operation can be made to fail. Formulas are not evaluated.

#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "sheet/sheet.h"

namespace sheet {

struct MemoryCell {
  std::optional<double> value;
  std::string text;
  std::string formula;
  FormulaStyle style = FormulaStyle::A1;
  std::string arrayRange;  // the range of the array formula this cell belongs to
  std::string numberFormat;
  std::optional<long> fontColor;
};

class MemoryApplication;

class MemoryWorksheet : public Worksheet {
 public:
  MemoryWorksheet(MemoryApplication& app, std::string name);

  std::string name() const override { return name_; }
  void setValue(const std::string& cell, double value) override;
  void setText(const std::string& cell, const std::string& text) override;
  double value(const std::string& cell) const override;
  std::string text(const std::string& cell) const override;
  void setNumberFormat(const std::string& range, const std::string& formatCode) override;
  void setFormula(const std::string& cell, const std::string& formula, FormulaStyle style) override;
  void setArrayFormula(const std::string& range, const std::string& formula,
                       FormulaStyle style) override;
  void setFontColor(const std::string& range, long color) override;
  void nameRange(const std::string& range, const std::string& name) override;
  void addName(const std::string& name, const std::string& formulaR1C1) override;
  void select(const std::string& cell) override;
  void activate() override;
  std::string addChart(const ChartDefinition& definition) override;
  double chartTop(const std::string& chart) const override;
  double columnLeft(long column) const override;
  void setChartWindow(const std::string& chart, long points) override;
  int setScrollBars(const std::string& name, const ScrollBarSettings& settings) override;

  // What a cell holds; an empty cell when nothing was written to it.
  const MemoryCell& cell(const std::string& address) const;
  // Rows 2.. of a column that hold values, in row order, up to the first empty row.
  std::vector<double> columnValues(long column, long firstRow = 2) const;

  std::map<std::string, MemoryCell> cells;          // by canonical address ("F4")
  std::map<std::string, std::string> rangeNames;    // name -> canonical range
  std::map<std::string, std::string> definedNames;  // name -> R1C1 formula
  std::string selected;
  int activations = 0;
  struct Chart {
    std::string name;
    ChartDefinition definition;
  };
  std::vector<Chart> charts;
  // The form scroll bars on the sheet, by name (a test puts them there, as the template does).
  std::map<std::string, std::vector<ScrollBarSettings>> scrollBars;
  // Points per column, for columnLeft (Excel's standard width).
  double columnWidth = 48;

 private:
  void record(const std::string& operation, const std::string& target, const std::string& detail);
  template <typename F>
  void forEach(const std::string& range, F&& f);

  MemoryApplication& app_;
  std::string name_;
};

class MemoryCommandBar : public CommandBar {
 public:
  struct Control {
    std::string onAction;
    std::string toolTip;
    bool enabled = true;
    bool visible = true;
  };

  MemoryCommandBar(MemoryApplication& app, std::string name, int controls);
  std::string name() const override { return name_; }
  int controlCount() const override { return static_cast<int>(controls.size()); }
  void setAction(int control, const std::string& onAction, const std::string& toolTip) override;
  void setEnabled(int control, bool enabled) override;
  void setVisible(int control, bool visible) override;

  std::vector<Control> controls;

 private:
  Control& at(int control);
  MemoryApplication& app_;
  std::string name_;
};

class MemoryApplication : public Application {
 public:
  std::string versionText = "7.4";
  long rows = 1048576;

  std::string version() const override { return versionText; }
  long rowCount() const override { return rows; }
  void setStatusBar(const std::string& text) override;
  void setScreenUpdating(bool on) override;
  void doEvents() override;
  CommandBar& commandBar(const std::string& name, int controls) override;

  std::shared_ptr<MemoryWorksheet> addWorksheet(const std::string& name);
  MemoryCommandBar* bar(const std::string& name);

  // Every call, one line each: "<sheet>.setValue F4 3", "statusBar Reading...", ...
  std::vector<std::string> log;
  std::vector<std::string> statusBar;
  bool screenUpdating = true;
  int doEventsCalls = 0;
  // Operations ("setValue", "setNumberFormat", "setFormula", ...) that throw sheet::Error;
  // an entry "setValue F5" fails only for that cell.
  std::set<std::string> failing;

  void record(const std::string& line, const std::string& operation,
              const std::string& target = {});

 private:
  std::map<std::string, std::unique_ptr<MemoryCommandBar>> bars_;
  std::map<std::string, std::shared_ptr<MemoryWorksheet>> sheets_;
};

}  // namespace sheet
