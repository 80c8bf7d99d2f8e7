#!/usr/bin/python3
"""Screenshots of the installer tools on an X server, for the README: Load's window while it
installs the add-in (and Calc with the add-in's toolbar once it is done), Load opening the
Writer template, addinpurge's dialog while it removes the add-in, and its message when no office
can be started. Each run uses a throwaway LibreOffice profile and ends every office it started.
Usage:
  xvfb-run -a -s "-screen 0 1280x1024x24" /usr/bin/python3 scripts/installer-screenshots.py \
      [BUILD] [OUT_DIR]
"""

import os
import shutil
import subprocess
import sys
import tempfile
import time

build = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else "build")
out_dir = os.path.abspath(sys.argv[2] if len(sys.argv) > 2 else "docs/screenshots")
LOAD = os.path.join(build, "bin/Load")
PURGE = os.path.join(build, "bin/addinpurge")
PACKAGE = os.path.join(build, "share/v38xx/CTRBridgeV38XX.oxt")
WRITER_TEMPLATE = os.path.join(build, "share/v38xx/addin/CTRBridgeV38XX.ott")


def window(name, timeout=60):
    """The id of the first window whose name contains `name`, once there is one."""
    deadline = time.time() + timeout
    while time.time() < deadline:
        r = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", name],
                           capture_output=True, text=True)
        if r.returncode == 0 and r.stdout.split():
            return r.stdout.split()[0]
        time.sleep(0.05)
    raise RuntimeError("no window named %r appeared" % name)


def capture(name, window_id="root"):
    path = os.path.join(out_dir, name)
    subprocess.run(["import", "-window", window_id, path], check=True)
    print("wrote", path)


def office_pids(mark):
    found = []
    for pid in filter(str.isdigit, os.listdir("/proc")):
        try:
            with open("/proc/%s/environ" % pid, "rb") as f:
                if ("V38XX_SCREENSHOT_MARK=" + mark).encode() in f.read().split(b"\0"):
                    found.append(int(pid))
        except OSError:
            pass
    return found


class User:
    def __init__(self):
        self.root = tempfile.mkdtemp(prefix="v38xx-installer-shots-")
        self.profile = os.path.join(self.root, "profile")
        self.env = dict(os.environ, XDG_DATA_HOME=os.path.join(self.root, "data"),
                        V38XX_SCREENSHOT_MARK=os.path.basename(self.root))

    def start(self, program, *args):
        return subprocess.Popen([program, "--profile", self.profile] + list(args), env=self.env)

    def run(self, program, *args):
        return subprocess.run([program, "--profile", self.profile] + list(args), env=self.env,
                              check=True, capture_output=True)

    def end(self):
        # The offices Load left for the user: removing the add-in ends them (they were started
        # by the programs, headless ones end by themselves); anything else is stopped here.
        for pid in office_pids(os.path.basename(self.root)):
            try:
                os.kill(pid, 15)
            except ProcessLookupError:
                pass
        time.sleep(1)
        for pid in office_pids(os.path.basename(self.root)):
            try:
                os.kill(pid, 9)
            except ProcessLookupError:
                pass
        shutil.rmtree(self.root, ignore_errors=True)


def main():
    os.makedirs(out_dir, exist_ok=True)

    # Load installing the add-in: its window, then Calc with the toolbar.
    user = User()
    try:
        load = user.start(LOAD, PACKAGE)
        capture("installer-load.png", window("Start V38XX Toolbar"))
        load.wait(120)
        calc = window("LibreOffice Calc")
        subprocess.run(["xdotool", "windowsize", calc, "1280", "1024"])
        time.sleep(3)
        capture("installer-calc-toolbar.png")
    finally:
        user.end()

    # Load opening the Writer template, the add-in installed (its commands then enabled).
    user = User()
    try:
        user.run(LOAD, "--headless", PACKAGE)
        load = user.start(LOAD, WRITER_TEMPLATE)
        load.wait(120)
        writer = window("LibreOffice Writer")
        subprocess.run(["xdotool", "windowsize", writer, "1280", "1024"])
        time.sleep(3)
        capture("installer-writer-template.png")
    finally:
        user.end()

    # addinpurge removing the add-in that a headless Load installed.
    user = User()
    try:
        user.run(LOAD, "--headless", PACKAGE)
        purge = user.start(PURGE)
        capture("installer-addinpurge.png", window("Orvalent Tallyway additionals remove"))
        purge.wait(120)
        # No office to start: the message over the dialog.
        purge = user.start(PURGE, "--soffice", "/nonexistent/soffice")
        window("Orvalent Tallyway additionals remove")
        time.sleep(1)
        capture("installer-addinpurge-no-office.png")
        subprocess.run(["xdotool", "key", "Return"])
        purge.wait(30)
    finally:
        user.end()


if __name__ == "__main__":
    main()
