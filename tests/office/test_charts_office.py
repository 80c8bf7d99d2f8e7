"""Worksheet charts of the add-in in a real headless LibreOffice: the strip chart's moving
window, the histogram's bins, counts and shares computed by Calc, the scroll bars after a run,
and what saved workbooks keep."""

import math
import os
import tempfile
import time
import unittest

import openpyxl

import office
from addin_fixture import AddinFixture

fixture = None
SHEETS = {0: "Readings", 1: "StripChart", 2: "Histogram", 3: "StripHistogram"}


def setUpModule():
    global fixture
    fixture = AddinFixture()


def tearDownModule():
    fixture.stop()


def settings(auto_min=True, auto_max=True, minimum="", maximum=""):
    path = fixture.settings
    with open(path, encoding="utf-8") as f:
        lines = [l for l in f.read().splitlines()
                 if not l.replace(" ", "").startswith(("SetAutoMin=", "SetAutoMax=", "MaxLimit=",
                                                       "MiniLimit="))]
    i = lines.index("[Information]") + 1
    lines[i:i] = ["SetAutoMin=%s" % auto_min, "SetAutoMax=%s" % auto_max,
                  "MiniLimit=%s" % minimum, "MaxLimit=%s" % maximum]
    with open(path, "w", encoding="utf-8") as f:
        f.write("\n".join(lines) + "\n")


def series_values(sheet, chart="Chart 1", index=0, role="values-y"):
    """The numbers a chart's series shows (points without a value left out)."""
    chart_doc = sheet.Charts.getByName(chart).EmbeddedObject
    system = chart_doc.getFirstDiagram().getCoordinateSystems()[0]
    series = [s for t in system.getChartTypes() for s in t.getDataSeries()][index]
    for labeled in series.getDataSequences():
        values = labeled.getValues()
        if values.Role == role:
            return [v for v in values.getData() if isinstance(v, float) and not math.isnan(v)]
    raise AssertionError("no %s in the series" % role)


def column_values(sheet, col, first, last):
    return [sheet.getCellByPosition(col, r - 1).getValue() for r in range(first, last + 1)]


def wait_for_row(app, row, timeout=60):
    deadline = time.time() + timeout
    while app.getDataRow() < row:
        if time.time() > deadline:
            raise AssertionError("row %d not reached" % row)
        time.sleep(0.01)


class Run:
    """A logging run of the simulated V3800A into the template sheet of a chart kind."""

    def __init__(self, kind, readings, in_sheet=True, bins=None, interval=20):
        self.doc = fixture.workbook()
        self.app = fixture.application(self.doc)
        fixture.connect(self.app, "V3800A")
        self.sheet = self.doc.Sheets.getByName(SHEETS[kind])
        if bins is not None:
            self.sheet.getCellRangeByName("G6" if kind == 2 else "G10").setValue(bins)
        self.app.SetSheet(self.sheet)
        self.app.SetNumberOfReading(readings)
        self.app.SetTerimnatingUpon(1)
        self.app.AddChart(kind, in_sheet)
        self.interval = interval

    def start(self):
        self.app.StartTimer(self.interval)
        return self

    def close(self):
        if self.app.isActive():
            self.app.StopTimer()
        self.doc.close(True)

    def cell(self, name):
        return self.sheet.getCellRangeByName(name)


class StripChart(unittest.TestCase):
    def test_window_shows_all_readings_then_the_last_chart_points(self):
        settings()
        run = Run(1, 150).start()
        try:
            wait_for_row(run.app, 52)
            run.app.PauseTimer()
            time.sleep(0.2)  # a tick already queued finishes
            count = int(run.cell("F6").getValue())
            self.assertEqual(series_values(run.sheet), column_values(run.sheet, 1, 2, count + 1))
            self.assertEqual(len(series_values(run.sheet)), count)
            run.app.Stop_Pause()
            fixture.wait_until_ended(run.app)
            # 150 readings in rows 2-151, a window of 100: rows 52 to 151.
            self.assertEqual(series_values(run.sheet), column_values(run.sheet, 1, 52, 151))
            self.assertEqual(series_values(run.sheet, role="values-x"), list(map(float, range(1, 101))))
        finally:
            run.close()

    def test_scroll_bars_after_the_run_move_and_widen_the_window(self):
        run = Run(1, 60).start()
        try:
            fixture.wait_until_ended(run.app)
            bars = {s.Name: s.Control for s in run.sheet.DrawPage if s.Name.startswith("Scroll Bar")}
            self.assertEqual(set(bars), {"Scroll Bar 1", "Scroll Bar 2"})
            one, two = bars["Scroll Bar 1"], bars["Scroll Bar 2"]
            self.assertEqual((one.ScrollValueMax, one.ScrollValue, one.ScrollValueMin,
                              one.LineIncrement, one.BlockIncrement), (60, 60, 1, 1, 5))
            # Bar 2 keeps the window width the user set (100), wider than the 60 readings.
            self.assertEqual((two.ScrollValueMax, two.ScrollValue), (60, 100))
            # Dragging bar 1 back moves the window through the data; bar 2 narrows it.
            two.ScrollValue = 20
            self.assertEqual(run.cell("F8").getValue(), 20)
            one.ScrollValue = 30
            self.assertEqual(run.cell("F6").getValue(), 30)
            self.assertEqual(series_values(run.sheet), column_values(run.sheet, 1, 12, 31))
            two.ScrollValue = 60
            one.ScrollValue = 60
            self.assertEqual(series_values(run.sheet), column_values(run.sheet, 1, 2, 61))
        finally:
            run.close()

    def test_chart_on_its_own_sheet(self):
        run = Run(1, 5, in_sheet=False).start()
        try:
            fixture.wait_until_ended(run.app)
            own = run.doc.Sheets.getByName("StripChartChart 1")
            self.assertEqual(own.Charts.Count, 1)
            self.assertEqual(run.sheet.Charts.Count, 0)
            self.assertEqual(len(series_values(own)), 5)
        finally:
            run.close()


class Histogram(unittest.TestCase):
    def bin_rows(self, sheet):
        row = 2
        while sheet.getCellByPosition(2, row).getFormula():
            row += 1
        return row  # the last row with a boundary formula

    def test_bin_rows_by_limit_mode_with_the_fixed_pairs_red(self):
        cases = [(True, True, 11, False, False), (False, True, 12, True, False),
                 (True, False, 12, False, True), (False, False, 13, True, True)]
        for auto_min, auto_max, last, min_red, max_red in cases:
            with self.subTest(auto_min=auto_min, auto_max=auto_max):
                settings(auto_min, auto_max, "9999999.9", "10000000.3")
                run = Run(2, 20, bins=10)
                try:
                    self.assertEqual(self.bin_rows(run.sheet), last)
                    self.assertEqual(run.cell("D2").getArrayFormula(),
                                     "{=FREQUENCY(B2:OFFSET(B1,COUNT(B2:B21),0),C2:OFFSET(C1,%d,0))}"
                                     % (last - 2))
                    red = lambda c: run.cell(c).CharColor == 0xFF0000
                    self.assertEqual((red("F7"), red("G7")), (min_red, min_red))
                    self.assertEqual((red("F8"), red("G8")), (max_red, max_red))
                finally:
                    run.close()
        settings()

    def test_equal_limits_give_a_bin_size_of_0_and_the_upper_limit_as_first_boundary(self):
        settings()
        run = Run(2, 20, bins=10)
        try:
            run.cell("G7").setValue(7.5)
            run.cell("G8").setValue(7.5)
            run.doc.calculateAll()
            self.assertEqual(run.cell("G9").getValue(), 0)
            self.assertEqual(run.cell("C2").getValue(), 7.5)
        finally:
            run.close()

    def test_counts_and_cumulative_shares_equal_an_independent_count(self):
        settings()
        run = Run(2, 120, bins=12).start()
        try:
            fixture.wait_until_ended(run.app)
            values = column_values(run.sheet, 1, 2, 121)
            last = self.bin_rows(run.sheet)
            bounds = column_values(run.sheet, 2, 2, last - 1)   # M boundaries
            counts = column_values(run.sheet, 3, 2, last)        # M + 1 counts
            shares = column_values(run.sheet, 4, 2, last)
            expected = []
            lower = -math.inf
            for b in bounds:
                expected.append(sum(1 for v in values if lower < v <= b))
                lower = b
            expected.append(sum(1 for v in values if v > bounds[-1]))
            self.assertEqual(counts, expected)
            self.assertEqual(sum(counts), 120)
            running = 0
            for share, count in zip(shares, counts):
                running += count
                self.assertAlmostEqual(share, running / 120)
            self.assertEqual(run.cell("G7").getValue(), min(values))
            self.assertEqual(run.cell("G8").getValue(), max(values))
            self.assertAlmostEqual(run.cell("G9").getValue(), (max(values) - min(values)) / 12)
            # The histogram's series are the columns Calc computed.
            self.assertEqual(series_values(run.sheet, index=0), counts)
            self.assertEqual(series_values(run.sheet, index=1), shares)
        finally:
            run.close()


class SavedWorkbooks(unittest.TestCase):
    def test_ods_keeps_everything_and_xlsx_keeps_names_array_formula_formats_and_charts(self):
        settings()
        run = Run(3, 30).start()
        try:
            fixture.wait_until_ended(run.app)
            with tempfile.TemporaryDirectory() as out:
                ods, xlsx = os.path.join(out, "run.ods"), os.path.join(out, "run.xlsx")
                run.doc.storeToURL(office.uno.systemPathToFileUrl(ods), ())
                run.doc.storeToURL(office.uno.systemPathToFileUrl(xlsx),
                                   (office.prop("FilterName", "Calc MS Excel 2007 XML"),))

                saved = fixture.office.open(ods)
                try:
                    sheet = saved.Sheets.getByName("StripHistogram")
                    names = sheet.NamedRanges
                    for n in ("CtrisStripChart", "CtryAxis", "CtrxAxis", "CtrxHistoAxis",
                              "CtrCount", "CtrPoints", "CtrTotBins"):
                        self.assertTrue(names.hasByName(n), n)
                    self.assertEqual(sheet.Charts.Count, 2)
                    self.assertEqual(len(series_values(sheet)), 30)
                    bars = [s for s in sheet.DrawPage if s.Name.startswith("Scroll Bar")]
                    self.assertEqual(len(bars), 2)
                    self.assertEqual(bars[0].Control.ValueBinding is not None, True)
                finally:
                    saved.close(True)

                book = openpyxl.load_workbook(xlsx)
                ws = book["StripHistogram"]
                position = book.sheetnames.index("StripHistogram")
                local = {n.name: n.attr_text for n in book.defined_names.definedName
                         if n.localSheetId == position}
                for n in ("CtrisStripChart", "CtryAxis", "CtrxAxis", "CtrxHistoAxis",
                          "CtryHisto1Axis", "CtryHisto2Axis", "CtrCount", "CtrPoints"):
                    self.assertIn(n, local)
                self.assertEqual(local["CtrxHistoAxis"], "StripHistogram!$C$2:$C$11")
                self.assertIn("OFFSET(StripHistogram!$A$2,CtrCount-CtrPoints,1,CtrPoints,1)",
                              local["CtryAxis"])
                self.assertEqual(ws.formula_attributes["D2"]["t"], "array")
                self.assertEqual(ws.formula_attributes["D2"]["ref"], "D2:D11")
                self.assertIn('"<= "0.000000000000E+00', ws["C2"].number_format)
                self.assertIn('"> "0.000000000000E+00', ws["C11"].number_format)
                self.assertEqual(ws["E5"].number_format, "0.00%")
                self.assertEqual(sorted(type(c).__name__ for c in ws._charts),
                                 ["BarChart", "ScatterChart"])
        finally:
            run.close()


if __name__ == "__main__":
    unittest.main()
