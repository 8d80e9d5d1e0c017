"""test_download.py: the download run end to end: tarvio.so in tvhost, real wget, a loopback guide server."""

import glob
import os
import re
import shutil
import subprocess
import sys
import time
import unittest

from box import make_box, run_tvhost
from guide_server import GuideServer, guide_document

CHANNEL_LIST = "/var/kestra/plugins/tarvio.channels"
SETTINGS = "/var/kestra/plugins/tarvio.conf"
EPG = "/mnt/usb/lomvi.dat"
DONE = "DONE! Press EXIT to close"

PROGRESS = re.compile(r"Downloading: (\d+) of (\d+) Channel (-?\d+): (.*?) Date: (\d\d) / (\d\d)")
PROGRESS_HEAD = re.compile(r"Downloading: (\d+) of (\d+) Channel (-?\d+):")


def _faketime_library():
    found = sorted(glob.glob("/usr/lib/*/faketime/libfaketime.so.1"))
    return found[0] if found else None


def build_setting(name, default):
    """A setting the plug-in was built with, from the build's cache."""
    cache = os.path.join(os.path.dirname(os.environ.get("TARVIO_SO", "")), "CMakeCache.txt")
    try:
        with open(cache) as lines:
            for line in lines:
                if line.startswith(name + ":"):
                    return line.split("=", 1)[1].strip()
    except OSError:
        pass
    return default


def flatten(rows):
    """A screen's text on one line: frame characters dropped, blanks collapsed."""
    text = " ".join(rows)
    text = re.sub(r"[\u2500-\u257f|+]", " ", text)
    return " ".join(text.split())


class Screens:
    """What one tvhost run showed: its screens as (heading, flattened text)."""

    def __init__(self, run):
        self.screens = [(heading, flatten(text.splitlines())) for heading, text in run.screens]

    @property
    def last(self):
        return self.screens[-1][1] if self.screens else ""

    def progress(self):
        """(ordinal, total, id, name, "DD/MM") of each progress screen, in order."""
        found = []
        for _, text in self.screens:
            match = PROGRESS.search(text)
            if match:
                ordinal, total, channel, name, day, month = match.groups()
                found.append((int(ordinal), int(total), int(channel), name, day + "/" + month))
        return found

    def channels_shown(self):
        """(ordinal, total, id) of each progress screen, also where a long name hides the rest."""
        return [tuple(int(n) for n in match.groups())
                for match in (PROGRESS_HEAD.search(text) for _, text in self.screens) if match]


@unittest.skipUnless(os.environ.get("TVHOST") and os.environ.get("TARVIO_SO"), "needs TVHOST and TARVIO_SO")
@unittest.skipUnless(_faketime_library(), "needs libfaketime")
@unittest.skipUnless(shutil.which("wget"), "needs wget")
class DownloadCase(unittest.TestCase):
    """A box and a guide server per test."""

    host = build_setting("TARVIO_GUIDE_HOST", "guide.tarvio.invalid")

    def setUp(self):
        self.box = make_box()
        self.addCleanup(self.box.cleanup)
        self.server = GuideServer().__enter__()
        self.addCleanup(self.server.__exit__, None, None, None)

    def download(self, when="2008-02-28 10:00:00", zone="UTC", keys=("green",), proxy=None, timeout=30):
        """Presses the keys (green: Download) with the box's clock at `when` local time.

        wget reaches the test's guide server, or the one at proxy."""
        run = run_tvhost(self.box, list(keys), env=self.download_env(when, zone, proxy), timeout=timeout)
        self.assertEqual(run.returncode, 0, run.stdout + run.stderr)
        return Screens(run)

    def download_env(self, when="2008-02-28 10:00:00", zone="UTC", proxy=None):
        """The environment of a run: the box's clock and zone, wget's proxy."""
        # libfaketime comes first in the library list, which a sanitizer
        # build's runtime would otherwise refuse.
        env = dict(os.environ, http_proxy=proxy or self.server.proxy_url, no_proxy="", TZ=zone,
                   FAKETIME="@" + when,
                   LD_PRELOAD=":".join(filter(None, [_faketime_library(), os.environ.get("LD_PRELOAD")])),
                   ASAN_OPTIONS=":".join(filter(None, [os.environ.get("ASAN_OPTIONS"),
                                                      "verify_asan_link_order=0"])))
        for name in ("HTTP_PROXY", "https_proxy", "HTTPS_PROXY", "all_proxy", "ALL_PROXY"):
            env.pop(name, None)
        return env

    # Files of the box, by the paths the plug-in sees.
    def path(self, box_path):
        return os.path.join(self.box.path, box_path.lstrip("/"))

    def write(self, box_path, content):
        with open(self.path(box_path), "wb") as out:
            out.write(content.encode("utf-8"))

    def read(self, box_path):
        try:
            with open(self.path(box_path), "rb") as source:
                return source.read().decode("utf-8", "replace")
        except FileNotFoundError:
            return None

    def names(self, box_folder):
        return sorted(os.listdir(self.path(box_folder)))

    def channels(self, text):
        self.write(CHANNEL_LIST, text)

    def settings(self, epg=EPG, days=7):
        self.write(SETTINGS, "# Tarvio config file - DO NOT EDIT!\n%s\n%d\n" % (epg, days))

    def serve_days(self, channel, first_date, days, body=None):
        for date in dates_from(first_date, days):
            self.server.serve(channel, date, body or guide_document(("News", "20:30"), ("Film", "21:15")))

    def assertRequested(self, expected):
        self.assertEqual(self.server.requested(), expected)

    def assertNoLeftovers(self, epg_folder=("lomvi.dat",)):
        """No guide documents left in /tmp, nothing but the EPG file beside it."""
        self.assertEqual([name for name in self.names("/tmp") if name.endswith(".trv")], [])
        self.assertEqual(self.names("/mnt/usb"), list(epg_folder))


def dates_from(first, days):
    """Calendar dates "YYYYMMDD" from first on, by the standard library's own calendar."""
    import datetime
    start = datetime.date(int(first[:4]), int(first[4:6]), int(first[6:]))
    return [(start + datetime.timedelta(days=n)).strftime("%Y%m%d") for n in range(days)]


class DownloadRunTest(DownloadCase):
    def test_progress_requests_and_guide(self):
        self.channels("# my channels\ny 501,Canale Uno\nn 502,Off\nY\t503,Tre Due\n#\ny 520,Notizie 24\n"
                          "\ny 530,After the end\n")
        self.settings(days=2)
        for channel in (501, 503, 520):
            self.serve_days(channel, "20080228", 2)
        run = self.download()

        self.assertEqual(run.progress(), [
            (1, 3, 501, "Canale Uno", "28/02"), (1, 3, 501, "Canale Uno", "29/02"),
            (2, 3, 503, "Tre Due", "28/02"), (2, 3, 503, "Tre Due", "29/02"),
            (3, 3, 520, "Notizie 24", "28/02"), (3, 3, 520, "Notizie 24", "29/02"),
        ])
        self.assertIn(DONE, run.last)
        # The buttons are gone for good once the run has started.
        self.assertNotIn("[green] Download", run.last)
        self.assertNotIn("[blue] Setup", run.last)
        self.assertIn("[green] Download", run.screens[0][1])

        for request in self.server.requests:
            self.assertEqual(request.host, self.host)
        self.assertEqual(self.server.requests[0].path,
                         "/static/epg/timeline/export/canale_export_501_20080228.xml")
        self.assertRequested([(501, "20080228"), (501, "20080229"), (503, "20080228"), (503, "20080229"),
                              (520, "20080228"), (520, "20080229")])

        epg = self.read(EPG)
        self.assertEqual(re.findall(r"^C .*$", epg, re.M), ["C 1 Canale Uno", "C 2 Tre Due", "C 3 Notizie 24"])
        self.assertEqual(epg.count("\nc\n"), 3)
        # Four events a channel, the last one never closed.
        self.assertEqual(len(re.findall(r"^E ", epg, re.M)), 9)
        self.assertNoLeftovers()

    def test_start_times_in_utc_and_rome(self):
        # The listed time of day after local midnight: on a UTC box one hour
        # later, on a box in Rome (UTC+1 in winter 1970) exactly as listed.
        for zone, midnight, shift in (("UTC", 1204156800, 3600), ("Europe/Rome", 1204153200, 0)):
            with self.subTest(zone=zone):
                self.server.requests.clear()
                self.channels("y 1,One\n")
                self.settings(days=1)
                self.server.serve(1, "20080228", guide_document(("News", "20:30"), ("Film", "22:00")))
                self.download(zone=zone)
                start = midnight + 20 * 3600 + 30 * 60 + shift
                self.assertEqual(self.read(EPG),
                                 "C 1 One\nE 1 %d 5400\nT News\nX %d\nS \nL 90\nD \ne\nc\n" % (start, start))

    def test_today_is_the_local_date(self):
        # 23:30 UTC on New Year's Eve is already 1 January in Rome.
        self.channels("y 1,One\n")
        self.settings(days=2)
        self.download(when="2009-01-01 00:30:00", zone="Europe/Rome")
        self.download(when="2008-12-31 23:30:00", zone="UTC")
        self.assertRequested([(1, "20090101"), (1, "20081231")])

    def test_year_end(self):
        self.channels("y 7,Seven\n")
        self.settings(days=3)
        self.serve_days(7, "20081231", 3)
        run = self.download(when="2008-12-31 10:00:00")
        self.assertRequested([(7, "20081231"), (7, "20090101"), (7, "20090102")])
        self.assertEqual([p[4] for p in run.progress()], ["31/12", "01/01", "02/01"])

    def test_end_of_february(self):
        for year, after in (("2008", "20080229"), ("2000", "20000229"), ("2007", "20070301"), ("2100", "21000301")):
            with self.subTest(year=year):
                self.server.requests.clear()
                self.channels("y 7,Seven\n")
                self.settings(days=2)
                self.serve_days(7, year + "0228", 2)
                self.download(when=year + "-02-28 10:00:00")
                self.assertRequested([(7, year + "0228"), (7, after)])

    def test_days_setting(self):
        self.channels("y 7,Seven\n")
        self.serve_days(7, "20080228", 9)
        for days, fetched in ((0, 1), (1, 1), (7, 7), (9, 9)):
            with self.subTest(days=days):
                self.server.requests.clear()
                self.settings(days=days)
                self.assertIn(DONE, self.download().last)
                self.assertEqual(self.server.requested(), [(7, d) for d in dates_from("20080228", fetched)])


class SampleServiceTest(DownloadCase):
    """The demo's sample guide service gives every channel a guide."""

    def test_sample_service_feeds_every_channel(self):
        script = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "scripts",
                              "sample_guide_service.py")
        port_file = self.path("/tmp/service.port")
        service = subprocess.Popen([sys.executable, script, "--port-file", port_file, "--lifetime", "60"])
        self.addCleanup(service.wait, 10)
        self.addCleanup(service.terminate)
        for _ in range(100):
            if os.path.exists(port_file) or service.poll() is not None:
                break
            time.sleep(0.05)
        with open(port_file) as port:
            proxy = "http://127.0.0.1:%d/" % int(port.read())
        self.channels("y 501,Canale Uno\nn 502,Off\ny 520,Notizie 24\n")
        self.settings(days=2)
        run = self.download(proxy=proxy)
        self.assertIn(DONE, run.last)
        blocks = re.split(r"^c\n", self.read(EPG), flags=re.M)
        self.assertEqual([block.split("\n")[0] for block in blocks[:-1]], ["C 1 Canale Uno", "C 2 Notizie 24"])
        for block in blocks[:-1]:
            self.assertGreater(len(re.findall(r"^E ", block, re.M)), 10)


if __name__ == "__main__":
    unittest.main()
