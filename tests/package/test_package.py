"""The Debian package as a user gets it: built with cpack from the build tree, unpacked with
dpkg-deb into a throwaway root, and its programs run from there (never from the build tree)
against the packaged v38xx-sim on loopback.

The package's file list must equal expected-files.txt beside this file; no installed file may
name the build or the source folder; the desktop entries and the AppStream metadata must
validate; V38XX_AP (offscreen), v38xx-log and libv38xxvisa.so.1 must find their data beside
themselves in the unpacked tree.
"""

import glob
import gzip
import io
import os
import shutil
import signal
import subprocess
import tempfile
import time
import unittest
import zipfile

BUILD = os.path.abspath(os.environ.get("V38XX_BUILD_DIR", "build"))
SOURCE = os.path.abspath(os.environ.get("V38XX_SOURCE_DIR", "."))
HERE = os.path.dirname(os.path.abspath(__file__))

work = None  # the throwaway folder: the package, the unpacked root, the runs' files
deb = None
root = None


def setUpModule():
    global work, deb, root
    work = tempfile.mkdtemp(prefix="v38xx-package-")
    built = subprocess.run(
        ["cpack", "--config", os.path.join(BUILD, "CPackConfig.cmake"), "-G", "DEB",
         "-B", os.path.join(work, "out")],
        capture_output=True, text=True, timeout=300)
    if built.returncode != 0:
        raise RuntimeError("cpack failed:\n" + built.stdout + built.stderr)
    debs = glob.glob(os.path.join(work, "out", "v38xx_*_amd64.deb"))
    if len(debs) != 1:
        raise RuntimeError("cpack made %s, not one v38xx_*_amd64.deb" % debs)
    deb = debs[0]
    root = os.path.join(work, "root")
    subprocess.run(["dpkg-deb", "-x", deb, root], check=True)


def tearDownModule():
    if work:
        shutil.rmtree(work, ignore_errors=True)


def installed(path):
    """A file of the package, in the unpacked root."""
    return os.path.join(root, path.lstrip("/"))


def package_entries():
    """The files and links of the package, as absolute paths (links as 'path -> target')."""
    listing = subprocess.run(["dpkg-deb", "-c", deb], check=True, capture_output=True,
                             text=True).stdout
    entries = []
    for line in listing.splitlines():
        mode, name = line.split()[0], line.split(None, 5)[5]
        if mode.startswith("d"):
            continue
        entries.append(name[1:] if name.startswith("./") else name)
    return sorted(entries)


def start_simulator(folder):
    """The packaged v38xx-sim on free loopback ports, logging what it receives."""
    log = os.path.join(folder, "scpi.log")
    sim = subprocess.Popen(
        [installed("/usr/bin/v38xx-sim"), "--raw-port", "0", "--control-port", "0",
         "--log", log], stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
    port = None
    for line in sim.stdout:
        key, _, value = line.strip().partition(" ")
        if key == "raw-port":
            port = int(value)
        elif key == "ready":
            break
    if not port:
        stop(sim)
        raise RuntimeError("the packaged v38xx-sim did not start")
    return sim, port, log


def stop(process):
    if process.poll() is None:
        process.terminate()
        try:
            process.wait(timeout=10)
        except subprocess.TimeoutExpired:
            process.kill()
            process.wait()
    if process.stdout:
        process.stdout.close()


def use_simulator_only(port):
    """The package's own visa.conf (the one every program finds beside itself) lists the
    simulator's socket and nothing else."""
    with open(installed("/usr/share/v38xx/visa.conf"), "w") as f:
        f.write("[simulation]\nenabled = false\n\n[lan]\n"
                "resource = TCPIP0::127.0.0.1::%d::SOCKET\nconnect_timeout_ms = 2000\n" % port)


def user_environment(folder):
    """A user with nothing of their own: no resource file, no data, no display."""
    env = {k: v for k, v in os.environ.items()
           if not k.startswith(("V38XX_", "XDG_", "DISPLAY", "WAYLAND_", "QT_"))}
    env.update(HOME=folder, XDG_CONFIG_HOME=os.path.join(folder, "config"),
               XDG_DATA_HOME=os.path.join(folder, "data"),
               XDG_RUNTIME_DIR=os.path.join(folder, "runtime"), LC_ALL="C.UTF-8")
    os.makedirs(env["XDG_RUNTIME_DIR"], mode=0o700, exist_ok=True)
    return env


def wait_for(predicate, seconds):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        if predicate():
            return True
        time.sleep(0.1)
    return predicate()


class Contents(unittest.TestCase):
    def test_files_are_the_expected_ones(self):
        with open(os.path.join(HERE, "expected-files.txt")) as f:
            expected = sorted(l.strip() for l in f if l.strip() and not l.startswith("#"))
        actual = package_entries()
        self.assertEqual(actual, expected,
                         "missing: %s\nunexpected: %s" % (sorted(set(expected) - set(actual)),
                                                          sorted(set(actual) - set(expected))))

    def test_control_has_the_dependencies_and_no_maintainer_scripts(self):
        info = subprocess.run(["dpkg-deb", "-f", deb], check=True, capture_output=True,
                              text=True).stdout
        fields = {}
        for line in info.splitlines():
            if line[:1] not in (" ", "\t") and ":" in line:
                key, _, value = line.partition(":")
                fields[key] = value.strip()
        cases = [
            ("Package", "v38xx"), ("Architecture", "amd64"), ("Recommends", "libreoffice-calc")]
        for key, value in cases:
            self.assertEqual(fields.get(key), value, key)
        depends = [d.split()[0] for d in fields["Depends"].split(", ")]
        # From the binaries: Qt, the UNO runtime, SQLite, libtirpc; and the platform plugins.
        for needed in ("libqt6widgets6", "libuno-cppu3", "libsqlite3-0", "libtirpc3",
                       "qt6-qpa-plugins", "libc6"):
            self.assertIn(needed, depends)
        with tempfile.TemporaryDirectory(dir=work) as control:
            subprocess.run(["dpkg-deb", "-e", deb, control], check=True)
            self.assertEqual(sorted(os.listdir(control)),
                             ["control", "md5sums", "shlibs", "triggers"])
            with open(os.path.join(control, "shlibs")) as f:
                self.assertEqual(f.read().split()[:3], ["libv38xxvisa", "1", "v38xx"])

    def test_no_installed_file_names_the_build_or_source_folder(self):
        needles = [p.encode() for p in {BUILD, SOURCE, os.path.realpath(BUILD),
                                        os.path.realpath(SOURCE)}]

        def contents(path):
            with open(path, "rb") as f:
                data = f.read()
            yield path, data
            # Inside the add-in package, the templates and the compressed pages too.
            if data[:2] == b"PK":
                with zipfile.ZipFile(io.BytesIO(data)) as z:
                    for name in z.namelist():
                        yield path + "!" + name, z.read(name)
            elif data[:2] == b"\x1f\x8b":
                yield path + "!", gzip.decompress(data)

        found = []
        for folder, _, files in os.walk(root):
            for name in files:
                path = os.path.join(folder, name)
                if os.path.islink(path):
                    continue
                for where, data in contents(path):
                    found += ["%s: %s" % (os.path.relpath(where, root), n.decode())
                              for n in needles if n in data]
        self.assertEqual(found, [])

    def test_desktop_entries_and_metadata_validate(self):
        entries = glob.glob(installed("/usr/share/applications/*.desktop"))
        self.assertEqual(len(entries), 2)
        for entry in entries:
            done = subprocess.run(["desktop-file-validate", entry], capture_output=True,
                                  text=True)
            self.assertEqual((done.returncode, done.stdout + done.stderr), (0, ""), entry)
            with open(entry) as f:
                execs = [l.split("=", 1)[1].split() for l in f if l.startswith("Exec=")]
            # The program is one of the package's, and a file it is given is the package's.
            self.assertTrue(os.access(installed("/usr/bin/" + execs[0][0]), os.X_OK), entry)
            for arg in execs[0][1:]:
                if arg.startswith("/"):
                    self.assertTrue(os.path.isfile(installed(arg)), arg)
        done = subprocess.run(
            ["appstreamcli", "validate", "--no-net", "--pedantic",
             installed("/usr/share/metainfo/com.orvalent.v38xx.metainfo.xml")],
            capture_output=True, text=True)
        self.assertEqual(done.returncode, 0, done.stdout + done.stderr)


class FromTheUnpackedRoot(unittest.TestCase):
    """The programs of the unpacked root, with their data only beside themselves: the
    package's visa.conf names the packaged simulator and no user file exists."""

    @classmethod
    def setUpClass(cls):
        cls.folder = tempfile.mkdtemp(dir=work)
        cls.sim, cls.port, cls.log = start_simulator(cls.folder)
        use_simulator_only(cls.port)

    @classmethod
    def tearDownClass(cls):
        stop(cls.sim)

    def received(self):
        with open(self.log) as f:
            return f.read().lower()

    def test_simulator_help(self):
        done = subprocess.run([installed("/usr/bin/v38xx-sim"), "--help"], capture_output=True,
                              text=True, timeout=20)
        self.assertEqual(done.returncode, 0)
        self.assertTrue(done.stdout.startswith("Usage: v38xx-sim"), done.stdout)

    def test_front_panel_finds_the_counter_and_returns_it_to_local(self):
        env = user_environment(os.path.join(self.folder, "panel"))
        env["QT_QPA_PLATFORM"] = "offscreen"
        before = self.received().count("*idn?")
        output_path = os.path.join(env["HOME"], "output.txt")
        with open(output_path, "w") as output:
            panel = subprocess.Popen([installed("/usr/bin/V38XX_AP"), "--user-folder"],
                                     env=env, cwd=env["HOME"], stdout=output,
                                     stderr=subprocess.STDOUT)
        try:
            # Start-up identifies every instrument of the resource file.
            self.assertTrue(wait_for(lambda: self.received().count("*idn?") > before, 30),
                            self.received())
            # The texts were found too: a missing INI file would hold the start-up in its
            # message box, which SIGTERM cannot end.
            time.sleep(1.0)
            panel.send_signal(signal.SIGTERM)
            status = panel.wait(timeout=20)
        finally:
            stop(panel)
        with open(output_path) as f:
            self.assertEqual(status, 0, f.read())
        self.assertIn("syst:comm:rlst loc", self.received())
        self.assertTrue(os.path.isdir(os.path.join(env["XDG_DATA_HOME"], "v38xx", "DB")))

    def test_log_run_into_a_workbook(self):
        env = user_environment(os.path.join(self.folder, "log"))
        out = os.path.join(env["HOME"], "run.ods")
        done = subprocess.run(
            [installed("/usr/bin/v38xx-log"), "--resource",
             "TCPIP0::127.0.0.1::%d::SOCKET" % self.port, "--interval", "100", "--readings",
             "5", "--out", out], env=env, cwd=env["HOME"], capture_output=True, text=True,
            timeout=180)
        self.assertEqual(done.returncode, 0, done.stderr)
        self.assertEqual(len(done.stdout.splitlines()), 5, done.stdout)
        self.assertTrue(zipfile.is_zipfile(out))
        # The add-in's settings file, copied from the package's.
        self.assertTrue(os.path.isfile(os.path.join(
            env["XDG_DATA_HOME"], "Orvalent/Counter/V38XX/CTR_TOOLV38XX.ini")))

    def test_visa_library_reads_the_resource_file_beside_it(self):
        env = user_environment(os.path.join(self.folder, "library"))
        script = (
            "import ctypes, sys\n"
            "lib = ctypes.CDLL(sys.argv[1])\n"
            "rm, found, count = ctypes.c_uint32(), ctypes.c_uint32(), ctypes.c_uint32()\n"
            "desc = ctypes.create_string_buffer(256)\n"
            "assert lib.viOpenDefaultRM(ctypes.byref(rm)) == 0\n"
            "lib.viFindRsrc(rm, b'?*INSTR', ctypes.byref(found), ctypes.byref(count), desc)\n"
            "names = [desc.value.decode()] if count.value else []\n"
            "for _ in range(1, count.value):\n"
            "    lib.viFindNext(found, desc)\n"
            "    names.append(desc.value.decode())\n"
            "lib.viFindRsrc(rm, b'?*SOCKET', ctypes.byref(found), ctypes.byref(count), desc)\n"
            "print(' '.join(names), desc.value.decode() if count.value else '')\n")
        done = subprocess.run(
            ["/usr/bin/python3", "-c", script,
             installed("/usr/lib/x86_64-linux-gnu/libv38xxvisa.so.1")],
            env=env, cwd=env["HOME"], capture_output=True, text=True, timeout=60)
        self.assertEqual(done.returncode, 0, done.stderr)
        # Simulation is off in the package's file: no simulated USB counter, the socket only.
        self.assertEqual(done.stdout.split(), ["TCPIP0::127.0.0.1::%d::SOCKET" % self.port])


if __name__ == "__main__":
    unittest.main()
