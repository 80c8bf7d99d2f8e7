"""A private LibreOffice for tests: a headless office in a throwaway profile, started and
stopped by process id, reached over a UNO pipe, with the add-in's extension installed.

Only /usr/bin/python3 sees Debian's python3-uno.
"""

import os
import shutil
import signal
import subprocess
import tempfile
import time

OFFICE_TYPES = [
    "/usr/lib/libreoffice/program/types.rdb",
    "/usr/lib/libreoffice/program/types/offapi.rdb",
]
BUILD_DIR = os.environ.get("V38XX_BUILD_DIR", "build")

# The add-in's own interfaces must be known to this process before UNO starts in it.
os.environ["UNO_TYPES"] = " ".join(
    "file://" + os.path.abspath(p)
    for p in OFFICE_TYPES + [os.path.join(BUILD_DIR, "uno/CTRBridgeV38XX.rdb")])

import uno  # noqa: E402
import unohelper
from com.sun.star.beans import PropertyValue
from com.sun.star.connection import NoConnectException
from com.sun.star.task import XInteractionHandler
from com.sun.star.ucb import XCommandEnvironment, XProgressHandler

SOFFICE = "/usr/lib/libreoffice/program/soffice"


def prop(name, value):
    p = PropertyValue()
    p.Name = name
    p.Value = value
    return p


class _Approve(unohelper.Base, XInteractionHandler):
    # Extension installation asks to go on (licence, replacing a version): always yes.
    def handle(self, request):
        approve = uno.getTypeByName("com.sun.star.task.XInteractionApprove")
        for c in request.getContinuations():
            if c.queryInterface(approve):
                c.select()
                return


class _Silent(unohelper.Base, XProgressHandler):
    def push(self, status):
        pass

    def update(self, status):
        pass

    def pop(self):
        pass


class _Environment(unohelper.Base, XCommandEnvironment):
    def getInteractionHandler(self):
        return _Approve()

    def getProgressHandler(self):
        return _Silent()


class Office:
    """start() launches soffice; stop() ends it and removes the profile."""

    def __init__(self, build_dir=BUILD_DIR, env=None, extension=True, headless=True):
        self.build_dir = build_dir
        self.root = tempfile.mkdtemp(prefix="v38xx-office-")
        self.profile = os.path.join(self.root, "profile")
        self.pipe = "v38xx_%d_%d" % (os.getpid(), int(time.time() * 1000) % 100000)
        self.env = dict(os.environ)
        self.env.update(env or {})
        self.headless = headless
        self.log_path = os.path.join(self.root, "office.log")
        self.process = None
        self.ctx = None
        self.want_extension = extension

    # -- process ------------------------------------------------------------------------------
    def _launch(self):
        args = [SOFFICE, "--norestore", "--nologo", "--nodefault",
                "--nolockcheck", "--accept=pipe,name=%s;urp;" % self.pipe,
                "-env:UserInstallation=file://" + self.profile]
        if self.headless:
            args[1:1] = ["--headless", "--invisible"]
        with open(self.log_path, "ab") as log:
            # A process group of its own: stop() can end the office and any child it started.
            self.process = subprocess.Popen(args, env=self.env, stdout=log, stderr=log,
                                            start_new_session=True)

    def _connect(self, timeout=60):
        local = uno.getComponentContext()
        resolver = local.ServiceManager.createInstanceWithContext(
            "com.sun.star.bridge.UnoUrlResolver", local)
        deadline = time.time() + timeout
        while time.time() < deadline:
            try:
                return resolver.resolve(
                    "uno:pipe,name=%s;urp;StarOffice.ComponentContext" % self.pipe)
            except NoConnectException:
                if self.process.poll() is not None:
                    # A fresh profile makes the first start end (status 81) after setting it up.
                    self._launch()
                time.sleep(0.1)
        raise RuntimeError("the office did not accept a connection within %d s" % timeout)

    def start(self):
        self._launch()
        self.ctx = self._connect()
        if self.want_extension:
            self.install_extension(os.path.join(self.build_dir, "share/v38xx/CTRBridgeV38XX.oxt"))
            # An extension added to a running office is served by a helper process until the
            # office starts again; the add-in's forms and document job belong in the office.
            self.restart()
        return self

    def install_extension(self, path):
        manager = self.ctx.getValueByName(
            "/singletons/com.sun.star.deployment.ExtensionManager")
        manager.addExtension(uno.systemPathToFileUrl(path), (), "user", None, _Environment())

    def restart(self):
        self._terminate()
        self._launch()
        self.ctx = self._connect()

    def _terminate(self):
        if self.process is None:
            return
        try:
            self.desktop().terminate()
        except Exception:
            pass  # the bridge goes down with the office
        try:
            self.process.wait(timeout=30)
        except subprocess.TimeoutExpired:
            os.killpg(self.process.pid, signal.SIGKILL)
            self.process.wait()
        self.process = None

    def stop(self):
        self._terminate()
        shutil.rmtree(self.root, ignore_errors=True)

    def log(self):
        with open(self.log_path, encoding="utf-8", errors="replace") as f:
            return f.read()

    # -- office objects ---------------------------------------------------------------------
    def service(self, name):
        return self.ctx.ServiceManager.createInstanceWithContext(name, self.ctx)

    def desktop(self):
        return self.service("com.sun.star.frame.Desktop")

    def new_calc(self, template=None, hidden=True):
        url = uno.systemPathToFileUrl(template) if template else "private:factory/scalc"
        props = [prop("Hidden", hidden)]
        if template:
            props.append(prop("AsTemplate", True))
        return self.desktop().loadComponentFromURL(url, "_blank", 0, tuple(props))

    def open(self, path, hidden=True):
        return self.desktop().loadComponentFromURL(
            uno.systemPathToFileUrl(path), "_blank", 0, (prop("Hidden", hidden),))
