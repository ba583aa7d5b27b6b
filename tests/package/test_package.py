"""merong as users get it: installed into a prefix, as a Debian package, and
as a zip for Windows."""

import os
import re
import shutil
import subprocess
import sys
import tempfile
import unittest
import zipfile

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "e2e"))

from desktop import DesktopBoxes, Xvfb  # noqa: E402
from scenario import TerminalBoxes, run_to_taunting  # noqa: E402
from terminal import GREETING_UTF8, Terminal  # noqa: E402

BUILD = os.environ.get("MERONG_BUILD", "")
DEB = os.environ.get("MERONG_DEB", "")
ZIP = os.environ.get("MERONG_ZIP", "")
KOREAN = {"LANG": "ko_KR.UTF-8"}


def run(*argv):
    return subprocess.run(argv, check=True, capture_output=True, text=True).stdout


class Installed(unittest.TestCase):
    def setUp(self):
        self.prefix = tempfile.mkdtemp(prefix="merong-prefix-")
        self.addCleanup(shutil.rmtree, self.prefix)
        run("cmake", "--install", BUILD, "--prefix", self.prefix)
        self.merong = os.path.join(self.prefix, "bin", "merong")

    def test_what_is_installed(self):
        for path in ["bin/merong", "lib/merong/merong-gtk.so", "share/man/man6/merong.6.gz",
                     "share/applications/merong.desktop", "share/doc/merong/copyright"]:
            self.assertTrue(os.path.isfile(os.path.join(self.prefix, path)), path)
        with open(os.path.join(self.prefix, "share/applications/merong.desktop")) as f:
            entry = f.read()
        # Started from a menu, it gets a terminal: its console.
        self.assertIn("\nTerminal=true\n", entry)
        self.assertIn("\nExec=merong\n", entry)
        page = run("man", "-l", os.path.join(self.prefix, "share/man/man6/merong.6.gz"))
        for heading in ["NAME", "SYNOPSIS", "DESCRIPTION", "ENDING IT", "ENVIRONMENT", "FILES"]:
            self.assertIn(heading, page)

    def test_installed_program_runs_in_a_terminal(self):
        with Terminal(env=dict(KOREAN, MERONG=self.merong)) as term:
            run_to_taunting(self, term, TerminalBoxes(term), GREETING_UTF8["ko"])

    def test_installed_program_finds_its_desktop_module(self):
        with Xvfb() as x, Terminal(env=dict(KOREAN, MERONG=self.merong, **x.env())) as term:
            DesktopBoxes(x).wait(GREETING_UTF8["ko"], 1)
            self.assertNotIn(b"\x1b[?1049h", term.output())


class DebianPackage(unittest.TestCase):
    def test_control_and_contents(self):
        self.assertEqual(run("dpkg-deb", "-f", DEB, "Package").strip(), "merong")
        self.assertEqual(run("dpkg-deb", "-f", DEB, "Depends").strip(), "libc6 (>= 2.34)")
        # The program runs without GTK: a recommendation, not a dependency.
        self.assertIn("libgtk-3-0", run("dpkg-deb", "-f", DEB, "Recommends"))
        contents = run("dpkg-deb", "--contents", DEB)
        for path in ["./usr/bin/merong", "./usr/lib/merong/merong-gtk.so",
                     "./usr/share/man/man6/merong.6.gz", "./usr/share/applications/merong.desktop",
                     "./usr/share/doc/merong/copyright", "./usr/share/doc/merong/changelog.gz"]:
            self.assertRegex(contents, r"\s" + re.escape(path) + "\n")

    def test_lintian_finds_no_error(self):
        report = subprocess.run(["lintian", "--allow-root", DEB], capture_output=True, text=True)
        self.assertEqual([line for line in report.stdout.splitlines() if line.startswith("E:")],
                         [])

    def test_installs_runs_from_the_path_and_removes_cleanly(self):
        self.assertEqual(os.geteuid(), 0, "installing a package needs root (CI is)")
        run("dpkg", "-i", DEB)
        try:
            merong = shutil.which("merong", path="/usr/bin:/bin")
            self.assertEqual(merong, "/usr/bin/merong")
            with Terminal("merong", env=KOREAN) as term:
                run_to_taunting(self, term, TerminalBoxes(term), GREETING_UTF8["ko"])
        finally:
            run("dpkg", "-r", "merong")
        self.assertFalse(os.path.exists("/usr/bin/merong"))
        self.assertFalse(os.path.exists("/usr/lib/merong"))
        self.assertEqual(subprocess.run(["dpkg", "-s", "merong"], capture_output=True).returncode,
                         1)


class WindowsZip(unittest.TestCase):
    def test_holds_the_executable_and_a_text_and_the_executable_is_whole(self):
        with zipfile.ZipFile(ZIP) as z:
            self.assertEqual(sorted(z.namelist()), ["README.txt", "merong.exe"])
            folder = tempfile.mkdtemp()
            self.addCleanup(shutil.rmtree, folder)
            z.extract("merong.exe", folder)
        checks = subprocess.run(
            [sys.executable, "-m", "unittest", "test_image"], cwd=os.path.join(HERE, "..", "windows"),
            env=dict(os.environ, MERONG_WINDOWS=folder), capture_output=True, text=True)
        self.assertEqual(checks.returncode, 0, checks.stderr)


if __name__ == "__main__":
    unittest.main()
