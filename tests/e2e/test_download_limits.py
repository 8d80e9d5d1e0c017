"""test_download_limits.py: every download run ends and cleans up: fetch time limit, run lock, killed runs, full storage."""

import os
import re
import signal
import subprocess
import time
import unittest

from box import Run, plugin_path, tvhost_path
from guide_server import guide_document
from test_download import DONE, EPG, DownloadCase, Screens, build_setting
from test_download_failures import OLD_GUIDE, incomplete, not_replaced

BUSY = "Another download is running Press EXIT to close"


def fetches_running(server):
    """wget processes still fetching from this test's guide server (other tests may run beside it)."""
    proxy = ("http_proxy=" + server.proxy_url).encode()
    found = []
    for pid in filter(str.isdigit, os.listdir("/proc")):
        try:
            with open("/proc/%s/cmdline" % pid, "rb") as source:
                command = source.read().split(b"\0")
            with open("/proc/%s/environ" % pid, "rb") as source:
                environment = source.read().split(b"\0")
        except OSError:
            continue
        if command and command[0].endswith(b"wget") and proxy in environment:
            found.append(pid)
    return found


class LimitCase(DownloadCase):
    def start_download(self, output):
        """Starts a run in the background (green), as download() does in the foreground."""
        env = self.download_env()
        command = [tvhost_path(), "--root", self.box.path, "--key", "green", plugin_path()]
        return subprocess.Popen(command, stdin=subprocess.DEVNULL, stdout=output, stderr=subprocess.DEVNULL,
                                env=env)


LIMIT = int(build_setting("TARVIO_FETCH_TIMEOUT", "60"))


@unittest.skipUnless(LIMIT <= 5, "needs a build with a short TARVIO_FETCH_TIMEOUT (the sanitizer build has one)")
class FetchTimeLimitTest(LimitCase):
    def test_hanging_and_dripping_channels_among_answering_ones(self):
        self.channels("y 1,One\ny 2,Hangs\ny 3,Three\ny 4,Drips\ny 5,Five\n")
        self.settings(days=2)
        for channel in (1, 3, 5):
            self.serve_days(channel, "20080228", 2)
        self.server.hang(2)
        self.server.drip(4)
        started = time.monotonic()
        run = self.download(timeout=8 * LIMIT + 20)
        elapsed = time.monotonic() - started
        self.assertIn(incomplete("no guide data for 2 of 5 channels"), run.last)
        # A time-out ends its channel's days; the run goes on with the next channel.
        self.assertRequested([(1, "20080228"), (1, "20080229"), (2, "20080228"), (3, "20080228"),
                              (3, "20080229"), (4, "20080228"), (5, "20080228"), (5, "20080229")])
        self.assertLess(elapsed, 2 * LIMIT + 10)
        epg = self.read(EPG)
        self.assertEqual(re.findall(r"^C .*$", epg, re.M), ["C 1 One", "C 2 Hangs", "C 3 Three", "C 4 Drips",
                                                             "C 5 Five"])
        # The dripped bytes are not converted: channel 4's block is empty.
        self.assertIn("C 4 Drips\nc\n", epg)
        self.assertEqual(fetches_running(self.server), [])
        self.assertNoLeftovers()

    def test_two_time_outs_in_a_row_stop_the_fetching(self):
        self.write(EPG, OLD_GUIDE)
        self.channels("y 1,Hangs\ny 2,Drips\ny 3,Never asked\ny 4,Never asked\n")
        self.settings(days=1)
        self.server.hang(1)
        self.server.drip(2)
        self.serve_days(3, "20080228", 1)
        started = time.monotonic()
        run = self.download(timeout=8 * LIMIT + 20)
        self.assertLess(time.monotonic() - started, 2 * LIMIT + 10)
        self.assertIn(not_replaced(4, 4), run.last)
        self.assertRequested([(1, "20080228"), (2, "20080228")])
        self.assertEqual(self.read(EPG), OLD_GUIDE)
        self.assertEqual(fetches_running(self.server), [])
        self.assertNoLeftovers()


class RunLockTest(LimitCase):
    def test_second_run_while_the_first_holds_the_lock(self):
        self.channels("y 1,Slow\ny 2,Two\n")
        self.settings(days=1)
        self.serve_days(1, "20080228", 1)
        self.serve_days(2, "20080228", 1)
        # Answered late, but well within any fetch time limit.
        self.server.delay(1, 2)
        with open(os.path.join(self.box.path, "first.txt"), "w+") as output:
            first = self.start_download(output)
            self.assertTrue(self.server.wait_for_requests(1))
            second = self.download()
            self.assertIn(BUSY, second.last)
            self.assertEqual(second.progress(), [])
            self.assertEqual(first.wait(timeout=30), 0)
            output.seek(0)
            self.assertIn(DONE, Screens(Run(0, output.read(), "")).last)
        # The first run completes as if alone.
        self.assertRequested([(1, "20080228"), (2, "20080228")])
        self.assertEqual(re.findall(r"^C .*$", self.read(EPG), re.M), ["C 1 Slow", "C 2 Two"])
        self.assertNoLeftovers()

    def test_run_killed_mid_download_leaves_nothing_behind_the_next(self):
        # The user's own files beside the EPG file are not ours to remove.
        for name in ("lomvi.dat.old", ".lomvi.dat.bak"):
            self.write("/mnt/usb/" + name, "keep me\n")
        self.channels("y 1,One\ny 2,Two\n")
        self.settings(days=2)
        self.serve_days(1, "20080228", 2)
        self.server.hang(2)
        first = self.start_download(subprocess.DEVNULL)
        self.assertTrue(self.server.wait_for_requests(3))
        first.send_signal(signal.SIGKILL)
        first.wait(timeout=10)
        self.assertIn(".lomvi.dat.tarvio-new", self.names("/mnt/usb"))

        self.server.behaviours.clear()
        self.serve_days(2, "20080228", 2)
        run = self.download()
        self.assertIn(DONE, run.last)
        self.assertNoLeftovers((".lomvi.dat.bak", "lomvi.dat", "lomvi.dat.old"))


@unittest.skipUnless(os.geteuid() == 0, "mounting a small file system needs root")
class FullStorageTest(LimitCase):
    def test_full_storage_keeps_the_old_guide(self):
        usb = self.path("/mnt/usb")
        subprocess.run(["mount", "-t", "tmpfs", "-o", "size=64k", "tarvio-test", usb], check=True)
        self.addCleanup(subprocess.run, ["umount", "-l", usb])
        old = "C 1 Yesterday\n" + "x" * 20000 + "\nc\n"
        self.write(EPG, old)
        self.channels("".join("y %d,Channel %d\n" % (n, n) for n in range(1, 6)))
        self.settings(days=3)
        events = [("Event %d" % n, "%02d:%02d" % (n // 4, n % 4 * 15), "Genre", "D" * 400) for n in range(96)]
        for channel in range(1, 6):
            self.serve_days(channel, "20080228", 3, guide_document(*events))
        run = self.download()
        self.assertIn("Unable to write output file: /mnt/usb/lomvi.dat Press EXIT to close", run.last)
        self.assertEqual(self.read(EPG), old)
        self.assertNoLeftovers()
        # Fetching stopped once a write had failed.
        self.assertLess(len(self.server.requested()), 6)


if __name__ == "__main__":
    unittest.main()
