#!/usr/bin/python3
"""Makes the add-in's Writer template CTRBridgeV38XX.ott (run by hand when it changes; the
result is checked in): an empty text document whose own user-interface configuration holds
the toolbar "ORVALENT V38XX Tallyway" with five buttons. Load opens a document based on it and
gives the buttons the add-in's commands and tool tips.

Usage: /usr/bin/python3 installer/templates/make_writer_template.py   (needs LibreOffice Writer
and python3-uno)
"""

import os
import shutil
import subprocess
import sys
import tempfile
import time

import uno
from com.sun.star.beans import PropertyValue
from com.sun.star.connection import NoConnectException

HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.join(HERE, "CTRBridgeV38XX.ott")
TOOLBAR = "ORVALENT V38XX Tallyway"
RESOURCE = "private:resource/toolbar/custom_orvalent_v38xx_tallyway"
# The buttons' faces; their commands are the add-in's protocol with no macro yet.
BUTTONS = ["About", "Connect", "Files", "Set up", "Reading"]
COMMAND_SCHEME = "vnd.orvalent.tallyway:"


def prop(name, value):
    p = PropertyValue()
    p.Name, p.Value = name, value
    return p


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
    profile = tempfile.mkdtemp(prefix="v38xx-template-")
    office = subprocess.Popen(
        ["/usr/lib/libreoffice/program/soffice", "--headless", "--invisible", "--norestore",
         "--nodefault", "--accept=pipe,name=v38xx_writer_template;urp;",
         "-env:UserInstallation=file://" + profile],
        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        local = uno.getComponentContext()
        resolver = local.ServiceManager.createInstanceWithContext(
            "com.sun.star.bridge.UnoUrlResolver", local)
        for _ in range(600):
            try:
                ctx = resolver.resolve(
                    "uno:pipe,name=v38xx_writer_template;urp;StarOffice.ComponentContext")
                break
            except NoConnectException:
                time.sleep(0.1)
        desktop = ctx.ServiceManager.createInstanceWithContext("com.sun.star.frame.Desktop", ctx)
        doc = desktop.loadComponentFromURL("private:factory/swriter", "_blank", 0,
                                           (prop("Hidden", True),))
        build(doc)
        doc.storeToURL(uno.systemPathToFileUrl(OUT), (prop("FilterName", "writer8_template"),))
        doc.close(True)
        try:
            desktop.terminate()
        except Exception:
            pass
        office.wait(30)
    finally:
        if office.poll() is None:
            office.kill()
        shutil.rmtree(profile, ignore_errors=True)
    print("wrote", OUT)


if __name__ == "__main__":
    sys.exit(main())
