"""The add-in as a user meets it: Calc's own window on a private X server (Xvfb), the toolbar's
commands dispatched to the document's frame, the forms worked with keys and clicks through
xdotool, and a logging run started from the toolbar against two simulated counters."""

import os
import shutil
import subprocess
import time
import unittest

import office
from addin_fixture import AddinFixture

# The forms' sizes in dialog units, as the add-in lays them out; clicks are placed by scaling
# these to the window's size in pixels.
CONNECT_SIZE = (330, 206)
FIRST_ROW = (80, 80)  # the first instrument row of the list, inside "Identified Instruments"
LOGGING_SIZE = (260, 246)
READINGS_EDIT = (160, 12)
CHART_LIST = (120, 164)


class Display:
    """An X server of this test's own, ended by process id."""

    def __init__(self):
        read, write = os.pipe()
        self.process = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write), "-screen", "0", "1600x1000x24", "-nolisten", "tcp"],
            pass_fds=(write,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write)
        with os.fdopen(read) as f:
            number = f.readline().strip()
        if not number:
            self.process.kill()
            raise RuntimeError("Xvfb did not start")
        self.name = ":" + number

    def stop(self):
        self.process.terminate()
        try:
            self.process.wait(timeout=10)
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.wait()


def xdotool(*args):
    return subprocess.run(["xdotool", *args], capture_output=True, text=True).stdout.strip()


def windows_named(title):
    return xdotool("search", "--onlyvisible", "--name", "^%s$" % title).split()


def wait_for(condition, timeout, what):
    deadline = time.time() + timeout
    while time.time() < deadline:
        value = condition()
        if value:
            return value
        time.sleep(0.2)
    shown = [xdotool("getwindowname", w) for w in xdotool("search", "--onlyvisible", "--name", ".").split()]
    if os.environ.get("V38XX_GUI_SHOT"):  # a picture of the screen, for whoever looks into it
        subprocess.run(["import", "-window", "root", os.environ["V38XX_GUI_SHOT"]])
    log = fixture.office.log()[-2000:] if fixture else ""
    raise AssertionError("timed out waiting for %s; windows shown: %s\noffice log:\n%s"
                         % (what, shown, log))


def geometry(window):
    out = dict(line.split("=") for line in xdotool("getwindowgeometry", "--shell", window).split())
    return int(out["X"]), int(out["Y"]), int(out["WIDTH"]), int(out["HEIGHT"])


def click_at(window, units, size):
    x, y, w, h = geometry(window)
    xdotool("mousemove", "--sync", str(x + units[0] * w // size[0]),
            str(y + units[1] * h // size[1]), "click", "1")


def keys(window, *names):
    # Keys through XTEST to the focused window: the office ignores synthetic key events.
    xdotool("windowfocus", "--sync", window)
    xdotool("key", *names)


display = None
fixture = None


def setUpModule():
    global display, fixture
    missing = [p for p in ("Xvfb", "xdotool") if not shutil.which(p)]
    if missing:
        raise unittest.SkipTest("needs " + " and ".join(missing))
    display = Display()
    os.environ["DISPLAY"] = display.name
    try:
        fixture = AddinFixture(headless=False, settings={
            "ReadPoints": "20", "Interval": "100", "Begin": "1", "Terminating": "1",
            "Add_Chart": "3", "In_Sheet": "True", "Bins": "10"})
    except Exception:
        display.stop()
        raise


def tearDownModule():
    try:
        if fixture:
            fixture.stop()
    finally:
        if display:
            display.stop()


class ToolbarAndForms(unittest.TestCase):
    def setUp(self):
        self.doc = fixture.office.new_calc(fixture.template, hidden=False)
        self.frame = self.doc.CurrentController.Frame
        self.frame.ContainerWindow.setPosSize(0, 0, 1600, 1000, 15)
        self.frame.ContainerWindow.setFocus()

    def tearDown(self):
        for title in ("ORVALENT V38XX Tallyway", "Connect to Device", "Set up Instrument",
                      "Logging Charts", "About ORVALENT V38XX Tallyway"):
            for w in windows_named(title):
                keys(w, "Escape")
        self.doc.close(True)

    def dispatch(self, command):
        from com.sun.star.util import URL
        url = URL()
        url.Complete = "vnd.orvalent.tallyway:" + command
        _, url = fixture.office.service("com.sun.star.util.URLTransformer").parseStrict(url)
        dispatcher = self.frame.queryDispatch(url, "", 0)
        self.assertIsNotNone(dispatcher, command)
        dispatcher.dispatch(url, ())

    def open_form(self, command, title):
        self.dispatch(command)
        return wait_for(lambda: windows_named(title), 30, title)[-1]

    def cell(self, sheet, name):
        return self.doc.Sheets.getByName(sheet).getCellRangeByName(name)

    def test_find_connect_log_from_the_toolbar_and_read_one_value(self):
        sheet_name = "StripHistogram"
        self.doc.CurrentController.setActiveSheet(self.doc.Sheets.getByName(sheet_name))

        # Connect to Device: Find lists both counters; the first row is chosen and connected.
        form = self.open_form("CTRConnectV38XX", "Connect to Device")
        keys(form, "alt+f")
        time.sleep(3)
        click_at(form, FIRST_ROW, CONNECT_SIZE)
        keys(form, "alt+c")
        time.sleep(1)
        keys(form, "Escape")
        wait_for(lambda: not windows_named("Connect to Device"), 10, "the form to close")

        # Set up Instrument sends the front panel's program for Frequency on input 1.
        counter = fixture.sim("V3800A")
        form = self.open_form("CTRFuncsV38XX", "Set up Instrument")
        keys(form, "alt+s")
        wait_for(lambda: "FUNC 'FREQ 1'" in counter.received(), 20, "the setup commands")
        self.assertIn("FREQuency:ARM:STOP:TIMer 0.1", counter.received())
        keys(form, "Escape")
        wait_for(lambda: not windows_named("Set up Instrument"), 10, "the form to close")

        # Logging Charts: 20 readings typed in, strip chart and histogram chosen (the last kind).
        form = self.open_form("CTRChartV38XX", "Logging Charts")
        click_at(form, READINGS_EDIT, LOGGING_SIZE)
        xdotool("key", "ctrl+a")
        xdotool("type", "20")
        click_at(form, CHART_LIST, LOGGING_SIZE)
        time.sleep(0.5)
        xdotool("key", "End", "Return")
        time.sleep(0.5)
        keys(form, "Return")
        wait_for(lambda: not windows_named("Logging Charts"), 10, "Logging Charts to close")
        with open(fixture.settings, encoding="utf-8") as f:
            saved = f.read()
        for line in ("ReadPoints = 20", "Interval = 100", "Add_Chart = 3", "In_Sheet = True"):
            self.assertIn(line, saved)

        # START logs 20 readings of the connected counter with strip chart and histogram.
        self.dispatch("CTRTimerStartV38XX")
        sheet = self.doc.Sheets.getByName(sheet_name)

        def readings():
            values = [sheet.getCellByPosition(1, row).getValue() for row in range(1, 40)]
            return [v for v in values if v != 0]

        wait_for(lambda: len(readings()) >= 20, 60, "20 readings")
        time.sleep(1)
        values = readings()
        self.assertEqual(len(values), 20)
        for v in values:
            self.assertAlmostEqual(v, 1e7, delta=100)  # the simulated V3800A's signal
        self.assertEqual(sheet.Charts.Count, 2)

        # Get Single Reading writes one value into the active cell.
        target = self.cell(sheet_name, "A30")
        self.doc.CurrentController.select(target)
        self.dispatch("CTRMeasV38XX")
        wait_for(lambda: target.getValue() != 0, 20, "the single reading")
        self.assertAlmostEqual(target.getValue(), 1e7, delta=100)

    def test_about_lists_the_languages_and_closes(self):
        form = self.open_form("CTRAboutV38XX", "About ORVALENT V38XX Tallyway")
        keys(form, "Escape")
        wait_for(lambda: not windows_named("About ORVALENT V38XX Tallyway"), 10, "About to close")
        # The office is still responsive to the next command.
        form = self.open_form("CTRChartV38XX", "Logging Charts")
        keys(form, "Escape")
        wait_for(lambda: not windows_named("Logging Charts"), 10, "Logging Charts to close")


if __name__ == "__main__":
    unittest.main()
