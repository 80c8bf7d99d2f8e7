#include "sheet/calc/calc_sheet.h"

#include <com/sun/star/awt/XToolkitExperimental.hpp>
#include <com/sun/star/beans/PropertyValue.hpp>
#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/container/XIndexAccess.hpp>
#include <com/sun/star/container/XNameAccess.hpp>
#include <com/sun/star/container/XNamed.hpp>
#include <com/sun/star/frame/XController.hpp>
#include <com/sun/star/frame/XModel.hpp>
#include <com/sun/star/lang/Locale.hpp>
#include <com/sun/star/lang/XMultiComponentFactory.hpp>
#include <com/sun/star/lang/XMultiServiceFactory.hpp>
#include <com/sun/star/sheet/AddressConvention.hpp>
#include <com/sun/star/sheet/FormulaLanguage.hpp>
#include <com/sun/star/sheet/FormulaMapGroup.hpp>
#include <com/sun/star/sheet/FormulaOpCodeMapEntry.hpp>
#include <com/sun/star/sheet/XArrayFormulaTokens.hpp>
#include <com/sun/star/sheet/XCellRangeAddressable.hpp>
#include <com/sun/star/sheet/XFormulaOpCodeMapper.hpp>
#include <com/sun/star/sheet/XFormulaTokens.hpp>
#include <com/sun/star/sheet/XNamedRange.hpp>
#include <com/sun/star/sheet/XNamedRanges.hpp>
#include <com/sun/star/sheet/XSpreadsheetView.hpp>
#include <com/sun/star/sheet/XSpreadsheets.hpp>
#include <com/sun/star/table/CellAddress.hpp>
#include <com/sun/star/table/CellRangeAddress.hpp>
#include <com/sun/star/table/XCell.hpp>
#include <com/sun/star/table/XCellRange.hpp>
#include <com/sun/star/table/XColumnRowRange.hpp>
#include <com/sun/star/table/XTableRows.hpp>
#include <com/sun/star/task/XStatusIndicatorFactory.hpp>
#include <com/sun/star/text/XText.hpp>
#include <com/sun/star/util/XNumberFormatsSupplier.hpp>
#include <com/sun/star/view/XSelectionSupplier.hpp>

#include "sheet/address.h"
#include "sheet/calc/calc_command_bar.h"
#include "sheet/calc/uno_text.h"
#include "sheet/formula_text.h"

namespace sheet::calc {

using css::uno::Any;
using css::uno::Sequence;
using css::uno::UNO_QUERY;
using css::uno::UNO_QUERY_THROW;

namespace {

Reference<css::table::XCellRange> rangeOf(const Reference<css::sheet::XSpreadsheet>& sheet,
                                          const std::string& address) {
  if (!parseRange(address)) throw Error("Method 'Range' failed: \"" + address + "\"");
  return sheet->getCellRangeByName(ustr(address));
}

Reference<css::table::XCell> cellOf(const Reference<css::sheet::XSpreadsheet>& sheet,
                                    const std::string& address) {
  return rangeOf(sheet, address)->getCellByPosition(0, 0);
}

css::table::CellRangeAddress addressOf(const Reference<css::table::XCellRange>& range) {
  return Reference<css::sheet::XCellRangeAddressable>(range, UNO_QUERY_THROW)->getRangeAddress();
}

// "$'Sheet 1'.$C$2:$C$13": a range in Calc's own syntax, for the content of a name.
std::string calcAbsolute(const std::string& sheetName, const std::string& a1) {
  const RangeRef r = *parseRange(a1);
  std::string quoted = "'";
  for (char c : sheetName) quoted += c == '\'' ? std::string("''") : std::string(1, c);
  quoted += "'";
  std::string out =
      "$" + quoted + ".$" + columnName(r.firstColumn) + "$" + std::to_string(r.firstRow);
  if (r.lastRow != r.firstRow || r.lastColumn != r.firstColumn)
    out += ":$" + columnName(r.lastColumn) + "$" + std::to_string(r.lastRow);
  return out;
}

Reference<css::sheet::XNamedRanges> namesOf(const Reference<css::sheet::XSpreadsheet>& sheet) {
  Reference<css::beans::XPropertySet> props(sheet, UNO_QUERY_THROW);
  return Reference<css::sheet::XNamedRanges>(props->getPropertyValue("NamedRanges"),
                                             UNO_QUERY_THROW);
}

// Excel's colour number 0xBBGGRR as Calc's 0xRRGGBB.
sal_Int32 calcColor(long excel) {
  const long r = excel & 0xFF, g = (excel >> 8) & 0xFF, b = (excel >> 16) & 0xFF;
  return static_cast<sal_Int32>((r << 16) | (g << 8) | b);
}

}  // namespace

// ---------------------------------------------------------------------------------------------

CalcWorksheet::CalcWorksheet(CalcApplication& app, Reference<css::sheet::XSpreadsheet> sheet)
    : app_(app), sheet_(std::move(sheet)) {}

std::string CalcWorksheet::name() const {
  return guarded("Name", [&] {
    return utf8(Reference<css::container::XNamed>(sheet_, UNO_QUERY_THROW)->getName());
  });
}

sal_Int16 CalcWorksheet::index() const {
  return addressOf(Reference<css::table::XCellRange>(sheet_, UNO_QUERY_THROW)).Sheet;
}

Reference<css::table::XCell> CalcWorksheet::cell(const std::string& address) const {
  auto it = cells_.find(address);
  if (it != cells_.end()) return it->second;
  // A cell object costs the document a listener; the summary block's cells are written at
  // every reading, so their objects are kept (a bounded number of them).
  if (cells_.size() >= kKeptCells) cells_.clear();
  Reference<css::table::XCell> c = cellOf(sheet_, address);
  cells_.emplace(address, c);
  return c;
}

void CalcWorksheet::setValue(const std::string& cell, double value) {
  guarded("Value", [&] { this->cell(cell)->setValue(value); });
}

void CalcWorksheet::setText(const std::string& cell, const std::string& text) {
  guarded("Value", [&] {
    Reference<css::text::XText>(cellOf(sheet_, cell), UNO_QUERY_THROW)->setString(ustr(text));
  });
}

double CalcWorksheet::value(const std::string& cell) const {
  return guarded("Value", [&] { return this->cell(cell)->getValue(); });
}

std::string CalcWorksheet::text(const std::string& cell) const {
  return guarded("Text", [&] {
    return utf8(Reference<css::text::XText>(cellOf(sheet_, cell), UNO_QUERY_THROW)->getString());
  });
}

void CalcWorksheet::setNumberFormat(const std::string& range, const std::string& formatCode) {
  guarded("NumberFormat", [&] {
    const sal_Int32 key = app_.numberFormat(formatCode);
    const RangeRef r = *parseRange(range);
    const bool single = r.firstRow == r.lastRow && r.firstColumn == r.lastColumn;
    Reference<css::beans::XPropertySet> target(
        single ? Reference<css::uno::XInterface>(cell(range))
               : Reference<css::uno::XInterface>(rangeOf(sheet_, range)),
        UNO_QUERY_THROW);
    // Setting a format is a change of the document (with its undo step and repaint); a cell
    // that already has it, like every row of the template's time column, is left alone.
    if (single) {
      sal_Int32 current = -1;
      target->getPropertyValue("NumberFormat") >>= current;
      if (current == key) return;
    }
    target->setPropertyValue("NumberFormat", Any(key));
  });
}

void CalcWorksheet::declareNames(const std::string& formula) {
  const Reference<css::sheet::XNamedRanges> names = namesOf(sheet_);
  for (const std::string& n : namesOnSheet(formula, name())) {
    if (names->hasByName(ustr(n))) continue;
    names->addNewByName(ustr(n), "0", css::table::CellAddress(index(), 0, 0), 0);
  }
}

Sequence<css::sheet::FormulaToken> CalcWorksheet::parse(const std::string& formula,
                                                        FormulaStyle style, long row, long column) {
  declareNames(formula);
  const std::string a1 = style == FormulaStyle::R1C1 ? r1c1ToA1(formula, row, column) : formula;
  return app_.parser()->parseFormula(
      ustr(a1), css::table::CellAddress(index(), static_cast<sal_Int32>(column - 1),
                                        static_cast<sal_Int32>(row - 1)));
}

void CalcWorksheet::setFormula(const std::string& cell, const std::string& formula,
                               FormulaStyle style) {
  guarded("Formula", [&] {
    const RangeRef r = *parseRange(cell);  // checked by cellOf
    Reference<css::table::XCell> target = cellOf(sheet_, cell);
    const auto tokens = parse(formula, style, r.firstRow, r.firstColumn);
    Reference<css::sheet::XFormulaTokens>(target, UNO_QUERY_THROW)->setTokens(tokens);
  });
}

void CalcWorksheet::setArrayFormula(const std::string& range, const std::string& formula,
                                    FormulaStyle style) {
  guarded("FormulaArray", [&] {
    Reference<css::table::XCellRange> target = rangeOf(sheet_, range);
    const RangeRef r = *parseRange(range);
    const auto tokens = parse(formula, style, r.firstRow, r.firstColumn);
    Reference<css::sheet::XArrayFormulaTokens>(target, UNO_QUERY_THROW)->setArrayTokens(tokens);
  });
}

void CalcWorksheet::setFontColor(const std::string& range, long color) {
  guarded("Font.Color", [&] {
    Reference<css::beans::XPropertySet>(rangeOf(sheet_, range), UNO_QUERY_THROW)
        ->setPropertyValue("CharColor", Any(calcColor(color)));
  });
}

void CalcWorksheet::nameRange(const std::string& range, const std::string& name) {
  guarded("Name", [&] {
    rangeOf(sheet_, range);  // refuses a bad address
    const Reference<css::sheet::XNamedRanges> names = namesOf(sheet_);
    const rtl::OUString content = ustr(calcAbsolute(this->name(), range));
    if (names->hasByName(ustr(name))) {
      Reference<css::sheet::XNamedRange>(names->getByName(ustr(name)), UNO_QUERY_THROW)
          ->setContent(content);
    } else {
      names->addNewByName(ustr(name), content, css::table::CellAddress(index(), 0, 0), 0);
    }
  });
}

void CalcWorksheet::addName(const std::string& name, const std::string& formulaR1C1) {
  guarded("Names.Add", [&] {
    const Reference<css::sheet::XNamedRanges> names = namesOf(sheet_);
    if (!names->hasByName(ustr(name)))
      names->addNewByName(ustr(name), "0", css::table::CellAddress(index(), 0, 0), 0);
    const auto tokens = parse(formulaR1C1, FormulaStyle::R1C1, 1, 1);
    Reference<css::sheet::XFormulaTokens>(names->getByName(ustr(name)), UNO_QUERY_THROW)
        ->setTokens(tokens);
  });
}

void CalcWorksheet::select(const std::string& cell) {
  guarded("Select", [&] {
    Reference<css::frame::XModel> model(app_.document(), UNO_QUERY_THROW);
    Reference<css::view::XSelectionSupplier> selection(model->getCurrentController(), UNO_QUERY);
    if (selection.is()) selection->select(Any(rangeOf(sheet_, cell)));
  });
}

void CalcWorksheet::activate() {
  guarded("Activate", [&] {
    Reference<css::frame::XModel> model(app_.document(), UNO_QUERY_THROW);
    Reference<css::sheet::XSpreadsheetView> view(model->getCurrentController(), UNO_QUERY);
    if (view.is()) view->setActiveSheet(sheet_);
  });
}

// ---------------------------------------------------------------------------------------------

CalcApplication::CalcApplication(Reference<css::uno::XComponentContext> context,
                                 Reference<css::sheet::XSpreadsheetDocument> document,
                                 bool inOfficeProcess)
    : context_(std::move(context)),
      document_(std::move(document)),
      inOfficeProcess_(inOfficeProcess) {
  if (!document_.is()) throw Error("There is no Calc document.", 91);
}

CalcApplication::~CalcApplication() {
  try {
    Reference<css::frame::XModel> model(document_, UNO_QUERY);
    while (locks_ > 0 && model.is()) {
      model->unlockControllers();
      --locks_;
    }
    if (status_.is()) status_->end();
  } catch (const css::uno::Exception&) {
    // The document may be gone with its office.
  }
}

std::string CalcApplication::version() const {
  return guarded("Version", [&]() -> std::string {
    Reference<css::lang::XMultiServiceFactory> provider(
        context_->getServiceManager()->createInstanceWithContext(
            "com.sun.star.configuration.ConfigurationProvider", context_),
        UNO_QUERY_THROW);
    css::beans::PropertyValue path;
    path.Name = "nodepath";
    path.Value <<= rtl::OUString("/org.openoffice.Setup/Product");
    Sequence<Any> args(1);
    args[0] <<= path;
    Reference<css::container::XNameAccess> product(
        provider->createInstanceWithArguments("com.sun.star.configuration.ConfigurationAccess",
                                              args),
        UNO_QUERY_THROW);
    rtl::OUString v;
    product->getByName("ooSetupVersion") >>= v;
    return utf8(v);
  });
}

long CalcApplication::rowCount() const {
  return guarded("Rows.Count", [&]() -> long {
    Reference<css::container::XIndexAccess> sheets(document_->getSheets(), UNO_QUERY_THROW);
    Reference<css::table::XColumnRowRange> first(sheets->getByIndex(0), UNO_QUERY_THROW);
    return first->getRows()->getCount();
  });
}

Reference<css::frame::XFrame> CalcApplication::frame() const {
  Reference<css::frame::XModel> model(document_, UNO_QUERY);
  if (!model.is()) return {};
  Reference<css::frame::XController> controller = model->getCurrentController();
  return controller.is() ? controller->getFrame() : Reference<css::frame::XFrame>();
}

void CalcApplication::setStatusBar(const std::string& text) {
  guarded("StatusBar", [&] {
    if (!status_.is()) {
      Reference<css::task::XStatusIndicatorFactory> factory(frame(), UNO_QUERY);
      if (!factory.is()) return;
      status_ = factory->createStatusIndicator();
      status_->start(ustr(text), 0);
    } else {
      status_->setText(ustr(text));
    }
    // "Ready" gives the status bar back to Calc.
    if (text == "Ready") {
      status_->end();
      status_.clear();
    }
  });
}

void CalcApplication::setScreenUpdating(bool on) {
  guarded("ScreenUpdating", [&] {
    Reference<css::frame::XModel> model(document_, UNO_QUERY_THROW);
    if (!on && locks_ == 0) {
      model->lockControllers();
      ++locks_;
    } else if (on && locks_ > 0) {
      model->unlockControllers();
      --locks_;
    }
  });
}

void CalcApplication::doEvents() {
  // Events of the office can only be run from its own process and thread.
  if (!inOfficeProcess_) return;
  guarded("DoEvents", [&] {
    Reference<css::awt::XToolkitExperimental> toolkit(
        context_->getServiceManager()->createInstanceWithContext("com.sun.star.awt.Toolkit",
                                                                 context_),
        UNO_QUERY);
    if (toolkit.is()) toolkit->processEventsToIdle();
  });
}

CommandBar& CalcApplication::commandBar(const std::string& name, int controls) {
  auto& slot = bars_[name];
  if (!slot) slot = std::make_unique<CalcCommandBar>(*this, name, controls);
  return *slot;
}

std::shared_ptr<CalcWorksheet> CalcApplication::worksheet(
    const Reference<css::sheet::XSpreadsheet>& sheet) {
  if (!sheet.is()) throw Error("Object required: no sheet was given.", 424);
  return std::make_shared<CalcWorksheet>(*this, sheet);
}

std::shared_ptr<CalcWorksheet> CalcApplication::worksheet(const std::string& name) {
  return guarded("Worksheets", [&] {
    Reference<css::container::XNameAccess> sheets(document_->getSheets(), UNO_QUERY_THROW);
    if (!sheets->hasByName(ustr(name)))
      throw Error("Subscript out of range: no sheet \"" + name + "\"", 9);
    return worksheet(
        Reference<css::sheet::XSpreadsheet>(sheets->getByName(ustr(name)), UNO_QUERY_THROW));
  });
}

Reference<css::sheet::XFormulaParser> CalcApplication::parser() {
  if (parser_.is()) return parser_;
  Reference<css::lang::XMultiServiceFactory> factory(document_, UNO_QUERY_THROW);
  parser_.set(factory->createInstance("com.sun.star.sheet.FormulaParser"), UNO_QUERY_THROW);
  Reference<css::sheet::XFormulaOpCodeMapper> mapper(
      factory->createInstance("com.sun.star.sheet.FormulaOpCodeMapper"), UNO_QUERY_THROW);
  const Sequence<css::sheet::FormulaOpCodeMapEntry> english = mapper->getAvailableMappings(
      css::sheet::FormulaLanguage::XL_ENGLISH, css::sheet::FormulaMapGroup::ALL_EXCEPT_SPECIAL);
  Reference<css::beans::XPropertySet> props(parser_, UNO_QUERY_THROW);
  props->setPropertyValue("OpCodeMap", Any(english));
  props->setPropertyValue("CompileEnglish", Any(true));
  props->setPropertyValue("FormulaConvention", Any(css::sheet::AddressConvention::XL_OOX));
  return parser_;
}

sal_Int32 CalcApplication::numberFormat(const std::string& excelCode) {
  auto it = formats_.find(excelCode);
  if (it != formats_.end()) return it->second;
  Reference<css::util::XNumberFormatsSupplier> supplier(document_, UNO_QUERY_THROW);
  Reference<css::util::XNumberFormats> formats = supplier->getNumberFormats();
  css::lang::Locale english;
  english.Language = "en";
  english.Country = "US";
  const rtl::OUString code = ustr(excelCode);
  // The document's own formats (a template's, in the default language) first.
  sal_Int32 key = formats->queryKey(code, css::lang::Locale(), false);
  if (key == -1) key = formats->queryKey(code, english, false);
  if (key == -1) key = formats->addNew(code, english);
  formats_[excelCode] = key;
  return key;
}

}  // namespace sheet::calc
