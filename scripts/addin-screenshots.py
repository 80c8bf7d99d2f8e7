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

build = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else "build")
out_dir = os.path.abspath(sys.argv[2] if len(sys.argv) > 2 else "docs/screenshots")
os.environ["V38XX_BUILD_DIR"] = build
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "../tests/office"))

import office  # noqa: E402
from addin_fixture import AddinFixture  # noqa: E402


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


if __name__ == "__main__":
    main()
