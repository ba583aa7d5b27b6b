"""The shipped merong.exe, read as a file: what Windows will see of it
before it runs a single instruction."""

import os
import re
import subprocess
import tempfile
import unittest

EXE = os.path.join(os.environ.get("MERONG_WINDOWS", ""), "merong.exe")
VERSION = os.environ.get("MERONG_VERSION", "")
OBJDUMP = "x86_64-w64-mingw32-objdump"
SUPPORTED_OS = {
    "e2011457-1546-43c5-a5fe-008deee3d3f0",  # Vista
    "35138b9a-5d96-4fbd-8e2d-a2440225f93a",  # 7
    "4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38",  # 8
    "1f676c76-80e1-4239-95bb-83d0f6d0da78",  # 8.1
    "8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a",  # 10
}


def run(*argv, binary=False):
    return subprocess.run(argv, check=True, capture_output=True, text=not binary).stdout


class Image(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.headers = run(OBJDUMP, "-p", EXE)

    def test_64_bit_console_program(self):
        self.assertIn("file format pei-x86-64", run(OBJDUMP, "-f", EXE))
        self.assertRegex(self.headers, r"Magic\s+020b\s+\(PE32\+\)")
        self.assertRegex(self.headers, r"Subsystem\s+00000003\s+\(Windows CUI\)")

    def test_imports_only_what_every_windows_has(self):
        dlls = {d.lower() for d in re.findall(r"DLL Name: (\S+)", self.headers)}
        self.assertEqual(dlls, {"kernel32.dll", "user32.dll", "msvcrt.dll"})

    def test_aslr_high_entropy_and_no_execute_and_no_time_stamp(self):
        characteristics = re.search(r"DllCharacteristics\s+[0-9a-f]+\n((?:\s+[A-Z_]+\n)+)",
                                    self.headers).group(1).split()
        for flag in ["HIGH_ENTROPY_VA", "DYNAMIC_BASE", "NX_COMPAT"]:
            self.assertIn(flag, characteristics)
        # The same source gives the same bytes: no build time in the header.
        stamp = re.search(r"Time/Date\s+(.*)", self.headers).group(1)
        self.assertEqual(stamp, "Thu Jan  1 00:00:00 1970")

    def test_small_and_stripped(self):
        # The program, its runtime and its icon.
        self.assertLessEqual(os.path.getsize(EXE), 64 * 1024)
        sections = run(OBJDUMP, "-h", EXE)
        self.assertNotIn(".debug", sections)
        self.assertIn("no symbols", run(OBJDUMP, "-t", EXE))

    def test_resources_are_a_manifest_an_icon_and_the_version(self):
        listed = run("wrestool", "-l", EXE).splitlines()
        types = {re.search(r"--type=(\d+)", line).group(1) for line in listed}
        # 3 and 14: the icon's images and their group; 16 the version; 24 the
        # manifest.
        self.assertEqual(types, {"3", "14", "16", "24"})
        self.assertTrue(any("--type=24 --name=1 " in line for line in listed))

    def test_icon_is_the_projects_in_every_size_explorer_shows(self):
        with tempfile.TemporaryDirectory() as folder:
            icon = os.path.join(folder, "merong.ico")
            with open(icon, "wb") as f:
                f.write(run("wrestool", "-x", "-t", "14", EXE, binary=True))
            sizes = {int(w) for w in re.findall(r"--width=(\d+)", run("icotool", "-l", icon))}
            self.assertEqual(sizes, {16, 24, 32, 48, 256})
            # The largest image is the SVG as drawn: not blank.
            run("icotool", "-x", "-o", folder, icon)
            png = [os.path.join(folder, n) for n in os.listdir(folder) if "256x256" in n][0]
            spread = run("convert", png, "-colorspace", "gray", "-format",
                         "%[fx:standard_deviation]", "info:")
            self.assertGreater(float(spread), 0.1)

    def test_manifest_runs_as_invoker_on_vista_to_10(self):
        manifest = run("wrestool", "-x", "--raw", "-t", "24", EXE)
        self.assertRegex(manifest, r'<requestedExecutionLevel\s+level="asInvoker"\s+'
                                   r'uiAccess="false"\s*/>')
        self.assertEqual(set(re.findall(r'supportedOS Id="\{([0-9a-f-]+)\}"', manifest)),
                         SUPPORTED_OS)

    def test_manifest_asks_for_sharp_themed_boxes_in_the_systems_code_page(self):
        manifest = run("wrestool", "-x", "--raw", "-t", "24", EXE)
        self.assertRegex(manifest, r"<dpiAware\b[^>]*>true/pm</dpiAware>")
        self.assertRegex(manifest, r"<dpiAwareness\b[^>]*>PerMonitorV2\b")
        self.assertRegex(manifest, r'name="Microsoft\.Windows\.Common-Controls"\s+'
                                   r'version="6\.0\.0\.0"')
        # The greeting's bytes must keep following the system's ANSI code
        # page: no UTF-8 code page of the program's own.
        self.assertNotIn("activeCodePage", manifest)

    def test_version_says_what_it_is(self):
        data = run("wrestool", "-x", "--raw", "-t", "16", EXE, binary=True).decode("utf-16-le",
                                                                                "replace")
        for key, value in [("ProductName", "merong"), ("ProductVersion", VERSION),
                           ("FileVersion", VERSION), ("OriginalFilename", "merong.exe"),
                           ("CompanyName", "the merong developers")]:
            self.assertRegex(data, re.escape(key) + r"\x00+" + re.escape(value) + r"\x00")
        self.assertIn("FileDescription", data)
        self.assertRegex(data, r"LegalCopyright\x00+Copyright 2026 the merong developers")


if __name__ == "__main__":
    unittest.main()
