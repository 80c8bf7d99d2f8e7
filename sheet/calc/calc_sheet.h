#pragma once
// The spreadsheet interface over LibreOffice Calc through UNO: one Calc document is the
// "application" of the add-in, its sheets the worksheets. Works in the office's own process (the
// extension) and from another process over a UNO connection (v38xx-log).
//
// Formulas go through the document's formula parser with Excel's English function names and its
// A1 grammar (OOXML's, which knows sheet-level names qualified with their sheet); R1C1 formulas
// are rewritten to A1 first. Number formats are Excel format codes, added to the document's
// formats as they are.

#include <com/sun/star/chart2/XChartDocument.hpp>
#include <com/sun/star/frame/XFrame.hpp>
#include <com/sun/star/sheet/XFormulaParser.hpp>
#include <com/sun/star/sheet/XSpreadsheet.hpp>
#include <com/sun/star/sheet/XSpreadsheetDocument.hpp>
#include <com/sun/star/table/XCell.hpp>
#include <com/sun/star/task/XStatusIndicator.hpp>
#include <com/sun/star/uno/XComponentContext.hpp>
#include <com/sun/star/util/XNumberFormats.hpp>

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "sheet/address.h"
#include "sheet/sheet.h"

namespace sheet::calc {

namespace css = com::sun::star;
using css::uno::Reference;

class CalcApplication;

class CalcWorksheet : public Worksheet {
 public:
  CalcWorksheet(CalcApplication& app, Reference<css::sheet::XSpreadsheet> sheet);

  std::string name() const override;
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

  const Reference<css::sheet::XSpreadsheet>& sheet() const { return sheet_; }
  sal_Int16 index() const;

 private:
  // Names the formula mentions that do not exist yet are made (as 0) so that the parser ties
  // the formula to them; defining them later keeps the tie.
  void declareNames(const std::string& formula);
  Reference<css::table::XCell> cell(const std::string& address) const;
  css::uno::Sequence<css::sheet::FormulaToken> parse(const std::string& formula, FormulaStyle style,
                                                     long row, long column);

  // Charts.
  struct ChartSource {
    bool dynamic = false;  // a name whose range moves: read through a helper block
    std::string name;
    RangeRef range;  // otherwise this range of the sheet
  };
  struct Window {
    std::string name;  // the defined name the block indexes into
    long column;       // its first column
    long rows;         // points it can show
  };
  struct ChartInfo {
    Reference<css::sheet::XSpreadsheet> sheet;
    Reference<css::chart2::XChartDocument> chart;
    double top = 0;
    std::vector<Window> windows;
  };
  std::optional<RangeRef> namedRange(const std::string& name) const;
  ChartSource resolve(const std::string& reference) const;
  void writeWindowBlock(const std::string& windowName, long column, long rows);

  static constexpr std::size_t kKeptCells = 64;

  CalcApplication& app_;
  Reference<css::sheet::XSpreadsheet> sheet_;
  mutable std::map<std::string, Reference<css::table::XCell>> cells_;
  std::map<std::string, ChartInfo> charts_;
};

class CalcApplication : public Application {
 public:
  // `inOfficeProcess`: this code runs inside the office (the extension), so window events may be
  // run from here.
  CalcApplication(Reference<css::uno::XComponentContext> context,
                  Reference<css::sheet::XSpreadsheetDocument> document, bool inOfficeProcess);
  ~CalcApplication() override;

  std::string version() const override;
  long rowCount() const override;
  void setStatusBar(const std::string& text) override;
  void setScreenUpdating(bool on) override;
  void doEvents() override;
  CommandBar& commandBar(const std::string& name, int controls) override;

  // The worksheet for a sheet of this document, or the sheet named `name`.
  std::shared_ptr<CalcWorksheet> worksheet(const Reference<css::sheet::XSpreadsheet>& sheet);
  std::shared_ptr<CalcWorksheet> worksheet(const std::string& name);

  const Reference<css::sheet::XSpreadsheetDocument>& document() const { return document_; }
  const Reference<css::uno::XComponentContext>& context() const { return context_; }
  // The document's frame; null for a document without a window.
  Reference<css::frame::XFrame> frame() const;

  // Shared by the worksheets.
  Reference<css::sheet::XFormulaParser> parser();
  sal_Int32 numberFormat(const std::string& excelCode);

 private:
  Reference<css::uno::XComponentContext> context_;
  Reference<css::sheet::XSpreadsheetDocument> document_;
  bool inOfficeProcess_;
  Reference<css::sheet::XFormulaParser> parser_;
  Reference<css::task::XStatusIndicator> status_;
  int locks_ = 0;
  std::map<std::string, sal_Int32> formats_;
  std::map<std::string, std::unique_ptr<CommandBar>> bars_;
};

}  // namespace sheet::calc
