#!/usr/bin/python3
"""Cost of one logged reading inside LibreOffice: the add-in's tick (the "fetch?" round trip to
v38xx-sim on loopback, the row, the statistics and the summary block, and Calc's recalculation
of whatever the chart kind set up), measured by the add-in itself over a run of many readings.
One office for the whole program. Usage: office_tick_bench.py BUILD_DIR [READINGS]"""

import os
import statistics
import sys
import time

build = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else "build")
readings = int(sys.argv[2]) if len(sys.argv) > 2 else 1000
os.environ["V38XX_BUILD_DIR"] = build
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "../tests/office"))

from addin_fixture import AddinFixture  # noqa: E402

SHEETS = {0: "Readings", 1: "StripChart", 2: "Histogram", 3: "StripHistogram"}


def run(fixture, kind, bins=None, interval=5):
    doc = fixture.workbook()
    try:
        app = fixture.application(doc)
        fixture.connect(app, "V3800A")
        sheet = doc.Sheets.getByName(SHEETS[kind])
        if bins:
            sheet.getCellRangeByName("G6" if kind == 2 else "G10").setValue(bins)
        app.SetSheet(sheet)
        app.SetNumberOfReading(readings)
        app.SetTerimnatingUpon(1)
        app.AddChart(kind, True)
        ticks0, micros0 = app.getTickCount(), app.getTickMicroseconds()
        start = time.time()
        app.StartTimer(interval)
        fixture.wait_until_ended(app, timeout=600)
        wall = time.time() - start
        ticks = app.getTickCount() - ticks0
        micros = app.getTickMicroseconds() - micros0
        return ticks, micros / ticks / 1000.0, wall
    finally:
        doc.close(True)


def main():
    fixture = AddinFixture()
    try:
        cases = [("no chart (kind 0)", 0, None)]
        if "--histograms" in sys.argv:
            cases = [("histogram, 1000 bins (kind 2)", 2, 1000), ("both, 1000 bins (kind 3)", 3, 1000)]
        if "--charts" in sys.argv:
            cases += [("strip chart (kind 1)", 1, None), ("histogram, 1000 bins (kind 2)", 2, 1000),
                      ("both, 1000 bins (kind 3)", 3, 1000)]
        print("Logged reading inside LibreOffice, %d readings each (target: below 5 ms)" % readings)
        for label, kind, bins in cases:
            ticks, ms, wall = run(fixture, kind, bins)
            print("  %-32s %6.2f ms per reading (%d ticks, %.1f s)" % (label, ms, ticks, wall))
    finally:
        fixture.stop()


if __name__ == "__main__":
    main()
