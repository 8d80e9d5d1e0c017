"""test_xmltv_rules.py: XMLTV guides end to end, by the rules: the box's zone and its changes of summer time,
encodings, an entity bomb, and --check and --probe with a guide; tarvio-fetch on a fixed clock, local files."""

import calendar
import fcntl
import gzip
import os
import shutil
import subprocess
import tempfile
import threading
import time
import unittest

from box import make_box, run_tvhost
from test_download import _faketime_library

FETCH = os.environ.get("TARVIO_FETCH")
HERE = os.path.dirname(os.path.abspath(__file__))
# This folder's guides, and the reader's unit tests' (checked with
# tv_validate_file by tests/download/validate_xmltv_guides.py).
GUIDES = os.path.join(HERE, "xmltv")
READER_GUIDES = os.path.join(HERE, "..", "download", "xmltv")
OLD_GUIDE = "C 1 Old\nE 1 100 60\nT Old\nX 100\nS \nL 1\nD \ne\nc\n"
LOCK = "/tmp/tarvio.lock"


def instant(wall, offset):
    """Seconds since 1970 of a wall-clock time "YYYY-MM-DD hh:mm" at a UTC offset "+HHMM", by the calendar alone."""
    sign = -1 if offset[0] == "-" else 1
    shift = sign * (int(offset[1:3]) * 3600 + int(offset[3:5]) * 60)
    return calendar.timegm(time.strptime(wall, "%Y-%m-%d %H:%M")) - shift


def timed_lines(epg):
    """The E, T, X and L lines of an EPG file's text: what says when, and what."""
    return [line for line in epg.splitlines() if line[:2] in ("E ", "T ", "X ", "L ")]


def expected_lines(events):
    """The E, T, X and L lines of (title, wall-clock start, its offset, minutes) events, numbered from 1."""
    lines = []
    for number, (title, wall, offset, minutes) in enumerate(events, 1):
        start = instant(wall, offset)
        lines += ["E %d %d %d" % (number, start, minutes * 60), "T " + title, "X %d" % start, "L %d" % minutes]
    return lines


@unittest.skipUnless(FETCH, "needs TARVIO_FETCH")
@unittest.skipUnless(_faketime_library(), "needs libfaketime")
class XmltvCase(unittest.TestCase):
    """A folder with the settings, the channel list and an old EPG file; tarvio-fetch on a faked clock."""

    def setUp(self):
        self.folder = tempfile.mkdtemp()
        self.addCleanup(shutil.rmtree, self.folder)
        self.settings(days=2)
        self.write("lomvi.dat", OLD_GUIDE)

    def file(self, name):
        return os.path.join(self.folder, name)

    def write(self, name, text):
        with open(self.file(name), "w", encoding="utf-8") as out:
            out.write(text)

    def read(self, name):
        with open(self.file(name), encoding="utf-8") as source:
            return source.read()

    def settings(self, days):
        self.write("tarvio.conf", "# Tarvio config file - DO NOT EDIT!\n%s\n%d\n" % (self.file("lomvi.dat"), days))

    def fetch_env(self, zone, clock):
        return dict(os.environ, TZ=zone, FAKETIME="@" + clock, NO_FAKE_STAT="1",
                    LD_PRELOAD=":".join(filter(None, [_faketime_library(), os.environ.get("LD_PRELOAD")])),
                    ASAN_OPTIONS=":".join(filter(None, [os.environ.get("ASAN_OPTIONS"), "verify_asan_link_order=0"])))

    def fetch(self, *args, zone="UTC", clock="2030-03-10 12:00:00"):
        """tarvio-fetch with the folder's settings and list, in zone, its clock started at clock."""
        return subprocess.run([FETCH, "--config", self.file("tarvio.conf"), "--channels", self.file("tarvio.channels")]
                              + list(args), stdin=subprocess.DEVNULL, capture_output=True, text=True,
                              env=self.fetch_env(zone, clock), timeout=60)


class XmltvTimeZones(XmltvCase):
    """The window is the box's local days, each of them one day at a change of summer time, and every E start is
    the true instant: the expected lines are worked out here from the calendar."""

    def assertEvents(self, zone, clock, guide, channel, days, events):
        self.settings(days)
        self.write("tarvio.channels", "y %s,Zone\n" % channel)
        run = self.fetch("--xmltv", os.path.join(GUIDES, guide), zone=zone, clock=clock)
        self.assertEqual((run.returncode, run.stdout), (0, "DONE!\n"), run.stderr)
        self.assertIn("[1/1] %s Zone: %d events, %d of %d days" % (channel, len(events), days, days),
                      run.stderr.splitlines())
        epg = self.read("lomvi.dat")
        self.assertTrue(epg.startswith("C 1 Zone\nE 1 ") and epg.endswith("e\nc\n"), epg)
        self.assertEqual(timed_lines(epg), expected_lines(events))

    def test_utc(self):
        self.assertEvents("UTC", "2030-03-10 12:00:00", "utc.xml", "utc.example", 2, [
            ("Overnight", "2030-03-09 23:00", "+0000", 90),  # ends in the window: kept, counts no day
            ("Morning", "2030-03-10 06:00", "+0000", 90),  # no offset: UTC
            ("Lunch from Paris", "2030-03-10 12:30", "+0100", 60),
            ("Night without stop", "2030-03-11 00:00", "+0000", 120),  # ends at the next start
            ("Cut short", "2030-03-11 02:00", "+0000", 120),  # its stop is after the next start
            ("Last of the window", "2030-03-11 04:00", "+0000", 1200),
        ])

    def test_rome_into_summer_time(self):
        # 31 March has 23 hours: 1 April 00:30 +0200 is on the third day,
        # and 2 April 00:30 +0200 after the window, though less than 3 x 24
        # hours from its start.
        self.assertEvents("Europe/Rome", "2030-03-30 12:00:00", "rome_spring.xml", "roma.example", 3, [
            ("Late film", "2030-03-29 23:30", "+0100", 60),
            ("Saturday night", "2030-03-30 20:00", "+0100", 120),
            ("Across the change", "2030-03-31 01:30", "+0100", 60),  # 01:30 to 03:30 is one hour
            ("After midnight", "2030-04-01 00:30", "+0200", 60),
        ])

    def test_rome_out_of_summer_time(self):
        # 27 October has 25 hours, and 02:30 twice; 28 October 23:30 +0100
        # is in the window, though more than 3 x 24 hours from its start.
        self.assertEvents("Europe/Rome", "2030-10-26 12:00:00", "rome_autumn.xml", "roma.example", 3, [
            ("Saturday", "2030-10-26 21:00", "+0200", 120),
            ("The hour twice", "2030-10-27 02:30", "+0200", 60),
            ("Sunday late", "2030-10-27 23:30", "+0100", 60),
            ("Monday late", "2030-10-28 23:30", "+0100", 60),
        ])

    def test_kolkata(self):
        # +0530: read as +05 it would be half an hour out.
        self.assertEvents("Asia/Kolkata", "2030-03-10 12:00:00", "kolkata.xml", "kolkata.example", 2, [
            ("First", "2030-03-10 00:00", "+0530", 45),
            ("Evening", "2030-03-10 19:30", "+0530", 105),
            ("From Greenwich", "2030-03-10 18:30", "+0000", 30),  # the 11th in Kolkata: the second day
            ("Last minute", "2030-03-11 23:59", "+0530", 61),
        ])

    def test_st_johns(self):
        self.assertEvents("America/St_Johns", "2030-01-15 12:00:00", "st_johns.xml", "stjohns.example", 2, [
            ("Midnight news", "2030-01-15 00:00", "-0330", 60),
            ("From London", "2030-01-15 12:30", "+0000", 60),
            ("Late from Greenwich", "2030-01-16 02:30", "+0000", 60),  # still the 15th in St. John's
            ("Evening", "2030-01-16 20:30", "-0330", 180),
        ])


class XmltvEncodingsAndBombs(XmltvCase):
    def setUp(self):
        super().setUp()
        self.settings(days=1)
        self.write("tarvio.channels", "y encoded.example,Encoded\n")

    def texts(self):
        return [line for line in self.read("lomvi.dat").splitlines() if line[:2] in ("T ", "D ")]

    def test_latin1_and_windows_1252_come_out_as_utf8(self):
        run = self.fetch("--xmltv", os.path.join(READER_GUIDES, "latin1.xml"))
        self.assertEqual(run.returncode, 0, run.stderr)
        self.assertEqual(self.texts(), ["T Café crème", "D Grüße aus Köln"])

        windows = os.path.join(READER_GUIDES, "windows1252.xml")
        run = self.fetch("--xmltv", windows)
        self.assertEqual(run.returncode, 0, run.stderr)
        self.assertEqual(self.texts(), ["T Café € 5", "D \u201cQuoted\u201d \u2013 fine"])
        from_windows = self.read("lomvi.dat")

        # The labels read as windows-1252, as web browsers read them.
        with open(windows, "rb") as source:
            guide = source.read()
        for label in (b"latin-1", b"latin1", b"cp1252", b"CP1252"):
            labelled = self.file("labelled.xml")
            with open(labelled, "wb") as out:
                out.write(guide.replace(b'encoding="windows-1252"', b'encoding="%s"' % label, 1))
            self.write("lomvi.dat", OLD_GUIDE)
            run = self.fetch("--xmltv", labelled)
            self.assertEqual(run.returncode, 0, run.stderr)
            self.assertEqual(self.read("lomvi.dat"), from_windows, label)

    def test_an_encoding_not_read_is_named(self):
        guide = os.path.join(GUIDES, "latin2.xml")
        run = self.fetch("--xmltv", guide)
        self.assertEqual(run.returncode, 2)
        lines = run.stderr.splitlines()
        self.assertIn(guide + ": an encoding that is not read: ISO-8859-2", lines)
        self.assertEqual(lines[-1], "Download failed, old guide kept: no guide data for 1 of 1 channels")
        self.assertEqual(self.read("lomvi.dat"), OLD_GUIDE)

    def measured_fetch(self, *args):
        """tarvio-fetch as fetch() runs it: (exit status, standard error, processor seconds, peak KiB resident)."""
        with tempfile.TemporaryFile() as errors:
            child = subprocess.Popen([FETCH, "--config", self.file("tarvio.conf"), "--channels",
                                      self.file("tarvio.channels")] + list(args), stdin=subprocess.DEVNULL,
                                     stdout=subprocess.DEVNULL, stderr=errors,
                                     env=self.fetch_env("UTC", "2030-03-10 12:00:00"))
            # Only a hung reader waits this long.
            watchdog = threading.Timer(60, child.kill)
            watchdog.start()
            try:
                _, status, usage = os.wait4(child.pid, 0)
            finally:
                watchdog.cancel()
            child.returncode = os.waitstatus_to_exitcode(status)
            errors.seek(0)
            return (child.returncode, errors.read().decode(), usage.ru_utime + usage.ru_stime, usage.ru_maxrss)

    def test_an_entity_bomb_fails_at_once_and_keeps_the_old_file(self):
        # The same program on a plain guide: what the bomb may take beside it.
        self.write("tarvio.channels", "y encoded.example,Encoded\n")
        status, _, _, plain_peak = self.measured_fetch("--xmltv", os.path.join(READER_GUIDES, "latin1.xml"))
        self.assertEqual(status, 0)
        self.write("lomvi.dat", OLD_GUIDE)

        # Its entities expand to 10 GB, in a title of a wanted channel.
        self.write("tarvio.channels", "y alpha.example,Alpha\n")
        bomb = os.path.join(READER_GUIDES, "entity_bomb.xml")
        status, errors, seconds, peak = self.measured_fetch("--xmltv", bomb)
        self.assertEqual(status, 2, errors)
        self.assertIn(bomb + ": not XML: limit on input amplification factor", errors)
        self.assertEqual(self.read("lomvi.dat"), OLD_GUIDE)
        # Expanding it would take minutes of processor time and gigabytes.
        self.assertLess(seconds, 10)
        self.assertLess(peak - plain_peak, 32 * 1024, (peak, plain_peak))


class XmltvCheckAndProbe(XmltvCase):
    """--check and --probe know the source as a run does: the source file, or --xmltv."""

    LIST = "y alpha.example,Alpha\n# ids as the guide has them\ny  Gamma.Example ,Gamma\nn 501,Numbered\n"

    def test_check_shows_the_guides_ids_as_text(self):
        self.write("tarvio.channels", self.LIST)
        self.write("tarvio.source", "# a mirror\nxmltv %s\n" % os.path.join(READER_GUIDES, "guide.xml"))
        lines = ['line 1: channel alpha.example "Alpha" (fetched as channel 1)',
                 "line 2: comment",
                 'line 3: channel Gamma.Example "Gamma" (fetched as channel 2)',
                 "line 4: skipped (disabled)",
                 "2 channels enabled, no warnings"]
        for source in (["--source", self.file("tarvio.source")], ["--xmltv", "http://guide.example/it.xml.gz"]):
            check = self.fetch("--check", *source)
            self.assertEqual((check.returncode, check.stdout.splitlines(), check.stderr), (0, lines, ""), source)

        # The same list for the day documents, whose ids are numbers.
        self.write("tarvio.source", "# xmltv /mnt/usb/it.xml\n")
        check = self.fetch("--check", "--source", self.file("tarvio.source"))
        self.assertEqual(check.returncode, 1)
        self.assertIn('warning: line 1: no number where the id stands ("alpha.example"): read as 0',
                      check.stdout.splitlines())

        # Ids that differ only in case are one channel of the guide.
        self.write("tarvio.channels", self.LIST + "y ALPHA.example,Again\ny ,Nameless\n")
        check = self.fetch("--check", "--quiet", "--xmltv", "/mnt/usb/it.xml")
        self.assertEqual((check.returncode, check.stdout.splitlines()), (1, [
            "warning: line 5: channel ALPHA.example again (first on line 1): it is fetched twice",
            "warning: line 6: no id before the comma: no channel of the guide has it"]))

        # A source file the run would refuse: the check says why.
        self.write("tarvio.source", "xmltv /mnt/usb/it.xml\nxmltv http://guide.example/it's.xml\n")
        check = self.fetch("--check", "--source", self.file("tarvio.source"))
        self.assertEqual((check.returncode, check.stdout), (2, ""))
        self.assertTrue(check.stderr.startswith(self.file("tarvio.source") + ": line 2: "), check.stderr)

    def probe(self, channels, *args):
        self.write("tarvio.channels", channels)
        return self.fetch("--probe", "--xmltv", os.path.join(READER_GUIDES, "guide.xml"), *args)

    def test_probe_tells_each_channels_events_and_days(self):
        # The settings' 2 days from 10 March 2030. alpha.example: Night Owls
        # (from the 9th), Early News, Cartoons, Cooking, Morning Show and
        # Late Show, all starting on the 10th; gamma.example: only a
        # programme of the 8th.
        guide = os.path.join(READER_GUIDES, "guide.xml")
        run = self.probe("y alpha.example,Alpha\ny Gamma.example,Gamma\ny alpha.exampel,Typo\n")
        self.assertEqual((run.returncode, run.stderr), (1, ""))
        self.assertEqual(run.stdout.splitlines(), [
            guide + ": guide read, 13 programmes",
            "[1/3] alpha.example Alpha: 6 events, 1 of 2 days",
            "[2/3] Gamma.example Gamma: no events in the days asked",
            "[3/3] alpha.exampel Typo: the guide has no such channel; closest: alpha.example, beta.example, "
            "gamma.example",
            "channels with guide data in the 2 days from 10/03: 1 of 3"])
        self.assertEqual(self.read("lomvi.dat"), OLD_GUIDE)

        quiet = self.probe("y alpha.example,Alpha\ny Gamma.example,Gamma\ny alpha.exampel,Typo\n", "--quiet")
        self.assertEqual((quiet.returncode, quiet.stdout.splitlines()), (1, [
            "[2/3] Gamma.example Gamma: no events in the days asked",
            "[3/3] alpha.exampel Typo: the guide has no such channel; closest: alpha.example, beta.example, "
            "gamma.example"]))

        every = self.probe("y ALPHA.EXAMPLE,Alpha\ny beta.example,Beta\n")
        self.assertEqual((every.returncode, every.stdout.splitlines()[-1]),
                         (0, "channels with guide data in the 2 days from 10/03: 2 of 2"))
        none = self.probe("y gamma.example,Gamma\ny delta.example,Delta\n")
        self.assertEqual(none.returncode, 2)

    def test_probe_without_a_guide(self):
        self.write("tarvio.channels", "y alpha.example,Alpha\n")
        missing = self.file("missing.xml")
        run = self.fetch("--probe", "--xmltv", missing)
        self.assertEqual(run.returncode, 2)
        self.assertEqual(run.stdout.splitlines(), [
            missing + ": cannot be opened: No such file or directory",
            "[1/1] alpha.example Alpha: no guide data (no guide was read)",
            "channels with guide data in the 2 days from 10/03: 0 of 1"])

        try:
            lock = os.open(LOCK, os.O_RDONLY)
        except FileNotFoundError:
            lock = os.open(LOCK, os.O_RDONLY | os.O_CREAT, 0o644)
        try:
            fcntl.flock(lock, fcntl.LOCK_EX | fcntl.LOCK_NB)
            busy = self.probe("y alpha.example,Alpha\n")
        finally:
            os.close(lock)
        self.assertEqual((busy.returncode, busy.stdout, busy.stderr), (3, "", "Another download is running\n"))


@unittest.skipUnless(os.environ.get("TVHOST"), "needs TVHOST")
class XmltvDialogTexts(unittest.TestCase):
    def test_no_guide_from_any_place_says_the_last_one_and_why(self):
        with make_box() as box:
            with open(os.path.join(READER_GUIDES, "guide.xml"), "rb") as source:
                packed = gzip.compress(source.read())
            with open(os.path.join(box.usb, "cut-guide.xml.gz"), "wb") as cut:
                cut.write(packed[: len(packed) // 2])
            with open(os.path.join(box.plugins, "tarvio.source"), "w") as source:
                source.write("xmltv /mnt/usb/missing.xml\nxmltv /mnt/usb/cut-guide.xml.gz\n")
            with open(os.path.join(box.plugins, "tarvio.channels"), "w") as channels:
                channels.write("y alpha.example,Alpha\n")
            with open(os.path.join(box.plugins, "tarvio.conf"), "w") as settings:
                settings.write("# Tarvio config file - DO NOT EDIT!\n/mnt/usb/lomvi.dat\n1\n")
            with open(os.path.join(box.usb, "lomvi.dat"), "w") as old:
                old.write(OLD_GUIDE)
            run = run_tvhost(box, ["green"], env={"TZ": "UTC"})

            def rows(screen):
                return [row.strip(" |") for row in screen.splitlines()[1:-1] if row.strip(" |")]

            # Each place while it is read, then the outcome.
            during = [rows(screen)[:2] for heading, screen in run.screens if heading == "during green"]
            self.assertIn(["Reading guide:", "missing.xml"], during)
            self.assertIn(["Reading guide:", "cut-guide.xml.gz"], during)
            self.assertEqual(rows(run.screen("after green")), [
                "Download failed, old guide kept:", "no guide read from 2 places, the last", "cut-guide.xml.gz:",
                "the guide is cut short", "Press EXIT to close"])
            with open(os.path.join(box.usb, "lomvi.dat")) as kept:
                self.assertEqual(kept.read(), OLD_GUIDE)


if __name__ == "__main__":
    unittest.main()
