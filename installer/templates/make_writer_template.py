#!/usr/bin/python3
"""Makes the add-in's Writer template CTRBridgeV38XX.ott (run by hand when it changes; the
result is checked in): an empty text document whose own user-interface configuration holds
the toolbar "ORVALENT V38XX Tallyway" with five buttons. Load opens a document based on it and
gives the buttons the add-in's commands and tool tips.

Usage: /usr/bin/python3 installer/templates/make_writer_template.py   (needs LibreOffice Writer
and python3-uno)
"""

import os
import sys

import uno
# The office the generators share, beside the Calc template's generator.
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)),
                                "../../extension/templates"))

import template_office  # noqa: E402
from template_office import prop  # noqa: E402

HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.join(HERE, "CTRBridgeV38XX.ott")
TOOLBAR = "ORVALENT V38XX Tallyway"
RESOURCE = "private:resource/toolbar/custom_orvalent_v38xx_tallyway"
# The buttons' faces; their commands are the add-in's protocol with no macro yet.
BUTTONS = ["About", "Connect", "Files", "Set up", "Reading"]
COMMAND_SCHEME = "vnd.orvalent.tallyway:"


def button(label):
    style = (uno.getConstantByName("com.sun.star.ui.ItemStyle.TEXT")
             | uno.getConstantByName("com.sun.star.ui.ItemStyle.ICON"))
    return uno.Any("[]com.sun.star.beans.PropertyValue",
                   (prop("CommandURL", COMMAND_SCHEME), prop("Label", label),
                    prop("Type", uno.getConstantByName("com.sun.star.ui.ItemType.DEFAULT")),
                    prop("Style", style), prop("IsVisible", True)))


def build(doc):
    manager = doc.getUIConfigurationManager()
    settings = manager.createSettings()
    settings.UIName = TOOLBAR
    for index, label in enumerate(BUTTONS):
        uno.invoke(settings, "insertByIndex", (index, button(label)))
    manager.insertSettings(RESOURCE, settings)
    manager.store()


def main():
    with template_office.new_document("private:factory/swriter") as doc:
        build(doc)
        doc.storeToURL(uno.systemPathToFileUrl(OUT), (prop("FilterName", "writer8_template"),))
    print("wrote", OUT)


if __name__ == "__main__":
    sys.exit(main())
