#pragma once
// The spreadsheet members the add-in uses, as one small C++ interface: the application (version,
// status bar, screen updating, command bars), worksheets (cell values and texts, number formats,
// formulas in the Excel grammar, array formulas, font colours, sheet-level names) and, for the
// worksheet charts, charts and form scroll bars.
//
// Two implementations: sheet::MemoryApplication (memory_sheet.h) keeps everything in memory and
// records every call for tests; sheet/calc implements it over LibreOffice Calc through UNO.
//
// Cells and ranges are addressed in A1 form ("F4", "C2:C13", "$F$6"); rows and columns count
// from 1. Failures of the spreadsheet are thrown as sheet::Error.

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace sheet {

// An error of the spreadsheet program, with its number and description as the add-in's error
// boxes show them.
class Error : public std::runtime_error {
 public:
  explicit Error(const std::string& description, long number = 1004)
      : std::runtime_error(description), number_(number) {}
  long number() const { return number_; }

 private:
  long number_;
};

// How a formula text is to be read: Excel's A1 or R1C1 reference style, English function
// names and "," as the argument separator in both.
enum class FormulaStyle { A1, R1C1 };

// One toolbar (command bar) of the spreadsheet program, its controls counted from 1.
class CommandBar {
 public:
  virtual ~CommandBar() = default;
  virtual std::string name() const = 0;
  virtual int controlCount() const = 0;
  // The macro a control runs and the tip it shows.
  virtual void setAction(int control, const std::string& onAction, const std::string& toolTip) = 0;
  virtual void setEnabled(int control, bool enabled) = 0;
  virtual void setVisible(int control, bool visible) = 0;
};

// A chart series: each part is a reference formula in Excel's R1C1 style on the chart's own
// sheet ("=Sheet1!R1C2", "=Sheet1!CtryAxis", a defined name standing for a range) or, for
// the name, a plain text.
struct ChartSeries {
  std::string name;
  std::string values;
  std::string xValues;         // categories; empty: numbered points
  bool secondaryAxis = false;  // on the secondary value axis, drawn as a line
};

enum class ChartType {
  LineWithMarkers,   // Excel's type 65
  ClusteredColumns,  // Excel's type 51
};

struct ChartDefinition {
  ChartType type = ChartType::LineWithMarkers;
  std::vector<ChartSeries> series;
  std::string title;
  std::string valueAxisTitle, secondaryAxisTitle, categoryAxisTitle;
  bool categoryAxis = true;  // show the category (x) axis
  bool valueAxis = true;
  bool lowTickLabels = false;  // category tick labels below the plot, whatever the values
  bool rotatedTickLabels = false;
  // In the worksheet, at this place (points from the sheet's top-left corner); otherwise on a
  // sheet of its own, named after the worksheet and the chart.
  bool inSheet = true;
  double left = 0, top = 0, width = 480, height = 288;
  // The most points a series drawn from a defined name (a window that moves) may show.
  long windowPoints = 1000;
};

struct ScrollBarSettings {
  long maximum = 1, value = 1, minimum = 1, smallChange = 1, largeChange = 5;
  std::string linkedCell;  // "$F$6"
};

class Worksheet {
 public:
  virtual ~Worksheet() = default;

  virtual std::string name() const = 0;

  // Values: numbers, texts and date-times (a date-time is a serial day number, day 0 being
  // 1899-12-30, the fraction the time of day).
  virtual void setValue(const std::string& cell, double value) = 0;
  virtual void setText(const std::string& cell, const std::string& text) = 0;
  virtual double value(const std::string& cell) const = 0;
  // What the cell shows as text (a number in its general form).
  virtual std::string text(const std::string& cell) const = 0;

  // A number format in Excel's format-code language, for every cell of `range`.
  virtual void setNumberFormat(const std::string& range, const std::string& formatCode) = 0;
  // A formula, read by the spreadsheet's own formula parser in the Excel grammar.
  virtual void setFormula(const std::string& cell, const std::string& formula,
                          FormulaStyle style) = 0;
  // One array formula over the whole range.
  virtual void setArrayFormula(const std::string& range, const std::string& formula,
                               FormulaStyle style) = 0;
  // Font colour as Excel's colour number (0xBBGGRR: 255 is red).
  virtual void setFontColor(const std::string& range, long color) = 0;

  // A sheet-level name for a cell or range.
  virtual void nameRange(const std::string& range, const std::string& name) = 0;
  // A sheet-level defined name whose value is an R1C1 formula ("=IF(...)").
  virtual void addName(const std::string& name, const std::string& formulaR1C1) = 0;

  virtual void select(const std::string& cell) = 0;
  virtual void activate() = 0;

  // Charts: makes one and returns its name ("Chart 1"); its top edge in points.
  virtual std::string addChart(const ChartDefinition& definition) = 0;
  virtual double chartTop(const std::string& chart) const = 0;
  // The left edge of a column, in points.
  virtual double columnLeft(long column) const = 0;
  // After a run: the most points a window series of the chart may now show.
  virtual void setChartWindow(const std::string& chart, long points) = 0;

  // Sets every form scroll bar of this name on the sheet; how many there were.
  virtual int setScrollBars(const std::string& name, const ScrollBarSettings& settings) = 0;
};

class Application {
 public:
  virtual ~Application() = default;

  // The program's version text ("7.4") and the number of rows of a worksheet.
  virtual std::string version() const = 0;
  virtual long rowCount() const = 0;

  virtual void setStatusBar(const std::string& text) = 0;
  virtual void setScreenUpdating(bool on) = 0;
  // Lets pending window events run.
  virtual void doEvents() = 0;

  // The toolbar of that name, made with `controls` empty controls when it does not exist yet.
  virtual CommandBar& commandBar(const std::string& name, int controls) = 0;
};

// "F4" from row 4, column 6.
std::string cellName(long row, long column);

}  // namespace sheet
