// Charts and form scroll bars of a Calc worksheet.
//
// A series part that names a plain range (CtrxHistoAxis = C2:C13) reads that range. Calc's
// charts cannot read a defined name whose range moves (the strip chart's window CtryAxis): such
// a series reads a block of helper cells to the right of the data instead, whose formulas index
// into the name, so that the window still moves by the spreadsheet's own recalculation. The
// strip chart is then an XY chart with lines and markers over the points' positions in the
// window: its axes fit the points shown, and nothing of the window is computed here.

#include <com/sun/star/awt/Point.hpp>
#include <com/sun/star/awt/Rectangle.hpp>
#include <com/sun/star/beans/NamedValue.hpp>
#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/chart/ChartAxisLabelPosition.hpp>
#include <com/sun/star/chart/ChartSymbolType.hpp>
#include <com/sun/star/chart/XAxisXSupplier.hpp>
#include <com/sun/star/chart/XAxisYSupplier.hpp>
#include <com/sun/star/chart/XChartDocument.hpp>
#include <com/sun/star/chart/XDiagram.hpp>
#include <com/sun/star/chart/XSecondAxisTitleSupplier.hpp>
#include <com/sun/star/chart2/AxisType.hpp>
#include <com/sun/star/chart2/XAxis.hpp>
#include <com/sun/star/chart2/XChartDocument.hpp>
#include <com/sun/star/chart2/XChartTypeContainer.hpp>
#include <com/sun/star/chart2/XCoordinateSystemContainer.hpp>
#include <com/sun/star/chart2/XDataSeries.hpp>
#include <com/sun/star/chart2/XDataSeriesContainer.hpp>
#include <com/sun/star/chart2/data/XDataProvider.hpp>
#include <com/sun/star/chart2/data/XDataSink.hpp>
#include <com/sun/star/chart2/data/XLabeledDataSequence.hpp>
#include <com/sun/star/container/XIndexAccess.hpp>
#include <com/sun/star/container/XNamed.hpp>
#include <com/sun/star/document/XEmbeddedObjectSupplier.hpp>
#include <com/sun/star/drawing/XControlShape.hpp>
#include <com/sun/star/drawing/XDrawPageSupplier.hpp>
#include <com/sun/star/drawing/XShape.hpp>
#include <com/sun/star/form/binding/XBindableValue.hpp>
#include <com/sun/star/form/binding/XValueBinding.hpp>
#include <com/sun/star/lang/XMultiServiceFactory.hpp>
#include <com/sun/star/sheet/XCellRangeAddressable.hpp>
#include <com/sun/star/sheet/XCellRangeFormula.hpp>
#include <com/sun/star/sheet/XCellRangeReferrer.hpp>
#include <com/sun/star/sheet/XNamedRange.hpp>
#include <com/sun/star/sheet/XNamedRanges.hpp>
#include <com/sun/star/sheet/XSpreadsheets.hpp>
#include <com/sun/star/table/CellAddress.hpp>
#include <com/sun/star/table/XColumnRowRange.hpp>
#include <com/sun/star/table/XTableChart.hpp>
#include <com/sun/star/table/XTableCharts.hpp>
#include <com/sun/star/table/XTableChartsSupplier.hpp>
#include <com/sun/star/text/XText.hpp>

#include <cmath>

#include "sheet/address.h"
#include "sheet/calc/calc_sheet.h"
#include "sheet/calc/uno_text.h"
#include "sheet/formula_text.h"

namespace sheet::calc {

using css::uno::Any;
using css::uno::Sequence;
using css::uno::UNO_QUERY;
using css::uno::UNO_QUERY_THROW;

namespace {

constexpr double kHundredthMmPerPoint = 2540.0 / 72.0;
constexpr long kHelperColumn = 27;  // AA: the first column of the helper blocks
constexpr long kMaxWindow = 30000;

sal_Int32 toHundredthMm(double points) {
  return static_cast<sal_Int32>(std::lround(points * kHundredthMmPerPoint));
}
double toPoints(sal_Int32 hundredthMm) { return hundredthMm / kHundredthMmPerPoint; }

// "$'Sheet 1'.$C$2:$C$13": a range as the chart's data provider names it.
std::string rangeRepresentation(const std::string& sheetName, const RangeRef& r) {
  std::string quoted = "'";
  for (char c : sheetName) quoted += c == '\'' ? std::string("''") : std::string(1, c);
  quoted += "'";
  std::string out =
      "$" + quoted + ".$" + columnName(r.firstColumn) + "$" + std::to_string(r.firstRow);
  if (r.lastRow != r.firstRow || r.lastColumn != r.firstColumn)
    out += ":$" + columnName(r.lastColumn) + "$" + std::to_string(r.lastRow);
  return out;
}

Reference<css::uno::XInterface> create(const Reference<css::uno::XComponentContext>& context,
                                       const char* service) {
  return context->getServiceManager()->createInstanceWithContext(
      rtl::OUString::createFromAscii(service), context);
}

}  // namespace

// The sheet-level name `name`'s range when it is a plain one; nullopt for a name whose value is
// computed (or a name that does not exist).
std::optional<RangeRef> CalcWorksheet::namedRange(const std::string& name) const {
  Reference<css::beans::XPropertySet> props(sheet_, UNO_QUERY_THROW);
  Reference<css::sheet::XNamedRanges> names(props->getPropertyValue("NamedRanges"),
                                            UNO_QUERY_THROW);
  if (!names->hasByName(ustr(name))) return std::nullopt;
  Reference<css::sheet::XNamedRange> named(names->getByName(ustr(name)), UNO_QUERY_THROW);
  const std::string content = utf8(named->getContent());
  // A plain range reads "$'Sheet1'.$C$2:$C$13"; anything else is a formula.
  const auto dot = content.rfind('.');
  if (content.empty() || content[0] != '$' || dot == std::string::npos) return std::nullopt;
  std::string a1;
  for (char c : content.substr(dot + 1))
    if (c != '$') a1 += c;
  const auto colon = a1.find(':');
  if (colon != std::string::npos) {
    // "C2:$'Sheet1'.$C$13" when both ends carry the sheet.
    const auto otherDot = a1.find('.', colon);
    if (otherDot != std::string::npos) a1 = a1.substr(0, colon + 1) + a1.substr(otherDot + 1);
  }
  return parseRange(a1);
}

CalcWorksheet::ChartSource CalcWorksheet::resolve(const std::string& reference) const {
  ChartSource source;
  std::string text = reference;
  if (!text.empty() && text[0] == '=') text.erase(0, 1);
  const std::string prefix = name() + "!";
  if (text.rfind(prefix, 0) == 0) text.erase(0, prefix.size());
  const std::string a1 = r1c1ToA1(text, 1, 1);
  if (auto r = parseRange(a1)) {
    source.range = *r;
    return source;
  }
  if (auto r = namedRange(text)) {
    source.range = *r;
    return source;
  }
  source.dynamic = true;
  source.name = text;
  return source;
}

// Writes (or rewrites) the helper block of the window name `name`: column `column` numbers the
// points shown, the next column holds them; `rows` points at most. Returns the data ranges.
void CalcWorksheet::writeWindowBlock(const std::string& windowName, long column, long rows) {
  Reference<css::table::XCellRange> whole(sheet_, UNO_QUERY_THROW);
  setText(cellName(1, column), "Chart point");
  setText(cellName(1, column + 1), "Chart " + windowName);
  Sequence<Sequence<rtl::OUString>> formulas(static_cast<sal_Int32>(rows));
  for (long k = 0; k < rows; ++k) {
    const std::string value = cellName(k + 2, column + 1);
    Sequence<rtl::OUString> row(2);
    // Calc's own formula syntax: the name is the sheet's own, read where the block is.
    row[0] = ustr("=IF(ISNA(" + value + ");NA();ROW()-1)");
    row[1] = ustr("=IFERROR(IF(ISBLANK(INDEX(" + windowName + ";ROW()-1));NA();INDEX(" +
                  windowName + ";ROW()-1));NA())");
    formulas[static_cast<sal_Int32>(k)] = row;
  }
  Reference<css::sheet::XCellRangeFormula> block(
      sheet_->getCellRangeByName(ustr(cellName(2, column) + ":" + cellName(rows + 1, column + 1))),
      UNO_QUERY_THROW);
  block->setFormulaArray(formulas);
}

std::string CalcWorksheet::addChart(const ChartDefinition& definition) {
  return guarded("Charts.Add", [&]() -> std::string {
    const Reference<css::uno::XComponentContext>& context = app_.context();
    const std::string sheetName = name();

    // The sheet that shows the chart: this one, or a new one right after it.
    Reference<css::table::XTableChartsSupplier> home(sheet_, UNO_QUERY_THROW);
    Reference<css::table::XTableCharts> charts = home->getCharts();
    std::string chartName;
    for (int n = 1;; ++n) {
      chartName = "Chart " + std::to_string(n);
      if (!charts->hasByName(ustr(chartName)) && !charts_.count(chartName)) break;
    }
    Reference<css::sheet::XSpreadsheet> shownOn = sheet_;
    css::awt::Rectangle rect(toHundredthMm(definition.left), toHundredthMm(definition.top),
                             toHundredthMm(definition.width), toHundredthMm(definition.height));
    if (!definition.inSheet) {
      Reference<css::sheet::XSpreadsheets> sheets = app_.document()->getSheets();
      std::string ownName = sheetName + chartName;
      sheets->insertNewByName(ustr(ownName), static_cast<sal_Int16>(index() + 1));
      shownOn.set(sheets->getByName(ustr(ownName)), UNO_QUERY_THROW);
      rect = css::awt::Rectangle(500, 500, 25000, 15000);
    }

    // Every series' parts: ranges of this sheet, window names through helper blocks.
    struct Part {
      std::string label;  // range representation of the name cell
      std::string x, y;   // range representations
    };
    std::vector<Part> parts;
    long helper = kHelperColumn;
    ChartInfo info;
    info.sheet = shownOn;
    for (const ChartSeries& series : definition.series) {
      Part part;
      if (!series.name.empty() && series.name[0] == '=') {
        const ChartSource label = resolve(series.name);
        if (!label.dynamic) part.label = rangeRepresentation(sheetName, label.range);
      } else if (!series.name.empty()) {
        // A plain name: kept in a cell of the helper area, which the series reads.
        const std::string cell = cellName(1, helper + 10);
        setText(cell, series.name);
        part.label = rangeRepresentation(sheetName, *parseRange(cell));
      }
      const ChartSource values = resolve(series.values);
      if (values.dynamic) {
        const long rows = std::clamp<long>(definition.windowPoints, 1, kMaxWindow);
        writeWindowBlock(values.name, helper, rows);
        info.windows.push_back({values.name, helper, rows});
        part.x = rangeRepresentation(sheetName, {2, helper, rows + 1, helper});
        part.y = rangeRepresentation(sheetName, {2, helper + 1, rows + 1, helper + 1});
        helper += 2;
      } else {
        part.y = rangeRepresentation(sheetName, values.range);
        if (!series.xValues.empty()) {
          const ChartSource x = resolve(series.xValues);
          if (!x.dynamic) part.x = rangeRepresentation(sheetName, x.range);
        }
      }
      parts.push_back(part);
    }
    if (parts.empty()) throw Error("A chart needs a series.");

    Reference<css::table::XTableCharts> target =
        Reference<css::table::XTableChartsSupplier>(shownOn, UNO_QUERY_THROW)->getCharts();
    Sequence<css::table::CellRangeAddress> ranges(1);
    ranges[0] = css::table::CellRangeAddress(index(), 1, 1, 1, 1);
    target->addNewByName(ustr(chartName), rect, ranges, false, false);
    Reference<css::document::XEmbeddedObjectSupplier> object(target->getByName(ustr(chartName)),
                                                             UNO_QUERY_THROW);
    Reference<css::chart2::XChartDocument> chart(object->getEmbeddedObject(), UNO_QUERY_THROW);
    Reference<css::chart2::data::XDataProvider> provider = chart->getDataProvider();
    auto sequence = [&](const std::string& range, const char* role) {
      Reference<css::chart2::data::XDataSequence> s =
          provider->createDataSequenceByRangeRepresentation(ustr(range));
      Reference<css::beans::XPropertySet>(s, UNO_QUERY_THROW)
          ->setPropertyValue("Role", Any(rtl::OUString::createFromAscii(role)));
      return s;
    };
    auto labeled = [&](Reference<css::chart2::data::XDataSequence> values,
                       Reference<css::chart2::data::XDataSequence> label) {
      Reference<css::chart2::data::XLabeledDataSequence> l(
          create(context, "com.sun.star.chart2.data.LabeledDataSequence"), UNO_QUERY_THROW);
      l->setValues(values);
      if (label.is()) l->setLabel(label);
      return l;
    };

    Reference<css::chart2::XCoordinateSystemContainer> diagram(chart->getFirstDiagram(),
                                                               UNO_QUERY_THROW);
    Reference<css::chart2::XCoordinateSystem> system = diagram->getCoordinateSystems()[0];
    Reference<css::chart2::XChartTypeContainer> types(system, UNO_QUERY_THROW);
    const bool xy = definition.type == ChartType::LineWithMarkers;
    Reference<css::chart2::XChartType> primary(
        create(context,
               xy ? "com.sun.star.chart2.ScatterChartType" : "com.sun.star.chart2.ColumnChartType"),
        UNO_QUERY_THROW);
    Reference<css::chart2::XChartType> secondary;
    std::vector<Reference<css::chart2::XDataSeries>> onPrimary, onSecondary;
    for (std::size_t i = 0; i < parts.size(); ++i) {
      const Part& part = parts[i];
      Reference<css::chart2::XDataSeries> series(create(context, "com.sun.star.chart2.DataSeries"),
                                                 UNO_QUERY_THROW);
      std::vector<Reference<css::chart2::data::XLabeledDataSequence>> data;
      const auto label = part.label.empty() ? Reference<css::chart2::data::XDataSequence>()
                                            : sequence(part.label, "label");
      if (xy && !part.x.empty()) data.push_back(labeled(sequence(part.x, "values-x"), nullptr));
      data.push_back(labeled(sequence(part.y, "values-y"), label));
      Sequence<Reference<css::chart2::data::XLabeledDataSequence>> all(
          static_cast<sal_Int32>(data.size()));
      for (std::size_t j = 0; j < data.size(); ++j) all[static_cast<sal_Int32>(j)] = data[j];
      Reference<css::chart2::data::XDataSink>(series, UNO_QUERY_THROW)->setData(all);
      if (definition.series[i].secondaryAxis) {
        Reference<css::beans::XPropertySet>(series, UNO_QUERY_THROW)
            ->setPropertyValue("AttachedAxisIndex", Any(sal_Int32(1)));
        onSecondary.push_back(series);
      } else {
        onPrimary.push_back(series);
      }
      // Categories of a column chart: the first series' x values.
      if (!xy && i == 0 && !part.x.empty()) {
        Reference<css::chart2::XAxis> axis = system->getAxisByDimension(0, 0);
        css::chart2::ScaleData scale = axis->getScaleData();
        scale.Categories = labeled(sequence(part.x, "categories"), nullptr);
        axis->setScaleData(scale);
      }
    }
    auto asSequence = [](const std::vector<Reference<css::chart2::XDataSeries>>& v) {
      Sequence<Reference<css::chart2::XDataSeries>> s(static_cast<sal_Int32>(v.size()));
      for (std::size_t i = 0; i < v.size(); ++i) s[static_cast<sal_Int32>(i)] = v[i];
      return s;
    };
    Reference<css::chart2::XDataSeriesContainer>(primary, UNO_QUERY_THROW)
        ->setDataSeries(asSequence(onPrimary));
    Sequence<Reference<css::chart2::XChartType>> chartTypes(onSecondary.empty() ? 1 : 2);
    chartTypes[0] = primary;
    if (!onSecondary.empty()) {
      secondary.set(create(context, "com.sun.star.chart2.LineChartType"), UNO_QUERY_THROW);
      Reference<css::chart2::XDataSeriesContainer>(secondary, UNO_QUERY_THROW)
          ->setDataSeries(asSequence(onSecondary));
      chartTypes[1] = secondary;
    }
    types->setChartTypes(chartTypes);
    if (xy) {
      // The points' positions are numbers: a value axis, also for readers of the saved file.
      Reference<css::chart2::XAxis> axis = system->getAxisByDimension(0, 0);
      css::chart2::ScaleData scale = axis->getScaleData();
      scale.AxisType = css::chart2::AxisType::REALNUMBER;
      axis->setScaleData(scale);
    }

    // Titles, axes and the look, through the chart's classic interface.
    Reference<css::chart::XChartDocument> classic(chart, UNO_QUERY_THROW);
    Reference<css::beans::XPropertySet> document(classic, UNO_QUERY_THROW);
    document->setPropertyValue("HasMainTitle", Any(!definition.title.empty()));
    if (!definition.title.empty())
      Reference<css::beans::XPropertySet>(classic->getTitle(), UNO_QUERY_THROW)
          ->setPropertyValue("String", Any(ustr(definition.title)));
    Reference<css::beans::XPropertySet> d(classic->getDiagram(), UNO_QUERY_THROW);
    if (xy) {
      d->setPropertyValue("Lines", Any(true));
      d->setPropertyValue("SymbolType", Any(css::chart::ChartSymbolType::AUTO));
    }
    if (!onSecondary.empty()) d->setPropertyValue("HasSecondaryYAxis", Any(true));
    d->setPropertyValue("HasXAxis", Any(definition.categoryAxis));
    d->setPropertyValue("HasYAxis", Any(definition.valueAxis));
    auto title = [&](const Reference<css::drawing::XShape>& shape, const std::string& text) {
      if (!shape.is()) return;
      Reference<css::beans::XPropertySet>(shape, UNO_QUERY_THROW)
          ->setPropertyValue("String", Any(ustr(text)));
    };
    Reference<css::chart::XAxisXSupplier> xSupplier(d, UNO_QUERY);
    Reference<css::chart::XAxisYSupplier> ySupplier(d, UNO_QUERY);
    Reference<css::chart::XSecondAxisTitleSupplier> y2Supplier(d, UNO_QUERY);
    if (!definition.valueAxisTitle.empty() && ySupplier.is()) {
      d->setPropertyValue("HasYAxisTitle", Any(true));
      title(ySupplier->getYAxisTitle(), definition.valueAxisTitle);
    }
    if (!definition.secondaryAxisTitle.empty() && y2Supplier.is()) {
      d->setPropertyValue("HasSecondaryYAxisTitle", Any(true));
      title(y2Supplier->getSecondYAxisTitle(), definition.secondaryAxisTitle);
    }
    if (!definition.categoryAxisTitle.empty() && xSupplier.is()) {
      d->setPropertyValue("HasXAxisTitle", Any(true));
      title(xSupplier->getXAxisTitle(), definition.categoryAxisTitle);
    }
    if (definition.categoryAxis && xSupplier.is()) {
      Reference<css::beans::XPropertySet> xAxis = xSupplier->getXAxis();
      if (xAxis.is()) {
        if (definition.rotatedTickLabels)
          xAxis->setPropertyValue("TextRotation", Any(sal_Int32(4500)));
        if (definition.lowTickLabels)
          xAxis->setPropertyValue("LabelPosition",
                                  Any(css::chart::ChartAxisLabelPosition_OUTSIDE_START));
      }
    }

    info.top = definition.inSheet ? definition.top : toPoints(rect.Y);
    info.chart = chart;
    charts_[chartName] = info;
    return chartName;
  });
}

double CalcWorksheet::chartTop(const std::string& chart) const {
  auto it = charts_.find(chart);
  if (it == charts_.end()) throw Error("The item with the specified name wasn't found: " + chart);
  return it->second.top;
}

double CalcWorksheet::columnLeft(long column) const {
  return guarded("Columns.Left", [&] {
    Reference<css::table::XColumnRowRange> table(sheet_, UNO_QUERY_THROW);
    Reference<css::beans::XPropertySet> col(table->getColumns()->getByIndex(column - 1),
                                            UNO_QUERY_THROW);
    css::awt::Point position;
    col->getPropertyValue("Position") >>= position;
    return toPoints(position.X);
  });
}

void CalcWorksheet::setChartWindow(const std::string& chart, long points) {
  guarded("Chart window", [&] {
    auto it = charts_.find(chart);
    if (it == charts_.end()) return;
    const long rows = std::clamp<long>(points, 1, kMaxWindow);
    Reference<css::chart2::data::XDataProvider> provider = it->second.chart->getDataProvider();
    Reference<css::chart2::XCoordinateSystemContainer> diagram(it->second.chart->getFirstDiagram(),
                                                               UNO_QUERY_THROW);
    Reference<css::chart2::XChartTypeContainer> types(diagram->getCoordinateSystems()[0],
                                                      UNO_QUERY_THROW);
    for (Window& window : it->second.windows) {
      if (rows <= window.rows) continue;
      writeWindowBlock(window.name, window.column, rows);
      // The series reading the block read its longer range now.
      const std::string sheetName = name();
      for (const auto& type : types->getChartTypes())
        for (const auto& series :
             Reference<css::chart2::XDataSeriesContainer>(type, UNO_QUERY_THROW)->getDataSeries()) {
          Reference<css::chart2::data::XDataSource> source(series, UNO_QUERY_THROW);
          auto data = source->getDataSequences();
          for (auto& labeled : data) {
            Reference<css::chart2::data::XDataSequence> values = labeled->getValues();
            const std::string old = utf8(values->getSourceRangeRepresentation());
            for (long c : {window.column, window.column + 1}) {
              const std::string was = rangeRepresentation(sheetName, {2, c, window.rows + 1, c});
              if (old != was) continue;
              Reference<css::chart2::data::XDataSequence> longer =
                  provider->createDataSequenceByRangeRepresentation(
                      ustr(rangeRepresentation(sheetName, {2, c, rows + 1, c})));
              Reference<css::beans::XPropertySet>(longer, UNO_QUERY_THROW)
                  ->setPropertyValue("Role",
                                     Reference<css::beans::XPropertySet>(values, UNO_QUERY_THROW)
                                         ->getPropertyValue("Role"));
              labeled->setValues(longer);
            }
          }
          Reference<css::chart2::data::XDataSink>(series, UNO_QUERY_THROW)->setData(data);
        }
      window.rows = rows;
    }
  });
}

int CalcWorksheet::setScrollBars(const std::string& barName, const ScrollBarSettings& settings) {
  return guarded("Scroll Bar", [&] {
    const RangeRef linked = *[&] {
      std::string a1;
      for (char c : settings.linkedCell)
        if (c != '$') a1 += c;
      auto r = parseRange(a1);
      if (!r) throw Error("Bad linked cell \"" + settings.linkedCell + "\"");
      return r;
    }();
    Reference<css::container::XIndexAccess> shapes(
        Reference<css::drawing::XDrawPageSupplier>(sheet_, UNO_QUERY_THROW)->getDrawPage(),
        UNO_QUERY_THROW);
    int count = 0;
    for (sal_Int32 i = 0; i < shapes->getCount(); ++i) {
      Reference<css::drawing::XControlShape> shape(shapes->getByIndex(i), UNO_QUERY);
      Reference<css::container::XNamed> named(shape, UNO_QUERY);
      if (!shape.is() || !named.is() || utf8(named->getName()) != barName) continue;
      Reference<css::beans::XPropertySet> model(shape->getControl(), UNO_QUERY);
      if (!model.is()) continue;
      model->setPropertyValue("ScrollValueMax", Any(static_cast<sal_Int32>(settings.maximum)));
      model->setPropertyValue("DefaultScrollValue", Any(static_cast<sal_Int32>(settings.value)));
      model->setPropertyValue("ScrollValueMin", Any(static_cast<sal_Int32>(settings.minimum)));
      model->setPropertyValue("LineIncrement", Any(static_cast<sal_Int32>(settings.smallChange)));
      model->setPropertyValue("BlockIncrement", Any(static_cast<sal_Int32>(settings.largeChange)));
      // The linked cell: a two-way binding between the bar's value and the cell.
      css::beans::NamedValue bound;
      bound.Name = "BoundCell";
      bound.Value <<=
          css::table::CellAddress(index(), static_cast<sal_Int32>(linked.firstColumn - 1),
                                  static_cast<sal_Int32>(linked.firstRow - 1));
      Sequence<Any> args(1);
      args[0] <<= bound;
      Reference<css::form::binding::XValueBinding> binding(
          Reference<css::lang::XMultiServiceFactory>(app_.document(), UNO_QUERY_THROW)
              ->createInstanceWithArguments("com.sun.star.table.CellValueBinding", args),
          UNO_QUERY_THROW);
      Reference<css::form::binding::XBindableValue>(model, UNO_QUERY_THROW)
          ->setValueBinding(binding);
      model->setPropertyValue("ScrollValue", Any(static_cast<sal_Int32>(settings.value)));
      ++count;
    }
    return count;
  });
}

}  // namespace sheet::calc
