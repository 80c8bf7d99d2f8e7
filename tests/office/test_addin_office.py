"""The add-in server inside a real headless LibreOffice with its extension installed, against
v38xx-sim on loopback: discovery, a logging run with its rows and summary, the saved workbooks,
a dropped link, a macro in the office driving the service by name, and v38xx-log."""

import math
import os
import shutil
import statistics
import subprocess
import tempfile
import time
import unittest

import openpyxl

import office
from addin_fixture import AddinFixture

fixture = None


def setUpModule():
    global fixture
    fixture = AddinFixture()


def tearDownModule():
    fixture.stop()


def column(sheet, col, first, last):
    return [sheet.getCellByPosition(col, r - 1).getValue() for r in range(first, last + 1)]


class Discovery(unittest.TestCase):
    def test_finds_both_simulated_models_through_visa_conf(self):
        doc = fixture.workbook()
        try:
            app = fixture.application(doc)
            app.IIDevCounts = 0
            app.FindDevice()
            self.assertEqual(app.IIDevCounts, 2)
            found = {}
            for i in range(2):
                app.GetIDN(i)
                self.assertEqual(len(app.IIDNStr), 256)
                found[app.IIDNStr.split(",")[1]] = app.IIDNAddr
                self.assertGreater(app.IIDNSesn, 0)
            self.assertEqual(found, {"V3800A": fixture.sim("V3800A").resource,
                                     "V3820A": fixture.sim("V3820A").resource})
            with self.assertRaises(Exception):  # IndexOutOfBoundsException
                app.GetIDN(256)
            app.RMClose()
        finally:
            doc.close(True)


class LoggingRun(unittest.TestCase):
    def test_direct_run_of_25_readings_fills_rows_summary_and_saved_workbooks(self):
        doc = fixture.workbook()
        try:
            app = fixture.application(doc)
            fixture.connect(app, "V3800A")
            sheet = doc.Sheets.getByName("Readings")
            app.SetSheet(sheet)
            app.SetNumberOfReading(25)
            app.SetTerimnatingUpon(1)
            app.SetBegin(1)
            app.AddChart(0, True)
            app.StartTimer(100)
            fixture.wait_until_ended(app)

            values = column(sheet, 1, 2, 26)
            times = column(sheet, 0, 2, 26)
            self.assertEqual(sheet.getCellRangeByName("B27").getString(), "")
            for v in values:
                self.assertAlmostEqual(v, 1e7, delta=100)
            for earlier, later in zip(times, times[1:]):
                self.assertLess(earlier, later)
            self.assertAlmostEqual(times[-1] - times[0], 24 * 0.1 / 86400, delta=2 / 86400)
            cell = lambda name: sheet.getCellRangeByName(name).getValue()
            self.assertEqual(cell("F4"), 25)
            self.assertAlmostEqual(cell("F5"), statistics.stdev(values),
                                   delta=1e-9 * statistics.stdev(values))
            self.assertAlmostEqual(cell("F6"), statistics.fmean(values), delta=1e-6)
            self.assertEqual(cell("F7"), min(values))
            self.assertEqual(cell("F8"), max(values))
            self.assertEqual(app.getMessages(), ())

            # The settings of the run were saved as the add-in saves them.
            with open(fixture.settings, encoding="utf-8") as f:
                text = f.read()
            for line in ("ReadPoints = 25", "Interval = 100", "Add_Chart = 0", "In_Sheet = True"):
                self.assertIn(line, text)

            with tempfile.TemporaryDirectory() as out:
                xlsx = os.path.join(out, "run.xlsx")
                doc.storeToURL(office.uno.systemPathToFileUrl(xlsx),
                               (office.prop("FilterName", "Calc MS Excel 2007 XML"),))
                ws = openpyxl.load_workbook(xlsx)["Readings"]
                self.assertEqual([ws.cell(r, 2).value for r in range(2, 27)], values)
                self.assertEqual(ws["A2"].number_format, "hh:mm:ss.00")
                self.assertEqual(ws["F4"].value, 25)
                self.assertAlmostEqual(ws["F5"].value, cell("F5"))
                self.assertIn("0.000000000000E+00", ws["F5"].number_format)
        finally:
            doc.close(True)

    def test_dropped_link_ends_the_run_with_the_error_box_and_keeps_every_row(self):
        doc = fixture.workbook()
        try:
            app = fixture.application(doc)
            fixture.connect(app, "V3820A")
            sheet = doc.Sheets.getByName("Readings")
            app.SetSheet(sheet)
            app.SetNumberOfReading(200)
            app.SetTerimnatingUpon(1)
            app.AddChart(0, False)
            before = len(app.getMessages())
            app.StartTimer(100)
            deadline = time.time() + 30
            while app.getDataRow() < 8 and time.time() < deadline:
                time.sleep(0.02)
            self.assertEqual(fixture.sim("V3820A").control("drop"), "ok")
            fixture.wait_until_ended(app)
            messages = app.getMessages()[before:]
            self.assertEqual(len(messages), 1, messages)
            self.assertTrue(messages[0].startswith("Error status description:\n"), messages[0])
            rows = int(sheet.getCellRangeByName("F4").getValue())
            self.assertGreaterEqual(rows, 6)
            for r in range(2, rows + 2):
                self.assertAlmostEqual(sheet.getCellByPosition(1, r - 1).getValue(), 1e7,
                                       delta=100)
            self.assertEqual(sheet.getCellByPosition(1, rows + 1).getString(), "")
            self.assertIn("Error status description:", fixture.office.log())
        finally:
            doc.close(True)


class Macros(unittest.TestCase):
    def test_a_macro_in_the_office_creates_the_service_by_name_and_calls_its_members(self):
        scripts = os.path.join(fixture.office.profile, "user/Scripts/python")
        os.makedirs(scripts, exist_ok=True)
        shutil.copy(os.path.join(os.path.dirname(__file__), "macros/addin_probe.py"), scripts)
        provider = fixture.office.service(
            "com.sun.star.script.provider.MasterScriptProviderFactory").createScriptProvider("")
        script = provider.getScript(
            "vnd.sun.star.script:addin_probe.py$probe?language=Python&location=user")
        self.assertEqual(script.invoke((), (), ())[0], "Chinese(Simplify)|关于 ORVALENT V38XX Tallyway|7|250|2")


class CommandLine(unittest.TestCase):
    def test_v38xx_log_logs_into_a_workbook_and_saves_it(self):
        with tempfile.TemporaryDirectory() as out:
            ods, xlsx = os.path.join(out, "run.ods"), os.path.join(out, "run.xlsx")
            env = dict(os.environ, XDG_DATA_HOME=os.path.join(out, "data"),
                       V38XX_VISA_CONF=fixture.visa_conf)
            done = subprocess.run(
                [os.path.join(fixture.build, "bin/v38xx-log"), "--resource",
                 fixture.sim("V3820A").resource, "--interval", "100", "--readings", "12",
                 "--out", ods, "--out", xlsx],
                env=env, capture_output=True, text=True, timeout=180)
            self.assertEqual(done.returncode, 0, done.stderr)
            lines = done.stdout.splitlines()
            self.assertEqual(len(lines), 12)
            self.assertTrue(lines[-1].startswith("12\t"))
            ws = openpyxl.load_workbook(xlsx).active
            self.assertEqual(ws.max_row, 13)
            self.assertEqual(ws["F4"].value, 12)
            self.assertTrue(os.path.getsize(ods) > 0)
            self.assertTrue(os.path.exists(os.path.join(
                out, "data/Orvalent/Counter/V38XX/CTR_TOOLV38XX.ini")))

    def test_v38xx_log_refuses_bad_options_before_starting_anything(self):
        done = subprocess.run([os.path.join(fixture.build, "bin/v38xx-log"), "--readings",
                               "ten", "--out", "x.ods"], capture_output=True, text=True)
        self.assertEqual(done.returncode, 2)
        self.assertIn("--readings", done.stderr)


if __name__ == "__main__":
    unittest.main()
