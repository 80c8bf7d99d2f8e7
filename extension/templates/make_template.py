#!/usr/bin/python3
"""Makes the add-in's logging template CTRBridgeV38XX.fods (run by hand when the layout changes;
the result is checked in): one sheet per chart kind with the column headers, the labels of the
summary block, the cells the user edits, the time column's format and, on the strip-chart
sheets, the two form scroll bars that browse the chart after a run.

Usage: /usr/bin/python3 extension/templates/make_template.py   (needs LibreOffice and python3-uno)
"""

import os
import sys

import uno
from com.sun.star.awt import Point, Size

import template_office
from template_office import prop

HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.join(HERE, "CTRBridgeV38XX.fods")

# Sheet name, cell texts, user-editable numbers, scroll-bar rows (label column, bar column).
SHEETS = [
    ("Readings",
     {"A1": "Time", "B1": "Reading", "E1": "Title", "F1": "V38XX Readings", "E4": "Count",
      "E5": "STDEV", "E6": "Average", "E7": "Minimum", "E8": "Maximum"},
     {}, None),
    ("StripChart",
     {"A1": "Time", "B1": "Reading", "E1": "Title", "F1": "V38XX Strip Chart", "E4": "Count",
      "E6": "Chart count", "E8": "Chart points", "E10": "STDEV", "E11": "Average",
      "E12": "Minimum", "E13": "Maximum", "E15": "Move chart", "E16": "Chart width"},
     {"F8": 100}, ("F15", "F16")),
    ("Histogram",
     {"A1": "Time", "B1": "Reading", "C1": "Bins", "D1": "Frequency", "E1": "Cumulative",
      "F1": "Title", "G1": "V38XX Histogram", "F4": "Count", "F6": "Bins", "F7": "Minimum",
      "F8": "Maximum", "F9": "Bin size", "F10": "Total bins", "F11": "STDEV", "F12": "Average"},
     {"G6": 10}, None),
    ("StripHistogram",
     {"A1": "Time", "B1": "Reading", "C1": "Bins", "D1": "Frequency", "E1": "Cumulative",
      "F1": "Title", "G1": "V38XX Strip Chart and Histogram", "F4": "Count",
      "F6": "Chart count", "F8": "Chart points", "F10": "Bins", "F11": "Minimum",
      "F12": "Maximum", "F13": "Bin size", "F14": "Total bins", "F15": "STDEV",
      "F16": "Average", "F18": "Move chart", "F19": "Chart width"},
     {"G8": 100, "G10": 10}, ("G18", "G19")),
]


def main():
    with template_office.new_document("private:factory/scalc") as doc:
        build(doc)
        doc.storeToURL(uno.systemPathToFileUrl(OUT),
                       (prop("FilterName", "OpenDocument Spreadsheet Flat XML"),))
    print("wrote", OUT)


def build(doc):
    sheets = doc.Sheets
    while sheets.Count < len(SHEETS):
        sheets.insertNewByName("S%d" % sheets.Count, sheets.Count)
    formats = doc.NumberFormats
    locale = uno.createUnoStruct("com.sun.star.lang.Locale")
    time_format = formats.queryKey("HH:MM:SS.00", locale, False)
    if time_format == -1:
        time_format = formats.addNew("HH:MM:SS.00", locale)
    for index, (name, texts, numbers, bars) in enumerate(SHEETS):
        sheet = sheets.getByIndex(index)
        sheet.Name = name
        # The readings' time format on the whole time column: logging need not set it per row.
        sheet.getCellRangeByName("A2:A1048576").NumberFormat = time_format
        for address, text in texts.items():
            cell = sheet.getCellRangeByName(address)
            cell.setString(text)
            if address.endswith("1") and len(address) == 2:
                cell.CharWeight = 150.0  # bold headers
        for address, value in numbers.items():
            sheet.getCellRangeByName(address).setValue(value)
        columns = sheet.Columns
        for column, width in (("A", 2600), ("B", 3800), ("C", 4700), ("E", 2800), ("F", 3600),
                              ("G", 3800)):
            columns.getByName(column).Width = width
        if bars:
            for number, address in enumerate(bars, start=1):
                add_scroll_bar(doc, sheet, "Scroll Bar %d" % number,
                               sheet.getCellRangeByName(address))


def add_scroll_bar(doc, sheet, name, cell):
    model = doc.createInstance("com.sun.star.form.component.ScrollBar")
    model.Name = name
    model.Orientation = 0  # horizontal
    model.ScrollValueMin = 1
    model.ScrollValueMax = 100
    model.LineIncrement = 1
    model.BlockIncrement = 5
    shape = doc.createInstance("com.sun.star.drawing.ControlShape")
    shape.setControl(model)
    shape.Name = name
    shape.Anchor = cell
    shape.setPosition(Point(cell.Position.X, cell.Position.Y))
    shape.setSize(Size(cell.Size.Width, cell.Size.Height))
    sheet.DrawPage.add(shape)


if __name__ == "__main__":
    sys.exit(main())
