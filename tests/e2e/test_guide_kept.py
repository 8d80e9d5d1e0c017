"""test_guide_kept.py: a run never leaves a worse guide than the old one, and says what it did, end to end."""

import gzip
import os
import shutil
import signal
import stat
import subprocess
import tempfile
import time
import unittest

from box import plugin_path, run_tvhost, tvhost_path
from guide_server import guide_document
from test_download import EPG, DownloadCase, Screens
from test_download_limits import fetches_running

RECORD = "E 1 1204185600 3600\nT %s\nX 1204185600\nS \nL 60\nD \ne\n"
OLD_GUIDE = "C 1 Two\n" + RECORD % "Old two" + "c\nC 2 One\n" + RECORD % "Old one" + "c\n"


def outcome(*lines):
    """A dialog text as the screen shows it: lines joined by blanks, then the hint."""
    return " ".join(lines) + " Press EXIT to close"


def _outside_the_box():
    covered = ("/tmp", "/var", "/mnt")
    for folder in (os.path.dirname(os.path.realpath(tvhost_path())), os.path.expanduser("~")):
        if not any(folder == c or folder.startswith(c + "/") for c in covered) and os.access(folder, os.W_OK):
            return folder
    raise unittest.SkipTest("no writable folder outside /tmp, /var and /mnt for stand-in commands")


class GuideCase(DownloadCase):
    def setUp(self):
        super().setUp()
        self.write(EPG, OLD_GUIDE)
        # Days ago, so that a rewritten file shows.
        os.utime(self.path(EPG), (1000000000, 1000000000))
        self.settings(days=1)

    def standins(self, **scripts):
        """A folder first on PATH, holding the given commands (a path: a link to it; else a script).

        It must be outside /tmp, /var and /mnt, which the box covers: the
        build folder where it is outside them (a clone may well be in /tmp),
        else the home folder. Each script notes its name in CALLED there, so
        that a test can tell it was the one that ran."""
        self.standin_folder = tempfile.mkdtemp(dir=_outside_the_box(), prefix="tarvio-standins-")
        self.addCleanup(shutil.rmtree, self.standin_folder)
        for name, body in scripts.items():
            path = os.path.join(self.standin_folder, name)
            if body.startswith("/"):
                os.symlink(body, path)
            else:
                with open(path, "w") as out:
                    out.write("#!/bin/sh\necho %s >> %s/CALLED\n%s" % (name, self.standin_folder, body))
                os.chmod(path, 0o755)
        return {"PATH": self.standin_folder + ":" + os.environ["PATH"]}

    def standins_called(self):
        try:
            with open(os.path.join(self.standin_folder, "CALLED")) as called:
                return sorted(set(called.read().split()))
        except FileNotFoundError:
            return []

    def download_with(self, extra_env, timeout=30):
        env = self.download_env()
        env.update(extra_env)
        done = run_tvhost(self.box, ["green"], env=env, timeout=timeout)
        self.assertEqual(done.returncode, 0, done.stdout + done.stderr)
        return Screens(done)

    def assertOldGuideUntouched(self):
        self.assertEqual(self.read(EPG), OLD_GUIDE)
        self.assertEqual(os.stat(self.path(EPG)).st_mtime, 1000000000)
        self.assertNoLeftovers()


class AnswersThatBringNoGuide(GuideCase):
    def test_pages_junk_and_gzip_are_no_guide(self):
        self.channels("y 1,One\ny 2,Two\ny 3,Three\ny 4,Four\n")
        document = guide_document(("News", "20:30"), ("Film", "21:15"))
        self.server.serve(1, "20080228", "<html><body>Service unavailable</body></html>\n")
        self.server.serve(2, "20080228", b"\0" * 16 + document)
        self.server.serve(3, "20080228", gzip.compress(document))
        self.server.serve(4, "20080228", "12345678901")
        run = self.download()
        self.assertIn(outcome("Download failed, old guide kept:", "no guide data for 4 of 4 channels"), run.last)
        self.assertOldGuideUntouched()

    def test_channels_without_data_keep_their_old_block(self):
        # One answers, Two has its block in the old file (under another
        # ordinal), Three has none.
        self.channels("y 1,One\ny 2,Two\ny 3,Three\n")
        self.settings(days=2)
        self.serve_days(1, "20080228", 2)
        run = self.download()
        self.assertIn(outcome("Download incomplete, guide replaced:", "no guide data for 2 of 3 channels,",
                              "old guide kept for 1"), run.last)
        epg = self.read(EPG)
        one, rest = epg.split("c\n", 1)
        self.assertTrue(one.startswith("C 1 One\nE 1 "), epg)
        self.assertEqual(rest, "C 2 Two\n" + RECORD % "Old two" + "c\nC 3 Three\nc\n")
        self.assertNoLeftovers()

    def test_missing_days_are_incomplete(self):
        self.channels("y 1,One\ny 2,Two\n")
        self.settings(days=3)
        self.serve_days(1, "20080228", 3)
        self.serve_days(2, "20080228", 1)
        run = self.download()
        self.assertIn(outcome("Download incomplete, guide replaced:", "fewer days than asked for 1 of 2 channels"),
                      run.last)


class FetchesThatFail(GuideCase):
    def test_a_fetch_that_fails_half_way_brings_nothing(self):
        self.channels("y 1,One\ny 2,Two\n")
        self.serve_days(1, "20080228", 1)
        # The cut document holds a whole event: converted, it would count.
        half = "<event><title>Cut</title><startTime>06:00</startTime></event><event><title>Cu"
        # Called as: wget -q -O FILE URL.
        env = self.standins(wget='case "$4" in *canale_export_2_*) printf "%s" "' + half + '" > "$3"; exit 4;; esac\n'
                                 'exec ' + shutil.which("wget") + ' "$@"\n')
        run = self.download_with(env)
        self.assertIn(outcome("Download incomplete, guide replaced:", "no guide data for 1 of 2 channels,",
                              "old guide kept for 1"), run.last)
        self.assertEqual(self.standins_called(), ["wget"])
        self.assertNotIn("T Cut", self.read(EPG))
        self.assertIn("C 2 Two\n" + RECORD % "Old two", self.read(EPG))
        self.assertNoLeftovers()

    @unittest.skipUnless(shutil.which("busybox"), "needs busybox")
    def test_the_box_wget_on_a_cut_connection(self):
        self.channels("y 2,Two\n")
        self.serve_days(2, "20080228", 1, guide_document(*[("Event %d" % n, "%02d:00" % n) for n in range(20)]))
        self.server.cut(2)
        run = self.download_with(self.standins(wget=shutil.which("busybox")))
        # The box's wget gives up at once; the PC's would try again.
        self.assertEqual(self.server.requested(), [(2, "20080228")])
        self.assertIn(outcome("Download failed, old guide kept:", "no guide data for 1 of 1 channels"), run.last)
        self.assertOldGuideUntouched()

    def test_an_endless_answer_is_stopped_at_its_size_limit(self):
        self.channels("y 1,One\n")
        self.server.endless(1)
        started = time.monotonic()
        run = self.download()
        self.assertLess(time.monotonic() - started, 10)
        self.assertIn(outcome("Download failed, old guide kept:", "no guide data for 1 of 1 channels"), run.last)
        self.assertOldGuideUntouched()

    def test_a_planted_link_is_not_written_through(self):
        self.channels("y 1,One\n")
        self.serve_days(1, "20080228", 1)
        self.write("/mnt/usb/victim", "keep me\n")
        os.symlink("/mnt/usb/victim", self.path("/tmp/1_1.trv"))
        # An rm that fails, as one given too many files does.
        run = self.download_with(self.standins(rm="exit 1\n"))
        self.assertEqual(self.standins_called(), ["rm"])
        self.assertIn("DONE!", run.last)
        self.assertEqual(self.read("/mnt/usb/victim"), "keep me\n")
        self.assertFalse(os.path.lexists(self.path("/tmp/1_1.trv")))

    def test_without_wget(self):
        self.channels("y 1,One\ny 2,Two\n")
        env = self.standins(rm="/bin/rm")
        env["PATH"] = env["PATH"].split(":")[0]
        run = self.download_with(env)
        self.assertIn(outcome("Unable to start wget:", "old guide kept"), run.last)
        self.assertEqual(len(self.server.requests), 0)
        self.assertOldGuideUntouched()


class LockAndSignals(GuideCase):
    def test_a_lock_that_cannot_be_used_refuses_the_run(self):
        self.channels("y 1,One\n")
        self.serve_days(1, "20080228", 1)
        lock = self.path("/tmp/tarvio.lock")
        for make, reason in ((os.mkfifo, "not a regular file"),
                             (lambda p: os.symlink("/tmp/elsewhere", p), "Too many levels of symbolic links")):
            with self.subTest(reason=reason):
                make(lock)
                run = self.download(timeout=20)
                self.assertIn(outcome("Unable to use the lock file:", "/tmp/tarvio.lock", "(%s)" % reason), run.last)
                self.assertEqual(self.server.requests, [])
                self.assertOldGuideUntouched()
                os.unlink(lock)
        # A lock the run makes can be taken by every user's run.
        self.download()
        self.assertEqual(stat.S_IMODE(os.stat(lock).st_mode), 0o644)

    def test_tvhost_ends_the_run_on_sigterm(self):
        self.channels("y 1,One\ny 2,Two\n")
        self.server.hang(1)
        command = [tvhost_path(), "--root", self.box.path, "--key", "green", plugin_path()]
        env = dict(os.environ)
        env.update(self.download_env())
        host = subprocess.Popen(command, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                                stderr=subprocess.PIPE, env=env, text=True, errors="replace")
        self.assertTrue(self.server.wait_for_requests(1))
        host.send_signal(signal.SIGTERM)
        stdout, _ = host.communicate(timeout=10)
        self.assertEqual(host.returncode, -signal.SIGTERM)
        self.assertIn("Download interrupted", stdout)
        self.assertEqual(fetches_running(self.server), [])
        self.assertEqual(self.server.requested(), [(1, "20080228")])
        self.assertOldGuideUntouched()


if __name__ == "__main__":
    unittest.main()
