"""A private headless LibreOffice for the template generators: started in a throwaway profile on a
pipe of its own, with one new hidden document, and ended (and its profile removed) afterwards."""

import contextlib
import os
import shutil
import subprocess
import tempfile
import time

import uno
from com.sun.star.beans import PropertyValue
from com.sun.star.connection import NoConnectException


def prop(name, value):
    p = PropertyValue()
    p.Name, p.Value = name, value
    return p


@contextlib.contextmanager
def new_document(factory):
    """A new hidden document of `factory` ("private:factory/scalc", "private:factory/swriter")."""
    profile = tempfile.mkdtemp(prefix="v38xx-template-")
    pipe = "v38xx_template_%d" % os.getpid()
    office = subprocess.Popen(
        ["/usr/lib/libreoffice/program/soffice", "--headless", "--invisible", "--norestore",
         "--nodefault", "--accept=pipe,name=%s;urp;" % pipe,
         "-env:UserInstallation=file://" + profile],
        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        local = uno.getComponentContext()
        resolver = local.ServiceManager.createInstanceWithContext(
            "com.sun.star.bridge.UnoUrlResolver", local)
        ctx = None
        for _ in range(600):
            try:
                ctx = resolver.resolve("uno:pipe,name=%s;urp;StarOffice.ComponentContext" % pipe)
                break
            except NoConnectException:
                time.sleep(0.1)
        if ctx is None:
            raise RuntimeError("LibreOffice did not start within 60 s")
        desktop = ctx.ServiceManager.createInstanceWithContext("com.sun.star.frame.Desktop", ctx)
        doc = desktop.loadComponentFromURL(factory, "_blank", 0, (prop("Hidden", True),))
        yield doc
        doc.close(True)
        try:
            desktop.terminate()
        except Exception:
            pass  # the bridge goes down with the office
        office.wait(30)
    finally:
        if office.poll() is None:
            office.kill()
        shutil.rmtree(profile, ignore_errors=True)
