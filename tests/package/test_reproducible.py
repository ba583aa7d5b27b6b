"""The same source makes the same artefacts, byte for byte, wherever it is
built: anybody can check a download against the source."""

import os
import shutil
import subprocess
import tempfile
import unittest
from concurrent.futures import ThreadPoolExecutor

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
VERSION = os.environ.get("MERONG_VERSION", "")
ARTEFACTS = ["build/release/games/merong", "build/release/lib/merong/merong-gtk.so",
             f"build/release/merong_{VERSION}_amd64.deb", "build/windows/merong.exe",
             f"build/windows/merong-{VERSION}-win64.zip"]


def build(source, epoch):
    """The program, its module and merong.exe, and their packages, built from
    a copy of the source in the folder `source`."""
    files = subprocess.run(["git", "ls-files", "-z", "--cached", "--others", "--exclude-standard"],
                           cwd=ROOT, check=True, capture_output=True).stdout.decode().split("\0")
    for name in filter(None, files):
        if os.path.isfile(os.path.join(ROOT, name)):
            os.makedirs(os.path.join(source, os.path.dirname(name)), exist_ok=True)
            shutil.copy2(os.path.join(ROOT, name), os.path.join(source, name))
    env = dict(os.environ, SOURCE_DATE_EPOCH=epoch)
    for preset in ["release", "windows"]:
        for step, folder in [(["cmake", "--preset", preset, "-DBUILD_TESTING=OFF"], source),
                             (["cmake", "--build", "--preset", preset, "--parallel"], source),
                             (["cpack"], os.path.join(source, "build", preset))]:
            done = subprocess.run(step, cwd=folder, env=env, capture_output=True, text=True)
            if done.returncode:
                raise AssertionError(f"{' '.join(step)} failed:\n{done.stdout}{done.stderr}")


def read(path):
    with open(path, "rb") as f:
        return f.read()


class Reproducible(unittest.TestCase):
    def test_two_builds_in_two_folders_are_the_same(self):
        epoch = subprocess.run(["git", "log", "-1", "--format=%ct"], cwd=ROOT, check=True,
                               capture_output=True, text=True).stdout.strip()
        folders = [tempfile.mkdtemp(prefix="merong-a-"), tempfile.mkdtemp(prefix="merong-bb-")]
        for folder in folders:
            self.addCleanup(shutil.rmtree, folder)
        sources = [os.path.join(folders[0], "src"), os.path.join(folders[1], "source")]
        # Side by side: each build is its own.
        with ThreadPoolExecutor(2) as pool:
            for done in [pool.submit(build, source, epoch) for source in sources]:
                done.result()
        for artefact in ARTEFACTS:
            with self.subTest(artefact):
                first, second = (read(os.path.join(s, artefact)) for s in sources)
                self.assertEqual(first, second, f"{artefact} differs between the two builds")
                # Nor does either say where it was built.
                for folder, source in zip(folders, sources):
                    self.assertNotIn(os.path.basename(folder).encode(),
                                     read(os.path.join(source, artefact)))


if __name__ == "__main__":
    unittest.main()
