# A macro as the add-in's own macros are written: it creates CTRBridgeV38XX.Application by its
# service name inside the office and calls its members by name. Installed into the test
# office's user profile (Scripts/python) and run through the office's script provider.

import uno


def probe(*args):
    ctx = uno.getComponentContext()
    desktop = ctx.ServiceManager.createInstanceWithContext("com.sun.star.frame.Desktop", ctx)
    hidden = uno.createUnoStruct("com.sun.star.beans.PropertyValue")
    hidden.Name, hidden.Value = "Hidden", True
    doc = desktop.loadComponentFromURL("private:factory/scalc", "_blank", 0, (hidden,))
    try:
        addin = ctx.ServiceManager.createInstanceWithContext("CTRBridgeV38XX.Application", ctx)
        addin.SetApp = doc
        addin.SetSheet(doc.Sheets.getByIndex(0))
        last = addin.GetLanguageCount()
        addin.SetLanguage(last)
        addin.SaveSetting("Interval", "250")
        addin.SetStopTime("1", "0", "0", 1000)
        addin.IIDevCounts = 0
        addin.FindDevice()
        return "|".join(str(x) for x in (addin.GetLanguage(last), addin.GetIdText("101"),
                                          addin.GetExlVersion(), addin.LoadSetting("Interval", "x"),
                                          addin.IIDevCounts))
    finally:
        doc.close(True)


g_exportedScripts = (probe,)
