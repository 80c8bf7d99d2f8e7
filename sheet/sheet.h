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
