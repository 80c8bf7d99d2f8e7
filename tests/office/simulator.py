"""v38xx-sim on loopback for tests: started with free ports, stopped by process id."""

import os
import socket
import subprocess


class Simulator:
    def __init__(self, build_dir, model="V3800A", log=None):
        """`log`: a file that gets every message the counter receives."""
        self.log = log
        self.process = subprocess.Popen(
            [os.path.join(build_dir, "bin/v38xx-sim"), "--model", model, "--raw-port", "0",
             "--control-port", "0"] + (["--log", log] if log else []),
            stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
        self.raw_port = self.control_port = None
        for line in self.process.stdout:
            key, _, value = line.strip().partition(" ")
            if key == "raw-port":
                self.raw_port = int(value)
            elif key == "control-port":
                self.control_port = int(value)
            elif key == "ready":
                break
        if not self.raw_port or not self.control_port:
            self.stop()
            raise RuntimeError("v38xx-sim did not start")
        self.model = model

    @property
    def resource(self):
        return "TCPIP0::127.0.0.1::%d::SOCKET" % self.raw_port

    def received(self):
        """The messages received so far (with `log`), without the time stamp of each line."""
        if not self.log or not os.path.exists(self.log):
            return []
        with open(self.log, encoding="utf-8", errors="replace") as f:
            # "date time message", the message's line feed written as \n
            return [line.rstrip("\n").split(" ", 2)[-1].removesuffix("\\n") for line in f]

    def control(self, command):
        """One command of the simulator's control channel; its reply line."""
        with socket.create_connection(("127.0.0.1", self.control_port), timeout=5) as s:
            s.sendall((command + "\n").encode())
            reply = b""
            while not reply.endswith(b"\n"):
                chunk = s.recv(4096)
                if not chunk:
                    break
                reply += chunk
            return reply.decode().strip()

    def stop(self):
        if self.process.poll() is None:
            self.process.terminate()
            try:
                self.process.wait(timeout=10)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()
        self.process.stdout.close()
