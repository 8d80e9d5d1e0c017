"""test_hostile_files.py: odd files and odd starts, end to end: closed standard descriptors, FIFOs and devices
where files belong, EPG paths that would destroy the user's files, control characters in names."""

import os
import subprocess
import tempfile
import time
import unittest

import box
from test_download import CHANNEL_LIST, EPG, SETTINGS, DownloadCase
from test_fetch_command import FETCH, FetchCase, OLD_GUIDE
from test_settings import clear_path, field, info_text

PLUGIN_BOX_PATH = "/var/kestra/plugins/tarvio.so"


def closed_output(command):
    """The command run with its standard output and error closed, as a crontab line `... >&- 2>&-` does."""
    return ["sh", "-c", 'exec "$@" >&- 2>&-', "sh"] + command


class ClosedOutput(FetchCase):
    def real_clock_env(self):
        """The run's environment on the machine's own clock: libfaketime keeps a descriptor of its own, which
        would take a closed standard descriptor's number before the program runs."""
        env = self.fetch_env()
        env.pop("FAKETIME", None)
        env.pop("NO_FAKE_STAT", None)
        if os.environ.get("LD_PRELOAD"):
            env["LD_PRELOAD"] = os.environ["LD_PRELOAD"]
        else:
            env.pop("LD_PRELOAD", None)
        return env

    def test_progress_never_lands_in_the_guide(self):
        self.channels("y 1,One\ny 2,Two\n")
        self.settings(days=2)
        env = self.real_clock_env()
        # Twice at most: a run on each side of midnight asks for other days.
        for _ in range(2):
            today = time.strftime("%Y%m%d", time.gmtime())
            for channel in (1, 2):
                self.serve_days(channel, today, 3)
            normal = subprocess.run([FETCH] + self.box_args("/mnt/usb/normal.dat"), stdin=subprocess.DEVNULL,
                                    capture_output=True, env=env, timeout=60, text=True)
            self.write(EPG, OLD_GUIDE)
            closed = subprocess.run(closed_output([FETCH] + self.box_args()), stdin=subprocess.DEVNULL, env=env,
                                    timeout=60)
            if time.strftime("%Y%m%d", time.gmtime()) == today:
                break
        self.assertEqual(normal.returncode, 0, normal.stderr)
        self.assertIn("[1/2] 1 One ", normal.stderr)
        self.assertEqual(closed.returncode, 0)
        guide = self.read(EPG)
        self.assertEqual(guide, self.read("/mnt/usb/normal.dat"))
        self.assertIn("C 2 Two\nE 1 ", guide)
        self.assertNotIn("[1/2]", guide)
        self.assertNotIn("DONE!", guide)
        self.assertNoLeftovers(("lomvi.dat", "normal.dat"))
        self.assertNoTempDocuments((1, 2))


class RefusedEpgPaths(FetchCase):
    def setUp(self):
        super().setUp()
        self.list_text = "y 1,One\n"
        self.channels(self.list_text)
        self.settings(days=1)
        self.serve_days(1, "20080228", 1)

    def test_tarvio_fetch_refuses_what_the_clean_up_or_the_run_would_destroy(self):
        handle, guide = tempfile.mkstemp(prefix="tarvio-e2e-", suffix=".trv", dir="/tmp")
        os.write(handle, OLD_GUIDE.encode())
        os.close(handle)
        self.addCleanup(os.unlink, guide)
        run = self.fetch("--config", self.path(SETTINGS), "--channels", self.path(CHANNEL_LIST), "--output", guide)
        self.assertEqual((run.returncode, run.stdout), (2, ""))
        self.assertEqual(run.stderr, "Refused as EPG file: %s: every run deletes /tmp/*.trv\n" % guide)
        with open(guide) as kept:
            self.assertEqual(kept.read(), OLD_GUIDE)

        for path, what in ((self.path(SETTINGS), "the settings file"), (self.path(CHANNEL_LIST), "the channel list")):
            with self.subTest(path=path):
                run = self.fetch("--quiet", *self.box_args()[:4], "--output", path)
                self.assertEqual(run.returncode, 2)
                self.assertEqual(run.stderr, "Refused as EPG file: %s: it is %s\n" % (path, what))
        self.assertEqual(self.read(CHANNEL_LIST), self.list_text)
        self.assertEqual(self.server.requests, [])

    def test_the_dialog_refuses_the_channel_list_and_the_plug_in(self):
        self.settings(epg=CHANNEL_LIST, days=1)
        screens = self.download()
        self.assertIn("Refused as EPG file: %s (it is the channel list) Press EXIT to close" % CHANNEL_LIST,
                      screens.last)
        self.assertEqual(self.read(CHANNEL_LIST), self.list_text)
        self.assertEqual(self.server.requests, [])
        self.assertEqual(self.names("/tmp"), [])

        # The plug-in is found where the host loaded it from.
        plugin = os.path.realpath(box.plugin_path())
        if len(plugin) > 63:
            self.skipTest("the plug-in's path is longer than the setting holds")
        with open(plugin, "rb") as original:
            before = original.read()
        self.settings(epg=plugin, days=1)
        self.assertIn("Refused as EPG file: %s (it is the plug-in itself)" % plugin, self.download().last)
        with open(plugin, "rb") as after:
            self.assertEqual(after.read(), before)

    def test_the_setup_page_stores_a_refused_path_and_says_so(self):
        run = box.run_tvhost(self.box, ["blue"] + clear_path() + ["text:" + CHANNEL_LIST, "green", "blue",
                                                                  "blue"])
        self.assertEqual(run.returncode, 0, run.stderr)
        self.assertEqual(info_text(run.screen("after green")).split("\n")[:3],
                         ["Saved, but a download will refuse", CHANNEL_LIST, "(it is the channel list)"])
        self.assertEqual(self.read(SETTINGS), "# Tarvio config file - DO NOT EDIT!\n%s\n1\n" % CHANNEL_LIST)
        # Saved again with a path a download takes, the main page is itself again.
        self.assertIn("Press blue button to setup.", info_text(
            box.run_tvhost(self.box, ["blue"] + clear_path() + ["text:/mnt/usb/x.dat", "green"]).screen("after green")))


class FifosAndDevices(FetchCase):
    def setUp(self):
        super().setUp()
        self.write(EPG, OLD_GUIDE)
        os.mkfifo(self.path(CHANNEL_LIST))

    def test_a_fifo_list_is_refused_at_once(self):
        # A FIFO without a writer held every run, and the lock, for good.
        self.settings(days=1)
        self.assertIn("Not a regular file: %s Press EXIT to close" % CHANNEL_LIST, self.download().last)

        run = self.fetch(*self.box_args())
        self.assertEqual(run.returncode, 2)
        self.assertEqual(run.stderr, "Unable to read the channel list %s: not a regular file\n"
                         % self.path(CHANNEL_LIST))
        probe = self.fetch("--probe", "--channels", self.path(CHANNEL_LIST))
        self.assertEqual((probe.returncode, probe.stdout), (2, ""))
        self.assertEqual(probe.stderr, "Unable to read the channel list %s: not a regular file\n"
                         % self.path(CHANNEL_LIST))
        self.assertEqual(self.read(EPG), OLD_GUIDE)
        self.assertEqual(self.server.requests, [])

    def test_check_refuses_a_fifo_and_a_device(self):
        for path in (self.path(CHANNEL_LIST), "/dev/zero"):
            with self.subTest(path=path):
                run = self.fetch("--check", "--channels", path)
                self.assertEqual((run.returncode, run.stdout), (2, ""))
                self.assertEqual(run.stderr, "tarvio-fetch: cannot read the channel list %s: not a regular file\n"
                                 % path)

    def test_a_fifo_settings_file_gives_the_defaults(self):
        os.mkfifo(self.path(SETTINGS))
        run = box.run_tvhost(self.box, ["blue"])
        self.assertEqual(run.returncode, 0, run.stderr)
        self.assertEqual(field(run.screen("after blue"), "EPG filename:"), "/mnt/usb/lomvi.dat")
        self.assertEqual(field(run.screen("after blue"), "Days to download:"), "7")


class EscapedScreens(DownloadCase):
    def test_control_characters_of_names_are_escaped(self):
        self.channels("y 1,Bell\x07 and \\ \x1b[2Jback\n")
        self.settings(days=1)
        run = box.run_tvhost(self.box, ["green"], env=self.download_env())
        self.assertEqual(run.returncode, 0, run.stderr)
        self.assertNotIn("\x1b", run.stdout)
        self.assertNotIn("\x07", run.stdout)
        self.assertIn("Bell\\x07 and \\\\ \\x1b[2Jback", run.stdout)


if __name__ == "__main__":
    unittest.main()
