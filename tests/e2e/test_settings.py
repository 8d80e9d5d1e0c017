"""test_settings.py: the setup page driven by keys in tvhost, and the
settings file it loads and saves in the box's /var/kestra/plugins."""

import os
import subprocess
import unittest

import box

HEADER = "# Tarvio config file - DO NOT EDIT!\n"
DEFAULT_PATH = "/mnt/usb/lomvi.dat"
SAVE_FAILED = "Unable to save settings file:\n/var/kestra/plugins/tarvio.conf"
HINT = "Press blue button to setup."


def field(screen, label):
    """The value an input shows beside its label, the cursor left out."""
    for row in screen.splitlines():
        if label in row:
            value = row.split(label, 1)[1].rstrip()
            # The window's right frame, then the input's cursor.
            return value[:-1].strip().replace("|", "")
    raise AssertionError("no %r on the screen:\n%s" % (label, screen))


def info_text(screen):
    """The window's inner rows joined, frame and padding removed."""
    rows = screen.splitlines()[1:-1]
    return "\n".join(row.strip()[1:-1].strip() for row in rows).strip("\n")


def screens(run, heading):
    """Every screen with that heading, in order."""
    return [text for name, text in run.screens if name == heading]


def clear_path():
    """Keys that empty the path input (at most 60 characters)."""
    return ["backspace"] * 60


class SettingsBox(unittest.TestCase):
    def setUp(self):
        self.box = box.make_box()
        self.addCleanup(self.box.cleanup)
        self.conf = os.path.join(self.box.plugins, "tarvio.conf")

    def write_conf(self, content):
        with open(self.conf, "w") as f:
            f.write(content)

    def read_conf(self):
        with open(self.conf) as f:
            return f.read()

    def run_keys(self, keys):
        run = box.run_tvhost(self.box, keys)
        self.assertEqual(run.returncode, 0, run.stderr)
        return run

    def assert_setup_shows(self, screen, path, days):
        self.assertEqual(field(screen, "EPG filename:"), path, screen)
        self.assertEqual(field(screen, "Days to download:"), days, screen)

    def assert_main_page(self, screen, info):
        self.assertIn("Download", screen)
        self.assertIn("Setup", screen)
        self.assertNotIn("EPG filename:", screen)
        self.assertNotIn("Save", screen)
        self.assertIn(info, info_text(screen))


class SaveAndLoad(SettingsBox):
    def test_saved_settings_load_in_the_next_session(self):
        run = self.run_keys(["blue"] + clear_path() +
                            ["text:/hdd/epg/guide.dat", "down", "backspace", "3", "green", "exit"])
        self.assert_main_page(run.screen("after green"), HINT)
        self.assertEqual(self.read_conf(), HEADER + "/hdd/epg/guide.dat\n3\n")
        self.assertEqual(os.listdir(self.box.plugins), ["tarvio.conf"])

        run = self.run_keys(["blue"])
        self.assert_setup_shows(run.screen("after blue"), "/hdd/epg/guide.dat", "3")

    def test_second_visit_shows_what_the_first_saved(self):
        run = self.run_keys(["blue", "text:x", "down", "backspace", "2", "green", "blue"])
        self.assert_setup_shows(run.screen("after blue"), DEFAULT_PATH + "x", "2")
        self.assertEqual(self.read_conf(), HEADER + DEFAULT_PATH + "x\n2\n")

    def test_cleared_days_are_saved_as_zero(self):
        run = self.run_keys(["blue", "down", "backspace", "green", "blue"])
        self.assert_setup_shows(run.screen("after blue"), DEFAULT_PATH, "0")
        self.assertEqual(self.read_conf(), HEADER + DEFAULT_PATH + "\n0\n")

    def test_inputs_take_only_their_characters_and_lengths(self):
        long_path = "/" + "p" * 69
        run = self.run_keys(["blue"] + clear_path() +
                            ["text:/HDD/Epg file.dat", "down", "text:9", "backspace",
                             "text:9", "text:45", "green"])
        self.assertEqual(self.read_conf(), HEADER + "//pgfile.dat\n4\n")

        self.run_keys(["blue"] + clear_path() + ["text:" + long_path, "green"])
        self.assertEqual(self.read_conf(), HEADER + long_path[:60] + "\n4\n")


class Loading(SettingsBox):
    def test_no_file_gives_the_defaults(self):
        run = self.run_keys(["blue"])
        self.assert_setup_shows(run.screen("after blue"), DEFAULT_PATH, "7")

    def test_loaded_values_are_shown_as_they_stand(self):
        # 0, 8 and 9 cannot be typed but are shown as loaded; a CR LF file
        # loads without its CRs; an empty file keeps the default 7 days.
        cases = [
            (HEADER + "/hdd/a.dat\n9\n", "/hdd/a.dat", "9"),
            (HEADER + "/hdd/a.dat\n8\n", "/hdd/a.dat", "8"),
            (HEADER + "/hdd/a.dat\n10\n", "/hdd/a.dat", "1"),
            (HEADER + "/hdd/a.dat\n", "/hdd/a.dat", "0"),
            (HEADER.replace("\n", "\r\n") + "/hdd/b.dat\r\n4\r\n", "/hdd/b.dat", "4"),
            ("", DEFAULT_PATH, "7"),
        ]
        for content, path, days in cases:
            with self.subTest(content=content):
                self.write_conf(content)
                run = self.run_keys(["blue"])
                self.assert_setup_shows(run.screen("after blue"), path, days)


class LeavingWithoutSave(SettingsBox):
    def setUp(self):
        super().setUp()
        self.old = HEADER + "/hdd/old.dat\n5\n"
        self.write_conf(self.old)
        os.utime(self.conf, (1_000_000_000, 1_000_000_000))
        self.before = os.stat(self.conf)

    def assert_file_untouched(self):
        after = os.stat(self.conf)
        self.assertEqual((after.st_ino, after.st_mtime_ns), (self.before.st_ino,
                                                             self.before.st_mtime_ns))
        self.assertEqual(self.read_conf(), self.old)

    def test_back_keeps_settings_file_and_info_text(self):
        run = self.run_keys(["blue"] + clear_path() +
                            ["text:/new.dat", "down", "backspace", "2", "blue", "blue"])
        self.assert_main_page(screens(run, "after blue")[1], HINT)
        self.assert_setup_shows(run.screen("after blue"), "/hdd/old.dat", "5")
        self.assert_file_untouched()

    def test_exit_on_setup_page_saves_nothing(self):
        self.run_keys(["blue", "text:x", "down", "backspace", "2", "exit"])
        self.assert_file_untouched()
        run = self.run_keys(["blue"])
        self.assert_setup_shows(run.screen("after blue"), "/hdd/old.dat", "5")


class UnwritableFolder(SettingsBox):
    def run_read_only(self, keys):
        """tvhost with the box's plugins folder mounted read-only, which
        stops root as well; the mount lives in a namespace of its own."""
        command = ["unshare", "--mount", "--propagation", "private"]
        if os.geteuid() != 0:
            command.insert(1, "--map-root-user")
        command += ["sh", "-c",
                    'mount --bind "$1" "$1" && mount -o remount,bind,ro "$1" || exit 99\n'
                    'shift; exec "$@"',
                    "sh", self.box.plugins, box.tvhost_path(), "--root", self.box.path]
        for key in keys:
            command += ["--key", key]
        command.append(box.plugin_path())
        done = subprocess.run(command, stdin=subprocess.DEVNULL, capture_output=True,
                              timeout=60, text=True, errors="replace")
        self.assertNotEqual(done.returncode, 99, "cannot mount read-only: " + done.stderr)
        self.assertEqual(done.returncode, 0, done.stderr)
        return box.Run(done.returncode, done.stdout, done.stderr)

    def test_failed_save_keeps_old_file_and_says_so(self):
        old = HEADER + "/hdd/old.dat\n5\n"
        self.write_conf(old)
        run = self.run_read_only(["blue", "text:x", "down", "backspace", "2", "green", "blue"])
        self.assert_main_page(run.screen("after green"), SAVE_FAILED)
        # The dialog goes on with the new values.
        self.assert_setup_shows(run.screen("after blue"), "/hdd/old.datx", "2")
        self.assertEqual(self.read_conf(), old)
        self.assertEqual(os.listdir(self.box.plugins), ["tarvio.conf"])


if __name__ == "__main__":
    unittest.main()
