"""test_fetch_command.py: tarvio-fetch end to end: real wget, a loopback guide server, and the dialog's run beside it."""

import fcntl
import os
import pty
import re
import signal
import socket
import subprocess
import unittest

from guide_server import guide_document
from test_download import CHANNEL_LIST, DONE, EPG, SETTINGS, DownloadCase, _faketime_library
from test_download_limits import fetches_running

FETCH = os.environ.get("TARVIO_FETCH")
# The command runs on the machine's own paths: its lock is the real one.
LOCK = "/tmp/tarvio.lock"
DEFAULT_CHANNEL_LIST = "/var/kestra/plugins/tarvio.channels"
OLD_GUIDE = "C 1 Yesterday\nc\n"
# The faked clock of every run: 2008-02-28 10:00:00 UTC.
NOW = 1204192800


@unittest.skipUnless(FETCH, "needs TARVIO_FETCH")
class FetchCase(DownloadCase):
    def fetch(self, *args, proxy=None, stderr=subprocess.PIPE):
        """Runs tarvio-fetch with the box's clock at NOW; wget reaches the test's guide server."""
        return subprocess.run([FETCH] + list(args), stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                              stderr=stderr, env=self.fetch_env(proxy), timeout=60, text=True, errors="replace")

    def fetch_env(self, proxy=None):
        env = dict(os.environ, http_proxy=proxy or self.server.proxy_url, no_proxy="", TZ="UTC",
                   FAKETIME="@2008-02-28 10:00:00", NO_FAKE_STAT="1",  # file times as they are
                   LD_PRELOAD=":".join(filter(None, [_faketime_library(), os.environ.get("LD_PRELOAD")])),
                   ASAN_OPTIONS=":".join(filter(None, [os.environ.get("ASAN_OPTIONS"), "verify_asan_link_order=0"])))
        for name in ("HTTP_PROXY", "https_proxy", "HTTPS_PROXY", "all_proxy", "ALL_PROXY"):
            env.pop(name, None)
        return env

    def box_args(self, output=EPG):
        """The box's settings and channel list, and an EPG file in the box."""
        return ["--config", self.path(SETTINGS), "--channels", self.path(CHANNEL_LIST), "--output", self.path(output)]

    def assertNoTempDocuments(self, channels):
        for channel in channels:
            for day in range(1, 8):
                self.assertFalse(os.path.exists("/tmp/%d_%d.trv" % (channel, day)))


def read_all(controller):
    """Everything a terminal got from a program that has ended."""
    os.set_blocking(controller, False)
    data = b""
    try:
        while True:
            chunk = os.read(controller, 65536)
            if not chunk:
                break
            data += chunk
    except OSError:
        pass  # drained; EIO once the other side is closed
    return data.decode()


class SameRunAsTheDialog(FetchCase):
    def setUp(self):
        super().setUp()
        self.channels("y 501,Canale Uno\nn 502,Off\ny 503,Tre Due\ny 520,Notizie 24\n")
        self.settings(days=2)
        for channel in (501, 503, 520):
            self.serve_days(channel, "20080228", 2, guide_document(
                ("News %d" % channel, "06:30", "News", "The day's news."), ("Film", "21:15"), ("Late", "23:50")))

    def test_same_epg_file_and_a_line_per_fetch(self):
        self.assertIn(DONE, self.download().last)
        dialog_requests = self.server.requested()
        self.server.requests.clear()

        run = self.fetch(*self.box_args("/mnt/usb/fetched.dat"))
        self.assertEqual(run.returncode, 0, run.stderr)
        with open(self.path(EPG), "rb") as dialog, open(self.path("/mnt/usb/fetched.dat"), "rb") as fetched:
            self.assertEqual(fetched.read(), dialog.read())
        self.assertEqual(self.server.requested(), dialog_requests)
        self.assertEqual(run.stderr.splitlines(), [
            "[1/3] 501 Canale Uno 28/02: 3 events", "[1/3] 501 Canale Uno 29/02: 3 events",
            "[2/3] 503 Tre Due 28/02: 3 events", "[2/3] 503 Tre Due 29/02: 3 events",
            "[3/3] 520 Notizie 24 28/02: 3 events", "[3/3] 520 Notizie 24 29/02: 3 events"])
        self.assertEqual(run.stdout, "DONE!\n")
        self.assertNoTempDocuments((501, 503, 520))

    def test_a_day_longer_than_what_is_read_is_no_whole_day(self):
        # 1,500 events, some 100 KB: the run reads the first 60,000 bytes, as the box always did.
        long_day = guide_document(*[("Event %d" % i, "%02d:%02d" % (i // 60 % 24, i % 60)) for i in range(1500)])
        self.assertGreater(len(long_day), 60000)
        self.server.serve(503, "20080228", long_day)
        dialog = self.download()
        self.assertNotIn(DONE, dialog.last)
        self.assertIn("days cut short for 1 of 3 channels", dialog.last)

        run = self.fetch(*self.box_args("/mnt/usb/fetched.dat"))
        self.assertEqual(run.returncode, 1, run.stderr)
        with open(self.path(EPG), "rb") as written, open(self.path("/mnt/usb/fetched.dat"), "rb") as fetched:
            self.assertEqual(fetched.read(), written.read())
        cut = [line for line in run.stderr.splitlines() if line.startswith("[2/3] 503 Tre Due 28/02: ")]
        self.assertEqual(len(cut), 1, run.stderr)
        self.assertRegex(cut[0], r": \d+ events, document cut \(longer than the 60000 bytes read\)$")
        self.assertEqual(run.stderr.splitlines()[-1],
                         "Download incomplete, guide replaced: days cut short for 1 of 3 channels")

    def test_quiet_days_and_a_terminal(self):
        quiet = self.fetch("--quiet", "--days", "1", *self.box_args())
        self.assertEqual((quiet.returncode, quiet.stdout, quiet.stderr), (0, "", ""))
        self.assertRequested([(501, "20080228"), (503, "20080228"), (520, "20080228")])

        # On a terminal the progress is one line, rewritten in place: each
        # fetch as it starts, then what it brought.
        controller, terminal = pty.openpty()
        self.addCleanup(os.close, controller)
        with os.fdopen(terminal, "w") as stderr:
            run = self.fetch("--timeout", "20", *self.box_args(), stderr=stderr)
        self.assertEqual((run.returncode, run.stdout), (0, "DONE!\n"))
        shown = read_all(controller)
        self.assertEqual(shown.count("\r"), 13, shown)
        self.assertEqual(shown.count("\x1b[K"), 12, shown)
        self.assertTrue(shown.startswith("\r[1/3] 501 Canale Uno 28/02: fetching...\x1b[K"
                                         "\r[1/3] 501 Canale Uno 28/02: 3 events\x1b[K\r"), shown)
        self.assertIn("\r[2/3] 503 Tre Due 29/02: fetching...\x1b[K\r[2/3] 503 Tre Due 29/02: 3 events\x1b[K", shown)
        self.assertTrue(shown.endswith("[3/3] 520 Notizie 24 29/02: 3 events\x1b[K\r\n"), shown)
        self.assertEqual(shown.count("\n"), 1, shown)


class Outcomes(FetchCase):
    def setUp(self):
        super().setUp()
        self.write(EPG, OLD_GUIDE)
        self.channels("y 1,One\ny 2,Two\ny 3,Three\n")

    def assertOutcome(self, run, status, line, guide=OLD_GUIDE):
        self.assertEqual(run.returncode, status, run.stderr)
        self.assertEqual(run.stderr.splitlines()[-1], line)
        self.assertEqual(run.stdout, "")
        if guide is not None:
            self.assertEqual(self.read(EPG), guide)
        self.assertNoLeftovers()

    def test_exit_statuses(self):
        # The settings file's EPG path and days count where no option says otherwise.
        self.settings(epg=self.path(EPG), days=2)
        self.serve_days(2, "20080228", 2)
        run = self.fetch("--config", self.path(SETTINGS), "--channels", self.path(CHANNEL_LIST), "--quiet")
        self.assertOutcome(run, 1, "Download incomplete, guide replaced: no guide data for 2 of 3 channels",
                           guide=None)
        self.assertEqual(re.findall(r"^C .*$", self.read(EPG), re.M), ["C 1 One", "C 2 Two", "C 3 Three"])
        self.assertRequested([(1, "20080228"), (2, "20080228"), (2, "20080229"), (3, "20080228")])

        self.write(EPG, OLD_GUIDE)
        self.server.documents.clear()
        self.assertOutcome(self.fetch(*self.box_args()), 2,
                           "Download failed, old guide kept: no guide data for 3 of 3 channels")

        # A list named on the command line must be there; the default one
        # may be missing, as on a box where it was never made.
        missing = self.path("/var/kestra/plugins/none.channels")
        run = self.fetch("--channels", missing, "--config", self.path(SETTINGS), "--output", self.path(EPG))
        self.assertEqual((run.returncode, run.stdout), (64, ""))
        self.assertEqual(run.stderr, "tarvio-fetch: --channels %s: No such file or directory "
                                     "(see tarvio-fetch --help)\n" % missing)
        if not os.path.exists(DEFAULT_CHANNEL_LIST):
            run = self.fetch("--config", self.path(SETTINGS), "--output", self.path(EPG))
            self.assertOutcome(run, 2, "File not found: %s: No such file or directory" % DEFAULT_CHANNEL_LIST)

        nowhere = self.path("/mnt/nowhere/lomvi.dat")
        run = self.fetch("--config", self.path(SETTINGS), "--channels", self.path(CHANNEL_LIST), "--output", nowhere)
        # With the system's reason, which the report carries.
        self.assertOutcome(run, 2, "Unable to open output file: %s: No such file or directory" % nowhere)

    def test_another_run_holds_the_lock(self):
        self.serve_days(1, "20080228", 1)
        self.settings(days=1)
        try:
            lock = os.open(LOCK, os.O_RDONLY)
        except FileNotFoundError:
            lock = os.open(LOCK, os.O_RDONLY | os.O_CREAT, 0o644)
        self.addCleanup(os.close, lock)
        fcntl.flock(lock, fcntl.LOCK_EX | fcntl.LOCK_NB)
        self.assertOutcome(self.fetch("--quiet", *self.box_args()), 3, "Another download is running")
        self.assertEqual(self.server.requests, [])
        fcntl.flock(lock, fcntl.LOCK_UN)
        self.assertEqual(self.fetch(*self.box_args()).returncode, 1)

    def test_time_limit_then_the_service_counts_as_gone(self):
        # A proxy that takes connections and never answers.
        silent = socket.socket()
        self.addCleanup(silent.close)
        silent.bind(("127.0.0.1", 0))
        silent.listen(8)
        self.settings(days=1)
        run = self.fetch("--timeout", "1", *self.box_args(), proxy="http://127.0.0.1:%d/" % silent.getsockname()[1])
        self.assertEqual(run.stderr.splitlines()[:3], [
            "[1/3] 1 One 28/02: timed out", "[2/3] 2 Two 28/02: timed out",
            "[3/3] 3 Three 28/02: skipped, the service stopped answering"])
        self.assertOutcome(run, 2, "Download failed, old guide kept: no guide data for 3 of 3 channels")


    def test_interrupted_run_ends_its_fetch_and_keeps_the_old_guide(self):
        self.settings(days=1)
        self.serve_days(1, "20080228", 1)
        self.server.hang(2)
        fetch = subprocess.Popen([FETCH] + self.box_args(), stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                                 stderr=subprocess.PIPE, env=self.fetch_env(), text=True)
        self.assertTrue(self.server.wait_for_requests(2))
        fetch.send_signal(signal.SIGTERM)
        _, stderr = fetch.communicate(timeout=10)
        self.assertEqual(fetch.returncode, 2, stderr)
        self.assertEqual(stderr.splitlines()[-1], "Download interrupted")
        self.assertRequested([(1, "20080228"), (2, "20080228")])
        self.assertEqual(self.read(EPG), OLD_GUIDE)
        self.assertNoLeftovers()
        self.assertNoTempDocuments([1, 2, 3])
        self.assertEqual(fetches_running(self.server), [])


class Probe(FetchCase):
    """--probe: today's document of each enabled channel, once, through the run's wget, lock and time limit."""

    # A name that would clear the screen and ring the bell if printed raw.
    LOUD = "Bell\x07\x1b[2J"

    def setUp(self):
        super().setUp()
        self.write(EPG, OLD_GUIDE)
        os.utime(self.path(EPG), (1000000000, 1000000000))
        self.channels("y 501,Canale Uno\nn 502,Off\ny 503,%s\ny 504,Page\ny 505,Gone\ny 506,Hangs\n" % self.LOUD)
        document = guide_document(("News", "06:30"), ("Film", "21:15"), ("Late", "23:50"))
        self.server.serve(501, "20080228", document)
        self.server.serve(503, "20080228", guide_document(("One", "08:00"), ("Two", "09:00")))
        self.server.serve(504, "20080228", "<html><body>Service unavailable</body></html>\n")
        self.server.hang(506)
        # Tomorrow's documents are there; a probe asks for today's only.
        for channel in (501, 503):
            self.server.serve(channel, "20080229", document)

    def probe(self, *args, stderr=subprocess.PIPE):
        return self.fetch("--probe", "--timeout", "1", "--channels", self.path(CHANNEL_LIST), *args, stderr=stderr)

    def assertTouchedNothing(self):
        self.assertEqual(self.read(EPG), OLD_GUIDE)
        self.assertEqual(os.stat(self.path(EPG)).st_mtime, 1000000000)
        self.assertNoLeftovers()
        self.assertNoTempDocuments(range(501, 507))

    def test_each_channel_once_and_what_it_brought(self):
        # A stale document of an earlier run is not taken for today's.
        with open("/tmp/505_1.trv", "w") as stale:
            stale.write(guide_document(("Stale", "10:00"), ("Staler", "11:00")).decode())
        run = self.probe()
        self.assertEqual((run.returncode, run.stderr), (1, ""))
        self.assertEqual(run.stdout.splitlines(), [
            "[1/5] 501 Canale Uno 28/02: 3 events",
            "[2/5] 503 Bell\\x07\\x1b[2J 28/02: 2 events",
            "[3/5] 504 Page 28/02: not a guide (no event in the document)",
            "[4/5] 505 Gone 28/02: no guide data (nothing came)",
            "[5/5] 506 Hangs 28/02: timed out",
            "channels with guide data for 28/02: 2 of 5"])
        self.assertRequested([(501, "20080228"), (503, "20080228"), (504, "20080228"), (505, "20080228"),
                              (506, "20080228")])
        self.assertEqual(fetches_running(self.server), [])
        self.assertTouchedNothing()

        # Quiet: only what lacks a guide, for a cron mail.
        self.server.documents.pop((501, "20080228"))
        quiet = self.probe("--quiet")
        self.assertEqual((quiet.returncode, quiet.stderr), (1, ""))
        self.assertEqual(quiet.stdout.splitlines(), [
            "[1/5] 501 Canale Uno 28/02: no guide data (nothing came)",
            "[3/5] 504 Page 28/02: not a guide (no event in the document)",
            "[4/5] 505 Gone 28/02: no guide data (nothing came)",
            "[5/5] 506 Hangs 28/02: timed out"])
        self.assertTouchedNothing()

    def test_exit_statuses(self):
        self.channels("y 501,Canale Uno\ny 503,%s\n" % self.LOUD)
        every = self.probe()
        self.assertEqual((every.returncode, every.stdout.splitlines()[-1]),
                         (0, "channels with guide data for 28/02: 2 of 2"))
        self.channels("y 504,Page\ny 505,Gone\n")
        self.assertEqual(self.probe("--quiet").returncode, 2)

        self.channels("n 501,Canale Uno\n")
        none = self.probe()
        self.assertEqual((none.returncode, none.stdout), (2, ""))
        self.assertEqual(none.stderr, "No channel enabled in: %s\n" % self.path(CHANNEL_LIST))

        # A run holds the lock: its documents are not to be deleted under it.
        self.channels("y 501,Canale Uno\n")
        lock = os.open(LOCK, os.O_RDONLY | os.O_CREAT, 0o644)
        self.addCleanup(os.close, lock)
        fcntl.flock(lock, fcntl.LOCK_EX | fcntl.LOCK_NB)
        busy = self.probe("--quiet")
        fcntl.flock(lock, fcntl.LOCK_UN)
        self.assertEqual((busy.returncode, busy.stdout, busy.stderr), (3, "", "Another download is running\n"))
        self.assertEqual(len(self.server.requests), 4)

        for args in (["--output", self.path(EPG)], ["--days", "2"], ["--if-older", "3"], ["--check"]):
            with self.subTest(args=args):
                refused = self.probe(*args)
                self.assertEqual((refused.returncode, refused.stdout), (64, ""))
                self.assertRegex(refused.stderr, r"^tarvio-fetch: [^\n]*--probe[^\n]*--help[^\n]*\n$")
        self.assertEqual(len(self.server.requests), 4)
        self.assertTouchedNothing()

    def test_on_a_terminal_and_in_a_run(self):
        # The fetch under way shows, then its result replaces it and stays.
        controller, terminal = pty.openpty()
        self.addCleanup(os.close, controller)
        with os.fdopen(terminal, "w") as stdout:
            run = subprocess.run([FETCH, "--probe", "--timeout", "1", "--channels", self.path(CHANNEL_LIST)],
                                 stdin=subprocess.DEVNULL, stdout=stdout, stderr=subprocess.PIPE,
                                 env=self.fetch_env(), timeout=60, text=True)
        self.assertEqual((run.returncode, run.stderr), (1, ""))
        shown = read_all(controller)
        self.assertTrue(shown.startswith("[1/5] 501 Canale Uno 28/02: fetching...\r[1/5] 501 Canale Uno 28/02: "
                                         "3 events\x1b[K\r\n[2/5] 503 Bell\\x07\\x1b[2J 28/02: fetching..."), shown)
        self.assertIn("[5/5] 506 Hangs 28/02: fetching...\r[5/5] 506 Hangs 28/02: timed out\x1b[K\r\n", shown)
        self.assertNotIn("\x07", shown)
        self.assertEqual(shown.count("\n"), 6, shown)

        # A run's lines escape the name too; the EPG file keeps its bytes.
        self.channels("y 503,%s\n" % self.LOUD)
        self.settings(days=1)
        fetched = self.fetch(*self.box_args())
        self.assertEqual(fetched.returncode, 0, fetched.stderr)
        self.assertEqual(fetched.stderr, "[1/1] 503 Bell\\x07\\x1b[2J 28/02: 2 events\n")
        self.assertTrue(self.read(EPG).startswith("C 1 %s\nE " % self.LOUD), self.read(EPG))


class FreshnessAndUsage(FetchCase):
    def setUp(self):
        super().setUp()
        self.channels("y 1,One\n")
        self.settings(days=1)
        self.serve_days(1, "20080228", 1)
        self.write(EPG, OLD_GUIDE)

    def test_if_older(self):
        os.utime(self.path(EPG), (NOW - 3600, NOW - 3600))
        fresh = self.fetch("--if-older", "2", *self.box_args())
        self.assertEqual((fresh.returncode, fresh.stderr), (0, ""))
        self.assertRegex(fresh.stdout, r"^\S+lomvi\.dat was modified \d+ minutes ago, less than 2 hours: nothing fetched\n$")
        quiet = self.fetch("--if-older", "2", "--quiet", *self.box_args())
        self.assertEqual((quiet.returncode, quiet.stdout, quiet.stderr), (0, "", ""))
        self.assertEqual(self.server.requests, [])
        self.assertEqual(self.read(EPG), OLD_GUIDE)

        os.utime(self.path(EPG), (NOW - 600, NOW - 600))
        self.assertRegex(self.fetch("--if-older", "1", *self.box_args()).stdout,
                         r"^\S+lomvi\.dat was modified 10 minutes ago, less than 1 hour: nothing fetched\n$")

        os.utime(self.path(EPG), (NOW - 3 * 3600, NOW - 3 * 3600))
        stale = self.fetch("--if-older", "2", *self.box_args())
        self.assertEqual((stale.returncode, stale.stdout), (0, "DONE!\n"))
        self.assertRequested([(1, "20080228")])
        os.unlink(self.path(EPG))
        self.assertEqual(self.fetch("--if-older", "2", *self.box_args()).returncode, 0)
        self.assertEqual(len(self.server.requests), 2)

    def test_usage_errors_touch_nothing(self):
        before = os.stat(self.path(EPG))
        for args in (["--days", "0"], ["--days", "15"], ["--days=2x"], ["--timeout", "-1"], ["--if-older", ""],
                     ["--bogus"], ["--quiet=yes"], ["extra"], ["--output"], ["--output", "/" + "x" * 63],
                     ["--config", ""], ["--config", self.path("/var/kestra/plugins/tarvio.cnf")],
                     ["--channels", self.path("/var/kestra/plugins/channels")], ["-h"], ["-qh"],
                     ["--list-channels"], ["--probe", "--list-channels"], ["--xmltv", "guide.xml"],
                     ["--xmltv", "http://example.org/a guide.xml"]):
            with self.subTest(args=args):
                run = self.fetch(*(self.box_args() + args))
                self.assertEqual(run.returncode, 64)
                self.assertEqual(run.stdout, "")
                self.assertRegex(run.stderr, r"^tarvio-fetch: [^\n]+--help[^\n]*\n$")
        self.assertIn("--days needs a whole number from 1 to 14, not \"15\"", self.fetch("--days", "15").stderr)
        self.assertIn("unknown option --bogus", self.fetch("--bogus").stderr)
        self.assertIn("unknown option -h", self.fetch("-h").stderr)
        self.assertIn("no value is taken by --quiet=yes", self.fetch("--quiet=yes").stderr)
        self.assertIn("--list-channels writes no EPG file: --output has no use with it",
                      self.fetch("--list-channels", "--output", self.path(EPG)).stderr)
        self.assertIn("--xmltv guide.xml: neither an http:// or https:// URL nor an absolute path",
                      self.fetch("--xmltv", "guide.xml").stderr)
        missing = self.path("/var/kestra/plugins/tarvio.cnf")
        self.assertIn("--config %s: No such file or directory" % missing, self.fetch("--config", missing).stderr)
        self.assertEqual(self.server.requests, [])
        self.assertEqual(self.names("/mnt/usb"), ["lomvi.dat"])
        self.assertEqual(os.stat(self.path(EPG)).st_mtime_ns, before.st_mtime_ns)

        shown = self.fetch("--help")
        self.assertEqual(shown.returncode, 0)
        for option in ("--config FILE", "--channels FILE", "--output FILE", "--days N", "--timeout SECONDS",
                       "--if-older HOURS", "--check", "--probe", "--quiet", "--help", "--version"):
            self.assertIn(option, shown.stdout)
        self.assertEqual(re.findall(r"^  (\d+) ", shown.stdout, re.M), ["0", "1", "2", "3", "64"])
        # The version, and the guide host, so that a build left with the
        # placeholder is noticed.
        self.assertRegex(self.fetch("--version").stdout, r"^tarvio-fetch 0\.6b\nguide host: \S+\n$")


class GuideNeverWorse(FetchCase):
    """What the dialog's tests show, as tarvio-fetch words it. Here, beside
    the other tests of the machine's own /tmp and lock."""

    def setUp(self):
        super().setUp()
        self.write(EPG, OLD_GUIDE)
        os.utime(self.path(EPG), (1000000000, 1000000000))

    def fetch_process(self, *args):
        env = self.fetch_env()
        args = ["--channels", self.path(CHANNEL_LIST), "--output", self.path(EPG), "--days", "1"] + list(args)
        return subprocess.Popen([FETCH] + args, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                                stderr=subprocess.STDOUT, env=env)

    def test_no_channel_enabled(self):
        self.channels("n 1,One\n")
        fetch = self.fetch_process()
        output, _ = fetch.communicate(timeout=30)
        self.assertEqual(fetch.returncode, 2)
        self.assertEqual(output.decode(), "No channel enabled in: %s\n" % self.path(CHANNEL_LIST))
        self.assertEqual(self.read(EPG), OLD_GUIDE)
        self.assertEqual(os.stat(self.path(EPG)).st_mtime, 1000000000)

    def test_a_closed_output_does_not_end_the_run(self):
        # As in `tarvio-fetch 2>&1 | head -1`.
        self.channels("y 1,One\ny 2,Two\ny 3,Three\n")
        for channel in (1, 2, 3):
            self.serve_days(channel, "20080228", 1)
        self.server.delay(2, 0.5)
        fetch = self.fetch_process()
        fetch.stdout.readline()
        fetch.stdout.close()
        self.assertEqual(fetch.wait(timeout=30), 0)
        self.assertEqual(self.server.requested(), [(1, "20080228"), (2, "20080228"), (3, "20080228")])
        self.assertIn("C 3 Three\nE 1 ", self.read(EPG))
        self.assertNoLeftovers()
        self.assertNoTempDocuments((1, 2, 3))


if __name__ == "__main__":
    unittest.main()
