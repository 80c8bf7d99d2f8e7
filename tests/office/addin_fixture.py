"""One headless office with the add-in installed, two simulated counters on loopback listed in
the office's visa.conf, and the add-in's settings file in a private data folder."""

import os
import shutil
import tempfile
import time

import office
import simulator


class AddinFixture:
    def __init__(self, headless=True, settings=None):
        self.build = os.path.abspath(office.BUILD_DIR)
        self.root = tempfile.mkdtemp(prefix="v38xx-addin-")
        self.sims = [simulator.Simulator(self.build, model,
                                         log=os.path.join(self.root, model + ".log"))
                     for model in ("V3800A", "V3820A")]
        self.data = os.path.join(self.root, "data")
        self.settings_dir = os.path.join(self.data, "Orvalent/Counter/V38XX")
        os.makedirs(self.settings_dir)
        self.settings = os.path.join(self.settings_dir, "CTR_TOOLV38XX.ini")
        shutil.copy(os.path.join(self.build, "share/v38xx/addin/CTR_TOOLV38XX.ini"), self.settings)
        for key, value in (settings or {}).items():
            self.set_setting(key, value)
        self.visa_conf = os.path.join(self.root, "visa.conf")
        with open(self.visa_conf, "w") as f:
            f.write("[simulation]\nenabled = false\n[lan]\n")
            for s in self.sims:
                f.write("resource = %s\n" % s.resource)
        self.office = office.Office(self.build, env={"XDG_DATA_HOME": self.data,
                                                     "V38XX_VISA_CONF": self.visa_conf},
                                    headless=headless)
        try:
            self.office.start()
        except Exception:
            self.stop()
            raise

    def set_setting(self, key, value):
        """Writes one key of section Information of the add-in's settings file."""
        with open(self.settings, encoding="utf-8") as f:
            lines = f.read().splitlines()
        lines = [l for l in lines if l.split("=")[0].strip() != key]
        lines.insert(lines.index("[Information]") + 1, "%s=%s" % (key, value))
        with open(self.settings, "w", encoding="utf-8") as f:
            f.write("\n".join(lines) + "\n")

    def stop(self):
        self.office.stop()
        for s in self.sims:
            s.stop()
        shutil.rmtree(self.root, ignore_errors=True)

    @property
    def template(self):
        return os.path.join(self.build, "share/v38xx/addin/CTRBridgeV38XX.fods")

    def workbook(self):
        return self.office.new_calc(self.template)

    def application(self, doc):
        app = self.office.service("CTRBridgeV38XX.Application")
        app.SetApp = doc
        return app

    def connect(self, app, model="V3800A"):
        """Finds the counters and makes the one of `model` the work session."""
        app.IIDevCounts = 0
        app.FindDevice()
        for i in range(app.IIDevCounts):
            app.GetIDN(i)
            if ("," + model + ",") in app.IIDNStr:
                app.IWKSesn = app.IIDNSesn
                return app.IIDNAddr
        raise AssertionError("no %s found" % model)

    def sim(self, model):
        return next(s for s in self.sims if s.model == model)

    @staticmethod
    def wait_until_ended(app, timeout=60):
        deadline = time.time() + timeout
        while app.isActive():
            if time.time() > deadline:
                raise AssertionError("the run did not end within %d s" % timeout)
            time.sleep(0.05)
