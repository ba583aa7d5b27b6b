"""The program on a bare pseudo-terminal of its own, read as it writes: lean
enough for the benchmark, the long runs and the stress tests."""

import fcntl
import os
import pty
import select
import signal
import struct
import termios
import time

# What a program gets on a bare run: a terminal like xterm, in Korean, and
# nothing else of the tests' own environment.
ENV = {"PATH": "/usr/bin:/bin", "TERM": "xterm-256color", "LANG": "ko_KR.UTF-8"}


class Run:
    """One run of a program on a fresh 80x24 pseudo-terminal. The terminal's
    modes are taken before the program starts (`modes_before`): whatever the
    program does to them, that is how it found them."""

    def __init__(self, argv, env):
        self.data = bytearray()
        go_read, go_write = os.pipe()
        # Closed by the exec (or by the child's end): then the program runs.
        exec_read, exec_write = os.pipe()
        self.pid, self.fd = pty.fork()
        if self.pid == 0:
            try:
                # Until the program is there, a Ctrl+C ends this child as it
                # would end the program.
                signal.signal(signal.SIGINT, signal.SIG_DFL)
                os.read(go_read, 1)
                # Nothing of the tests' own open in the program.
                for fd in sorted(set(range(3, 256)) - {exec_write}):
                    try:
                        os.close(fd)
                    except OSError:
                        pass
                os.execve(argv[0], argv, env)
            finally:
                os._exit(127)
        os.close(go_read)
        os.close(exec_write)
        fcntl.ioctl(self.fd, termios.TIOCSWINSZ, struct.pack("HHHH", 24, 80, 0, 0))
        self.modes_before = termios.tcgetattr(self.fd)
        self.start = time.monotonic()
        os.write(go_write, b"x")
        os.close(go_write)
        os.read(exec_read, 1)
        os.close(exec_read)

    def wait(self, timeout=10.0):
        """The program's wait status, once it has ended."""
        deadline = time.monotonic() + timeout
        while True:
            pid, status = os.waitpid(self.pid, os.WNOHANG)
            if pid:
                self.pid = None
                return status
            if time.monotonic() > deadline:
                raise AssertionError(f"the program did not end within {timeout} s")
            self.pump(0.01)

    def output(self):
        """Everything the program wrote so far."""
        return self.data

    def pump(self, timeout):
        """Reads what the program wrote, waiting up to timeout for it;
        whether anything came."""
        if select.select([self.fd], [], [], max(timeout, 0))[0]:
            try:
                data = os.read(self.fd, 65536)
            except OSError:
                return False
            self.data += data
            return bool(data)
        return False

    def send_bytes(self, data):
        os.write(self.fd, data)

    def cpu_ms(self):
        with open(f"/proc/{self.pid}/schedstat") as f:
            return int(f.read().split()[0]) / 1e6

    def peak_rss_mib(self):
        with open(f"/proc/{self.pid}/status") as f:
            for line in f:
                if line.startswith("VmHWM:"):
                    return int(line.split()[1]) / 1024
        return 0

    def resources(self):
        """Resident memory (KiB), open descriptors and mappings, now."""
        with open(f"/proc/{self.pid}/status") as f:
            rss = next(int(line.split()[1]) for line in f if line.startswith("VmRSS:"))
        with open(f"/proc/{self.pid}/maps") as f:
            maps = len(f.readlines())
        return rss, len(os.listdir(f"/proc/{self.pid}/fd")), maps

    def end(self):
        """Kills the program, unless it has already been waited for."""
        if self.pid is not None:
            os.kill(self.pid, signal.SIGKILL)
            os.waitpid(self.pid, 0)
        os.close(self.fd)
