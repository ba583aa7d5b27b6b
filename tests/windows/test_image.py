"""The shipped merong.exe, read as a file: what Windows will see of it
before it runs a single instruction."""

import os
import re
import subprocess
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

    def test_small_and_stripped(self):
        self.assertLessEqual(os.path.getsize(EXE), 48 * 1024)
        sections = run(OBJDUMP, "-h", EXE)
        self.assertNotIn(".debug", sections)
        self.assertIn("no symbols", run(OBJDUMP, "-t", EXE))

    def test_resources_are_one_manifest_and_the_version(self):
        listed = run("wrestool", "-l", EXE).splitlines()
        types = sorted(re.search(r"--type=(\d+)", line).group(1) for line in listed)
        self.assertEqual(types, ["16", "24"])
        self.assertTrue(any("--type=24 --name=1 " in line for line in listed))

    def test_manifest_runs_as_invoker_on_vista_to_10(self):
        manifest = run("wrestool", "-x", "--raw", "-t", "24", EXE)
        self.assertRegex(manifest, r'<requestedExecutionLevel\s+level="asInvoker"\s+'
                                   r'uiAccess="false"\s*/>')
        self.assertEqual(set(re.findall(r'supportedOS Id="\{([0-9a-f-]+)\}"', manifest)),
                         SUPPORTED_OS)

    def test_version_says_what_it_is(self):
        data = run("wrestool", "-x", "--raw", "-t", "16", EXE, binary=True).decode("utf-16-le",
                                                                                "replace")
        for key, value in [("ProductName", "merong"), ("ProductVersion", VERSION),
                           ("FileVersion", VERSION), ("OriginalFilename", "merong.exe")]:
            self.assertRegex(data, re.escape(key) + r"\x00+" + re.escape(value) + r"\x00")
        self.assertIn("FileDescription", data)


if __name__ == "__main__":
    unittest.main()
