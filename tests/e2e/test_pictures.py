"""test_pictures.py: tvhost --png with the real plug-in writes a picture of
every screen, numbered in order and named after the screen's heading."""

import os
import shutil
import struct
import subprocess
import tempfile
import unittest

import box

PNG_SIGNATURE = b"\x89PNG\r\n\x1a\n"


def png_size(path):
    """(width, height) from the PNG file's header chunk, which comes first."""
    with open(path, "rb") as f:
        head = f.read(24)
    if head[:8] != PNG_SIGNATURE or head[12:16] != b"IHDR":
        raise AssertionError("%s is not a PNG file" % path)
    return struct.unpack(">II", head[16:24])


class Pictures(unittest.TestCase):
    def setUp(self):
        self.box = box.make_box()
        self.addCleanup(self.box.cleanup)
        self.pictures = tempfile.mkdtemp(prefix="tarvio-pictures-")
        self.addCleanup(shutil.rmtree, self.pictures, True)

    def run_with_pictures(self, keys, folder):
        command = [box.tvhost_path(), "--root", self.box.path, "--png", folder]
        for key in keys:
            command += ["--key", key]
        command.append(box.plugin_path())
        done = subprocess.run(command, stdin=subprocess.DEVNULL, capture_output=True,
                              text=True, timeout=60)
        return done, box.parse_screens(done.stdout)

    def test_one_numbered_picture_per_screen(self):
        # The folder lies under /tmp, which --root covers with the box's.
        folder = os.path.join(self.pictures, "screens")
        done, screens = self.run_with_pictures(["blue", "down", "green"], folder)
        self.assertEqual(done.returncode, 0, done.stderr)
        self.assertEqual(done.stderr, "WCLOSE!")
        self.assertEqual([heading for heading, _ in screens],
                         ["shown", "after blue", "after down", "after green", "after exit"])
        self.assertEqual(sorted(os.listdir(folder)),
                         ["001-shown.png", "002-after-blue.png", "003-after-down.png",
                          "004-after-green.png", "005-after-exit.png"])
        for name in os.listdir(folder):
            self.assertEqual(png_size(os.path.join(folder, name)), (720, 576), name)
        # Different screens, different pictures; the setup page is not the main page.
        with open(os.path.join(folder, "001-shown.png"), "rb") as f:
            main_page = f.read()
        with open(os.path.join(folder, "002-after-blue.png"), "rb") as f:
            setup_page = f.read()
        self.assertNotEqual(main_page, setup_page)

    def test_unusable_folder_runs_nothing(self):
        not_a_folder = os.path.join(self.pictures, "file")
        with open(not_a_folder, "w") as f:
            f.write("x")
        done, _ = self.run_with_pictures(["exit"], not_a_folder)
        self.assertEqual(done.returncode, 1)
        self.assertIn("tvhost: cannot open the picture folder", done.stderr)
        self.assertEqual(done.stdout, "")

    def test_png_needs_a_value(self):
        done = subprocess.run([box.tvhost_path(), "--key", "exit", box.plugin_path(), "--png"],
                              capture_output=True, text=True, timeout=60)
        self.assertEqual(done.returncode, 2)
        self.assertIn("--png needs a value", done.stderr)
        self.assertIn("usage:", done.stderr)


if __name__ == "__main__":
    unittest.main()
