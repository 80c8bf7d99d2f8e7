#!/usr/bin/python3
"""Screenshots of the spreadsheet add-in in LibreOffice Calc's own window (run under xvfb-run):
logging runs against v38xx-sim with the strip chart and histogram in the sheet, and the strip
chart on a sheet of its own. Usage:
  xvfb-run -a -s "-screen 0 1600x1000x24" /usr/bin/python3 scripts/addin-screenshots.py BUILD OUT_DIR
"""

import os
import subprocess
import sys
import time

args = [a for a in sys.argv[1:] if not a.startswith("--")]
build = os.path.abspath(args[0] if args else "build")
out_dir = os.path.abspath(args[1] if len(args) > 1 else "docs/screenshots")
os.environ["V38XX_BUILD_DIR"] = build
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "../tests/office"))

import office  # noqa: E402
from addin_fixture import AddinFixture  # noqa: E402
import test_addin_gui as gui  # noqa: E402  (the GUI test's xdotool helpers)


def capture(name):
    path = os.path.join(out_dir, name)
    subprocess.run(["import", "-window", "root", path], check=True)
    print("wrote", path)


def show(doc, sheet_name, zoom=100):
    controller = doc.CurrentController
    controller.setActiveSheet(doc.Sheets.getByName(sheet_name))
    frame = controller.Frame
    frame.ContainerWindow.setPosSize(0, 0, 1600, 1000, 15)
    controller.ZoomValue = zoom
    time.sleep(3)


def run(fixture, doc, kind, readings, in_sheet):
    app = fixture.application(doc)
    fixture.connect(app, "V3800A")
    sheet = doc.Sheets.getByName({1: "StripChart", 3: "StripHistogram"}[kind])
    app.SetSheet(sheet)
    app.SetNumberOfReading(readings)
    app.SetTerimnatingUpon(1)
    app.AddChart(kind, in_sheet)
    app.StartTimer(50)
    fixture.wait_until_ended(app, timeout=120)
    return sheet


def main():
    os.makedirs(out_dir, exist_ok=True)
    fixture = AddinFixture(headless=False)
    try:
        doc = fixture.office.new_calc(fixture.template, hidden=False)
        run(fixture, doc, 3, 150, True)
        show(doc, "StripHistogram", zoom=58)
        capture("addin-calc-kind3-in-sheet.png")
        doc.close(True)

        doc = fixture.office.new_calc(fixture.template, hidden=False)
        run(fixture, doc, 1, 120, False)
        show(doc, "StripChartChart 1")
        capture("addin-calc-kind1-chart-sheet.png")
        show(doc, "StripChart")
        capture("addin-calc-kind1-data-sheet.png")
        doc.close(True)
    finally:
        fixture.stop()




# ---------------------------------------------------------------------------------------------
# The toolbar and every form, in each language.

LANGUAGES = [("English(U.S)", "en"), ("Chinese(Traditional)", "zh-TW"), ("Chinese(Simplify)", "zh-CN")]
FORMS = [("CTRAboutV38XX", "about"), ("CTRConnectV38XX", "connect"), ("CTRFilesV38XX", "files"),
         ("CTRFuncsV38XX", "setup"), ("CTRChartV38XX", "logging")]


def dispatch(office_, frame, command):
    from com.sun.star.util import URL  # noqa: E402
    url = URL()
    url.Complete = "vnd.orvalent.tallyway:" + command
    transformer = office_.service("com.sun.star.util.URLTransformer")
    _, url = transformer.parseStrict(url)
    frame.queryDispatch(url, "", 0).dispatch(url, ())


def dialog_windows():
    """The office's visible windows other than documents (without a window manager a dialog is
    a top-level window of its own)."""
    found = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "."],
                           capture_output=True, text=True).stdout.split()
    out = []
    for w in found:
        name = subprocess.run(["xdotool", "getwindowname", w], capture_output=True,
                              text=True).stdout.strip()
        if name and "LibreOffice" not in name:
            out.append(w)
    return out


def press(keys, window=None):
    """Keys to the dialog (the newest one when none is named), focused first."""
    windows = [window] if window else dialog_windows()[-1:]
    for w in windows:
        gui.keys(w, *keys.split())
    time.sleep(1)


def close_dialog():
    for w in reversed(dialog_windows()):
        press("Escape", w)


def capture_window(window, name):
    path = os.path.join(out_dir, name)
    subprocess.run(["import", "-window", window, path], check=True)
    print("wrote", path)


def forms_in(language, suffix):
    os.makedirs(out_dir, exist_ok=True)
    fixture = AddinFixture(headless=False, settings={"CurrentLanguage": language})
    try:
        doc = fixture.office.new_calc(fixture.template, hidden=False)
        frame = doc.CurrentController.Frame
        frame.ContainerWindow.setPosSize(0, 0, 1600, 1000, 15)
        time.sleep(3)
        if suffix == "en":
            capture("addin-calc-toolbar.png")
        for command, name in FORMS:
            dispatch(fixture.office, frame, command)
            time.sleep(2.5)
            window = dialog_windows()[-1]
            if command == "CTRConnectV38XX":
                # Find, choose the first counter and connect it: the forms after this one
                # work with a connected counter.
                press("alt+f", window)
                time.sleep(2)
                gui.click_at(window, gui.FIRST_ROW, gui.CONNECT_SIZE)
                time.sleep(0.5)
                gui.click_at(window, (48, 157), gui.CONNECT_SIZE)  # Connect
                time.sleep(1)
            capture_window(window, "addin-form-%s-%s.png" % (name, suffix))
            close_dialog()
        doc.close(True)
    finally:
        fixture.stop()


def all_forms():
    for language, suffix in LANGUAGES:
        forms_in(language, suffix)


if __name__ == "__main__":
    if "--forms" in sys.argv:
        all_forms()
    else:
        main()
