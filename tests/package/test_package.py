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

from boxes import DesktopBoxes, TerminalBoxes  # noqa: E402
from desktop import Xvfb  # noqa: E402
from scenario import run_to_taunting  # noqa: E402
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
        self.merong = os.path.join(self.prefix, "games", "merong")

    def test_what_is_installed(self):
        for path in ["games/merong", "lib/merong/merong-gtk.so", "share/man/man6/merong.6.gz",
                     "share/applications/merong.desktop", "share/doc/merong/copyright",
                     "share/icons/hicolor/scalable/apps/merong.svg"]:
            self.assertTrue(os.path.isfile(os.path.join(self.prefix, path)), path)
        with open(os.path.join(self.prefix, "share/applications/merong.desktop")) as f:
            entry = f.read()
        # Started from a menu, it gets a terminal: its console.
        self.assertIn("\nTerminal=true\n", entry)
        self.assertIn("\nExec=merong\n", entry)
        self.assertIn("\nIcon=merong\n", entry)

    def test_manual_page_reads_under_any_locale(self):
        page = os.path.join(self.prefix, "share/man/man6/merong.6.gz")
        for lang in ["C", "C.UTF-8"]:
            with self.subTest(lang=lang):
                text = subprocess.run(["man", "-l", page], check=True, capture_output=True,
                                      text=True, env=dict(os.environ, LANG=lang, LC_ALL=lang,
                                                          MANWIDTH="80")).stdout
                for heading in ["NAME", "SYNOPSIS", "DESCRIPTION", "ENDING IT", "ENVIRONMENT",
                                "FILES"]:
                    self.assertIn(heading, text)
                # What the greeting says, and its bytes, whatever the terminal
                # can show; and what the program opens.
                flat = " ".join(text.split())
                for words in ["you are...", "B4 E7 BD C5 C0 BA 2E 2E 2E", "/dev/tty",
                              "merong-gtk.so", "Ctrl+Z", "fg"]:
                    self.assertIn(words, flat)

    def test_installed_program_runs_in_a_terminal(self):
        with Terminal(env=dict(KOREAN, MERONG=self.merong)) as term:
            run_to_taunting(self, term, TerminalBoxes(term), GREETING_UTF8["ko"])

    def test_installed_program_finds_its_desktop_module(self):
        with Xvfb() as x, Terminal(env=dict(KOREAN, MERONG=self.merong, **x.env())) as term:
            DesktopBoxes(x).wait(1, GREETING_UTF8["ko"])
            self.assertNotIn(b"\x1b[?1049h", term.output())

    def test_a_module_planted_beside_the_program_is_not_loaded(self):
        # A copy of the program in a folder anyone can write to: a module
        # put beside it is never loaded; without its own, boxes are drawn
        # on the terminal.
        folder = tempfile.mkdtemp(prefix="merong-planted-")
        self.addCleanup(shutil.rmtree, folder)
        shutil.copy(self.merong, folder)
        marker = os.path.join(folder, "loaded")
        planted = os.path.join(folder, "merong-gtk.c")
        with open(planted, "w") as f:
            f.write('#include <stdio.h>\n__attribute__((constructor)) static void at_load(void)'
                    f' {{ fclose(fopen("{marker}", "w")); }}\n'
                    'int merong_desktop_open(void) { return 1; }\n'
                    'void merong_desktop_message_box(const char *c, const char *t) {}\n')
        run("cc", "-shared", "-fPIC", "-o", os.path.join(folder, "merong-gtk.so"), planted)
        with Xvfb() as x, Terminal(env=dict(KOREAN, MERONG=os.path.join(folder, "merong"),
                                            **x.env())) as term:
            TerminalBoxes(term).wait(1, GREETING_UTF8["ko"])
        self.assertFalse(os.path.exists(marker))


def dpkg_shlibdeps(field, binary):
    """What dpkg-shlibdeps reads off a binary for a field of the package."""
    with tempfile.TemporaryDirectory() as tree:
        os.mkdir(os.path.join(tree, "debian"))
        open(os.path.join(tree, "debian", "control"), "w").close()
        out = subprocess.run(["dpkg-shlibdeps", "-O", f"-d{field}", f"-e{binary}"], cwd=tree,
                             check=True, capture_output=True, text=True).stdout
    return out.strip().split("=", 1)[1]


class DebianPackage(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.unpacked = tempfile.mkdtemp(prefix="merong-deb-")
        run("dpkg-deb", "-x", DEB, cls.unpacked)

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.unpacked)

    def test_control_and_contents(self):
        self.assertEqual(run("dpkg-deb", "-f", DEB, "Package").strip(), "merong")
        self.assertEqual(run("dpkg-deb", "-f", DEB, "Section").strip(), "games")
        contents = run("dpkg-deb", "--contents", DEB)
        for path in ["./usr/games/merong", "./usr/lib/merong/merong-gtk.so",
                     "./usr/share/man/man6/merong.6.gz", "./usr/share/applications/merong.desktop",
                     "./usr/share/icons/hicolor/scalable/apps/merong.svg",
                     "./usr/share/doc/merong/copyright", "./usr/share/doc/merong/changelog.gz"]:
            self.assertRegex(contents, r"\s" + re.escape(path) + "\n")

    def test_relationships_are_what_the_binaries_need(self):
        program = os.path.join(self.unpacked, "usr/games/merong")
        module = os.path.join(self.unpacked, "usr/lib/merong/merong-gtk.so")
        self.assertEqual(run("dpkg-deb", "-f", DEB, "Depends").strip(),
                         dpkg_shlibdeps("Depends", program))
        # The program runs without GTK: what the module needs is recommended.
        recommends = run("dpkg-deb", "-f", DEB, "Recommends").strip()
        for relation in dpkg_shlibdeps("Recommends", module).split(", "):
            if not relation.startswith("libc6 "):
                self.assertIn(relation, recommends)
        self.assertIn("libgtk-3-0", recommends)
        self.assertIn("fonts-nanum", recommends)

    def test_binaries_are_hardened(self):
        for binary in ["usr/games/merong", "usr/lib/merong/merong-gtk.so"]:
            with self.subTest(binary):
                # Control-flow protection is checked on our own objects below:
                # the linked file cannot carry its mark, as Debian 12's C
                # library start files (crt1.o, crti.o) lack it.
                report = subprocess.run(
                    ["hardening-check", "--nocfprotection", os.path.join(self.unpacked, binary)],
                    capture_output=True, text=True)
                self.assertEqual(report.returncode, 0, report.stdout)
                self.assertRegex(report.stdout, r"Stack protected: yes")
                self.assertRegex(report.stdout, r"Immediate binding: yes")
        objects = [os.path.join(folder, name) for folder, _, names in os.walk(BUILD)
                   for name in names if name.endswith(".o") and "/tests/" not in folder
                   and "CompilerId" not in folder]
        self.assertTrue(objects)
        for obj in objects:
            self.assertIn("x86 feature: IBT, SHSTK", run("readelf", "-n", obj), obj)

    def test_lintian_is_clean_to_the_pedantic(self):
        report = subprocess.run(["lintian", "--allow-root", "--pedantic", "-I", "-E", DEB],
                                capture_output=True, text=True)
        self.assertEqual(report.stdout.strip(), "")

    def test_installs_runs_from_the_path_and_removes_cleanly(self):
        # In a throwaway root with a dpkg database of its own: the machine's
        # own packages are never touched, and no root is needed. What the
        # package depends on is checked against this machine instead.
        root = tempfile.mkdtemp(prefix="merong-root-")
        self.addCleanup(shutil.rmtree, root)
        admin = os.path.join(root, "var/lib/dpkg")
        for folder in ["info", "updates"]:
            os.makedirs(os.path.join(admin, folder))
        for name in ["status", "available"]:
            open(os.path.join(admin, name), "w").close()
        dpkg = ["dpkg", f"--root={root}", f"--log={root}/dpkg.log", "--force-not-root",
                "--force-script-chrootless"]
        run(*dpkg, "--force-depends", "-i", DEB)
        for relation in run("dpkg-deb", "-f", DEB, "Depends").strip().split(", "):
            name, version = re.fullmatch(r"(\S+) \(>= (\S+)\)", relation).groups()
            have = run("dpkg-query", "-W", "-f=${Version}", name)
            self.assertEqual(subprocess.run(["dpkg", "--compare-versions", have, "ge", version])
                             .returncode, 0, f"{name} {have} is older than {version}")
        games = os.path.join(root, "usr/games")
        self.assertEqual(shutil.which("merong", path=games), os.path.join(games, "merong"))
        with Xvfb() as x, Terminal("merong", env=dict(KOREAN, PATH=f"{games}:/usr/bin:/bin",
                                                      **x.env())) as term:
            # The desktop module found where the package put it.
            DesktopBoxes(x).wait(1, GREETING_UTF8["ko"])
            self.assertNotIn(b"\x1b[?1049h", term.output())
        run(*dpkg, "-r", "merong")
        left = [os.path.join(folder, name) for folder, _, names in os.walk(os.path.join(root, "usr"))
                for name in names]
        self.assertEqual(left, [])
        status = subprocess.run(["dpkg", f"--root={root}", "-s", "merong"], capture_output=True)
        self.assertEqual(status.returncode, 1)


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
