"""Load and addinpurge as a user runs them, against LibreOffice in throwaway profiles: the
add-in installed (its service creatable, its toolbar in Calc), the user's settings file made
once and then kept, the Writer template's toolbar wired, toolbars named after the add-in in any
letter case removed from every module and open document, the extension uninstalled, both
programs twice in a row ending in a clean profile with nothing left running, and no office to
start.

Only /usr/bin/python3 sees Debian's python3-uno; tests/office is on PYTHONPATH."""

import os
import shutil
import subprocess
import tempfile
import unittest
import uuid

import office  # first: it names the add-in's types to UNO before UNO starts here

import uno  # noqa: E402

BUILD = os.path.abspath(office.BUILD_DIR)
LOAD = os.path.join(BUILD, "bin/Load")
PURGE = os.path.join(BUILD, "bin/addinpurge")
PACKAGE = os.path.join(BUILD, "share/v38xx/CTRBridgeV38XX.oxt")
WRITER_TEMPLATE = os.path.join(BUILD, "share/v38xx/addin/CTRBridgeV38XX.ott")
SETTINGS_TEMPLATE = os.path.join(BUILD, "share/v38xx/addin/CTR_TOOLV38XX.ini")
IDENTIFIER = "com.orvalent.v38xx.tallyway"
TITLE = "ORVALENT V38XX TALLYWAY"
CALC = "com.sun.star.sheet.SpreadsheetDocument"
WRITER = "com.sun.star.text.TextDocument"
TOOLBAR = 3  # com.sun.star.ui.UIElementType.TOOLBAR


class Run:
    """A throwaway user: a LibreOffice profile, a data folder, and a mark in the environment of
    every process the programs start, to find any left behind."""

    def __init__(self):
        self.root = tempfile.mkdtemp(prefix="v38xx-installer-")
        self.profile = os.path.join(self.root, "profile")
        self.data = os.path.join(self.root, "data")
        self.settings = os.path.join(self.data, "Orvalent/Counter/V38XX/CTR_TOOLV38XX.ini")
        self.mark = "v38xx-installer-test-" + uuid.uuid4().hex

    def env(self):
        env = {k: v for k, v in os.environ.items()
               if k not in ("DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM")}
        env.update({"XDG_DATA_HOME": self.data, "V38XX_TEST_MARK": self.mark})
        return env

    def run(self, program, *args):
        return subprocess.run([program] + list(args), env=self.env(), capture_output=True,
                              text=True, timeout=300)

    def load(self, *args):
        return self.run(LOAD, "--headless", "--profile", self.profile, *args)

    def purge(self):
        return self.run(PURGE, "--quiet", "--profile", self.profile)

    def left_running(self):
        """Processes still running with this run's mark (an office, its helpers)."""
        found = []
        for pid in filter(str.isdigit, os.listdir("/proc")):
            try:
                with open("/proc/%s/environ" % pid, "rb") as f:
                    if ("V38XX_TEST_MARK=" + self.mark).encode() not in f.read().split(b"\0"):
                        continue
                with open("/proc/%s/cmdline" % pid, "rb") as f:
                    found.append(f.read().replace(b"\0", b" ").decode(errors="replace"))
            except OSError:
                continue
        return found

    def office(self):
        """An office on this run's profile, for looking at what the programs left there."""
        o = office.Office(BUILD, extension=False, env={"XDG_DATA_HOME": self.data})
        o.profile = self.profile
        return o.start()

    def remove(self):
        shutil.rmtree(self.root, ignore_errors=True)


def toolbars(manager):
    out = []
    for info in manager.getUIElementsInfo(TOOLBAR):
        d = {p.Name: p.Value for p in info}
        out.append((d["ResourceURL"], d.get("UIName", "")))
    return out


def module_manager(o, module):
    supplier = o.service("com.sun.star.ui.ModuleUIConfigurationManagerSupplier")
    return supplier.getUIConfigurationManager(module)


def items(manager, url):
    settings = manager.getSettings(url, False)
    return [{p.Name: p.Value for p in settings.getByIndex(i)} for i in range(settings.Count)]


def deployed(o):
    manager = o.ctx.getValueByName("/singletons/com.sun.star.deployment.ExtensionManager")
    return [(p.getIdentifier().Value, p.getVersion())
            for p in manager.getDeployedExtensions("user", None, None)]


def named_like_the_addin(manager):
    return [url for url, name in toolbars(manager) if name.upper() == TITLE]


def add_toolbar(manager, url, name):
    settings = manager.createSettings()
    settings.UIName = name
    item = uno.Any("[]com.sun.star.beans.PropertyValue",
                   (office.prop("CommandURL", ".uno:About"), office.prop("Label", "x")))
    uno.invoke(settings, "insertByIndex", (0, item))
    manager.insertSettings(url, settings)


class Install(unittest.TestCase):
    def setUp(self):
        self.user = Run()

    def tearDown(self):
        self.user.remove()

    def test_package_installs_service_and_toolbar_and_settings_file_is_made_once(self):
        r = self.user.load(PACKAGE)
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertEqual(r.stdout, "Open %s\n" % PACKAGE)
        with open(SETTINGS_TEMPLATE, encoding="utf-8") as f:
            template = f.read()
        with open(self.user.settings, encoding="utf-8") as f:
            self.assertEqual(f.read(), template)
        # The user's own settings survive the next installation.
        with open(self.user.settings, "a", encoding="utf-8") as f:
            f.write("\n[Mine]\nkept=yes\n")
        r = self.user.load(PACKAGE)
        self.assertEqual(r.returncode, 0, r.stderr)
        with open(self.user.settings, encoding="utf-8") as f:
            self.assertTrue(f.read().endswith("[Mine]\nkept=yes\n"))
        self.assertEqual(self.user.left_running(), [])

        o = self.user.office()
        try:
            self.assertEqual([i for i, _ in deployed(o)], [IDENTIFIER])
            self.assertIsNotNone(o.service("CTRBridgeV38XX.Application"))
            calc = module_manager(o, CALC)
            [url] = named_like_the_addin(calc)
            commands = [i["CommandURL"] for i in items(calc, url)]
            self.assertEqual(len(commands), 9)
            self.assertEqual(commands[0], "vnd.orvalent.tallyway:CTRAboutV38XX")
            self.assertEqual(commands[8], "vnd.orvalent.tallyway:CTRTimerStopV38XX")
        finally:
            o.stop()

    def test_xla_stands_for_the_installed_package(self):
        r = self.user.load("CTRBRIDGEV38XX.XLA")
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertEqual(r.stdout, "Open CTRBRIDGEV38XX.XLA\n")
        o = self.user.office()
        try:
            self.assertEqual([i for i, _ in deployed(o)], [IDENTIFIER])
        finally:
            o.stop()


class WriterTemplateAndOpenDocuments(unittest.TestCase):
    def test_template_items_1_to_5_are_wired_and_addinpurge_removes_the_documents_last_bar(self):
        user = Run()
        o = office.Office(BUILD, extension=False, env={"XDG_DATA_HOME": user.data})
        o.start()
        try:
            r = user.run(LOAD, "--quiet", "--office", o.pipe, WRITER_TEMPLATE)
            self.assertEqual(r.returncode, 0, r.stderr)
            self.assertEqual(r.stdout, "Open %s\n" % WRITER_TEMPLATE)
            [doc] = [c for c in o.desktop().Components if c.supportsService(WRITER)]
            self.assertEqual(doc.getURL(), "", "a new document based on the template")
            manager = doc.getUIConfigurationManager()
            [url] = named_like_the_addin(manager)
            wired = [(i.get("CommandURL"), i.get("Tooltip"), i.get("Label"))
                     for i in items(manager, url)]
            self.assertEqual(wired, [
                ("vnd.orvalent.tallyway:CTRAboutV38XX", "About ORVALENT V38XX Tallyway", "About"),
                ("vnd.orvalent.tallyway:CTRConnectV38XX", "Connect to Device", "Connect"),
                ("vnd.orvalent.tallyway:CTRFilesV38XX", "File Access", "Files"),
                ("vnd.orvalent.tallyway:CTRFuncsV38XX", "Set up Instrument", "Set up"),
                ("vnd.orvalent.tallyway:CTRMeasV38XX", "Get Single Reading", "Reading"),
            ])

            # Named in another letter case, and the document's last (its only) toolbar.
            settings = manager.getSettings(url, True)
            settings.UIName = "orvalent v38xx tallyway"
            manager.replaceSettings(url, settings)
            self.assertEqual(toolbars(manager)[-1], (url, "orvalent v38xx tallyway"))

            r = user.run(PURGE, "--quiet", "--office", o.pipe)
            self.assertEqual(r.returncode, 0, r.stderr)
            self.assertIn("Deleted the toolbar of Untitled", r.stdout)
            self.assertEqual(named_like_the_addin(manager), [])
            # The office the user had running stays.
            self.assertIsNone(o.process.poll())
        finally:
            o.stop()
            user.remove()


class Remove(unittest.TestCase):
    def test_toolbars_in_any_letter_case_go_from_every_module_and_the_extension_too(self):
        user = Run()
        try:
            self.assertEqual(user.load(PACKAGE).returncode, 0)
            o = user.office()
            try:
                writer = module_manager(o, WRITER)
                add_toolbar(writer, "private:resource/toolbar/custom_keep", "ORVALENT V38XX Tallyway 2")
                other_case = "private:resource/toolbar/custom_other_case"
                add_toolbar(writer, other_case, "orvalent v38xx TALLYWAY")
                writer.store()
                calc = module_manager(o, CALC)
                self.assertEqual(len(named_like_the_addin(calc)), 1)
            finally:
                o.stop()

            r = user.purge()
            self.assertEqual(r.returncode, 0, r.stderr)
            self.assertIn("Deleted the toolbar of Writer (%s)" % other_case, r.stdout)
            self.assertIn("Deleted the toolbar of Calc (", r.stdout)
            self.assertIn("Uninstalled the extension %s" % IDENTIFIER, r.stdout)
            self.assertTrue(r.stdout.endswith("Done.\n"))

            o = user.office()
            try:
                writer = module_manager(o, WRITER)
                self.assertEqual(named_like_the_addin(writer), [])
                self.assertIn(("private:resource/toolbar/custom_keep", "ORVALENT V38XX Tallyway 2"),
                              toolbars(writer))
                self.assertEqual(named_like_the_addin(module_manager(o, CALC)), [])
                self.assertEqual(deployed(o), [])
                with self.assertRaises(Exception):
                    if o.service("CTRBridgeV38XX.Application") is None:
                        raise LookupError("not creatable")
            finally:
                o.stop()
            # The user's settings stay for a later installation.
            self.assertTrue(os.path.isfile(user.settings))
        finally:
            user.remove()


class TwiceInARow(unittest.TestCase):
    def test_install_install_remove_remove_leaves_a_clean_profile_and_nothing_running(self):
        user = Run()
        try:
            steps = [("Load", user.load(PACKAGE)), ("Load", user.load(PACKAGE)),
                     ("addinpurge", user.purge()), ("addinpurge", user.purge())]
            for name, r in steps:
                self.assertEqual(r.returncode, 0, "%s: %s" % (name, r.stderr))
            self.assertIn("Uninstalled the extension", steps[2][1].stdout)
            self.assertEqual(steps[3][1].stdout, "Starting LibreOffice...\nNothing to remove.\n")
            self.assertEqual(user.left_running(), [])
            toolbar_files = [os.path.join(d, f)
                             for d, _, files in os.walk(os.path.join(user.profile, "user/config"))
                             for f in files if "orvalent" in f.lower()]
            self.assertEqual(toolbar_files, [])
            o = user.office()
            try:
                self.assertEqual(deployed(o), [])
                for module in (CALC, WRITER):
                    self.assertEqual(named_like_the_addin(module_manager(o, module)), [])
            finally:
                o.stop()
        finally:
            user.remove()


class NoOffice(unittest.TestCase):
    def test_each_program_says_so_and_fails(self):
        user = Run()
        try:
            r = user.run(LOAD, "--headless", "--soffice", "/nonexistent/soffice",
                         "--profile", user.profile, PACKAGE)
            self.assertEqual(r.returncode, 1)
            self.assertEqual(r.stderr, "Start V38XX Toolbar: Error Num: 429\nLibreOffice cannot be "
                                       "started: /nonexistent/soffice: No such file or directory.\n")
            self.assertEqual(r.stdout, "")
            r = user.run(PURGE, "--quiet", "--soffice", "/nonexistent/soffice",
                         "--profile", user.profile)
            self.assertEqual(r.returncode, 1)
            self.assertIn("Orvalent Tallyway additionals remove: Couldn't start LibreOffice Calc.\n",
                          r.stderr)
            r = user.run(LOAD, "--headless", "workbook.ods")
            self.assertEqual(r.returncode, 2)
            self.assertEqual(r.stderr, "Start V38XX Toolbar: Open File Use *.dot *.xla *.ott *.oxt\n")
        finally:
            user.remove()


if __name__ == "__main__":
    unittest.main()
