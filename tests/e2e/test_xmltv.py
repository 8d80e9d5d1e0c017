"""test_xmltv.py: XMLTV guides end to end: tarvio-fetch and the dialog, real wget, a loopback server, local files."""

import datetime
import functools
import http.server
import lzma
import os
import shutil
import subprocess
import sys
import tempfile
import threading
import unittest

from box import make_box, run_tvhost

FETCH = os.environ.get("TARVIO_FETCH")
ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
GENERATOR = os.path.join(ROOT, "scripts", "make_xmltv_guide.py")
OLD_GUIDE = "C 1 Uno\nE 1 100 60\nT Old\nX 100\nS \nL 1\nD \ne\nc\n"
LIST = "y ch001.example,Uno\nn ch002.example,Off\ny CH003.EXAMPLE,Tre\n"


def make_guide(folder, name, *options):
    """A made-up guide of 4 channels and 3 days from today, in the box's zone (UTC here)."""
    path = os.path.join(folder, name)
    today = datetime.datetime.now(datetime.timezone.utc).strftime("%Y%m%d")
    subprocess.run([sys.executable, GENERATOR, "--channels", "4", "--days", "3", "--seed", "7", "--start", today,
                    "--output", path] + list(options), check=True)
    return path


@unittest.skipUnless(FETCH, "needs TARVIO_FETCH")
class XmltvGuides(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.mkdtemp()
        self.served = os.path.join(self.folder, "served")
        os.mkdir(self.served)
        make_guide(self.served, "guide.xml")
        make_guide(self.served, "guide.xml.gz", "--gzip")
        make_guide(self.served, "guide.xml.xz", "--xz")
        with open(os.path.join(self.served, "guide.xml.gz"), "rb") as whole:
            data = whole.read()
        with open(os.path.join(self.served, "cut.xml.gz"), "wb") as cut:
            cut.write(data[: len(data) // 2])
        with open(os.path.join(self.served, "page.xml"), "w") as page:
            page.write("<html><body>Service unavailable</body></html>\n")
        handler = functools.partial(http.server.SimpleHTTPRequestHandler, directory=self.served)
        handler.log_message = lambda *args: None
        self.server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler)
        threading.Thread(target=self.server.serve_forever, daemon=True).start()
        self.url = "http://127.0.0.1:%d/" % self.server.server_address[1]
        self.write("tarvio.channels", LIST)
        self.write("tarvio.conf", "# Tarvio config file - DO NOT EDIT!\n%s\n2\n" % self.file("lomvi.dat"))
        self.write("lomvi.dat", OLD_GUIDE)

    def tearDown(self):
        self.server.shutdown()
        self.server.server_close()
        shutil.rmtree(self.folder)

    def file(self, name):
        return os.path.join(self.folder, name)

    def write(self, name, text):
        with open(self.file(name), "w") as out:
            out.write(text)

    def read(self, name):
        with open(self.file(name)) as source:
            return source.read()

    def fetch(self, *args):
        env = dict(os.environ, TZ="UTC", no_proxy="*")
        for name in ("http_proxy", "HTTP_PROXY", "https_proxy", "HTTPS_PROXY"):
            env.pop(name, None)
        return subprocess.run([FETCH, "--config", self.file("tarvio.conf"), "--channels", self.file("tarvio.channels")]
                              + list(args), stdin=subprocess.DEVNULL, capture_output=True, text=True, env=env,
                              timeout=120)

    def test_mirrors_in_order_and_the_same_guide_however_packed(self):
        self.write("tarvio.source", "# mirrors\nxmltv %spage.xml\nxmltv %scut.xml.gz\nxmltv %sguide.xml.xz\nlang en\n"
                   % (self.url, self.url, self.url))
        run = self.fetch("--source", self.file("tarvio.source"))
        self.assertEqual(run.returncode, 0, run.stderr)
        self.assertEqual(run.stdout, "DONE!\n")
        lines = run.stderr.splitlines()
        self.assertIn("%spage.xml: not an XMLTV guide (its root is <html>)" % self.url, lines)
        self.assertIn("%scut.xml.gz: the compressed guide is cut short" % self.url, lines)
        self.assertTrue(any(line.startswith("[1/2] ch001.example Uno: ") and line.endswith(" of 2 days")
                            for line in lines), lines)
        from_xz = self.read("lomvi.dat")
        self.assertTrue(from_xz.startswith("C 1 Uno\nE 1 "), from_xz[:40])
        self.assertIn("\nc\nC 2 Tre\nE 1 ", from_xz)

        # The same EPG bytes from the gzip, the plain file on the server,
        # and a local file.
        for location in (self.url + "guide.xml.gz", self.url + "guide.xml", os.path.join(self.served, "guide.xml")):
            self.write("lomvi.dat", OLD_GUIDE)
            run = self.fetch("--xmltv", location)
            self.assertEqual(run.returncode, 0, run.stderr)
            self.assertEqual(self.read("lomvi.dat"), from_xz, location)

        listed = self.fetch("--list-channels", "--xmltv", self.url + "guide.xml.gz")
        self.assertEqual(listed.returncode, 0, listed.stderr)
        self.assertEqual([line.split(",")[0] for line in listed.stdout.splitlines()],
                         ["n ch001.example", "n ch002.example", "n ch003.example", "n ch004.example"])

    def test_no_guide_from_any_mirror_keeps_the_old_file(self):
        # Packed with xz -9: its 64 MiB dictionary is more than a box can give.
        with open(os.path.join(self.served, "guide.xml"), "rb") as plain:
            packed = lzma.compress(plain.read(), preset=9)
        with open(os.path.join(self.served, "greedy.xml.xz"), "wb") as out:
            out.write(packed)
        self.write("tarvio.source", "xmltv %spage.xml\nxmltv %smissing.xml\nxmltv %sgreedy.xml.xz\n"
                   % (self.url, self.url, self.url))
        run = self.fetch("--source", self.file("tarvio.source"))
        self.assertEqual(run.returncode, 2, run.stderr)
        self.assertIn("%smissing.xml: the fetch failed" % self.url, run.stderr)
        self.assertRegex(run.stderr, r"greedy\.xml\.xz: the xz guide needs too much memory: 6[0-9] MiB, more than 20\n")
        self.assertEqual(run.stderr.splitlines()[-1], "Download failed, old guide kept: no guide data for 2 of 2 channels")
        self.assertEqual(self.read("lomvi.dat"), OLD_GUIDE)

        self.write("tarvio.source", "xmltv %sguide.xml\nsomething else\n" % self.url)
        run = self.fetch("--source", self.file("tarvio.source"))
        self.assertEqual(run.returncode, 2)
        self.assertIn("tarvio.source: line 2: something else", run.stderr)
        self.assertEqual(self.read("lomvi.dat"), OLD_GUIDE)

    def test_the_dialog_reads_the_source_file(self):
        with make_box() as box:
            shutil.copy(os.path.join(self.served, "guide.xml"), os.path.join(box.usb, "guide.xml"))
            with open(os.path.join(box.plugins, "tarvio.source"), "w") as source:
                source.write("xmltv /mnt/usb/guide.xml\n")
            with open(os.path.join(box.plugins, "tarvio.channels"), "w") as channels:
                channels.write(LIST)
            with open(os.path.join(box.plugins, "tarvio.conf"), "w") as settings:
                settings.write("# Tarvio config file - DO NOT EDIT!\n/mnt/usb/lomvi.dat\n2\n")
            run = run_tvhost(box, ["green"], env={"TZ": "UTC"})
            self.assertIn("DONE!", run.screen("after green"))
            with open(os.path.join(box.usb, "lomvi.dat")) as written:
                from_dialog = written.read()
        run = self.fetch("--xmltv", os.path.join(self.served, "guide.xml"))
        self.assertEqual(run.returncode, 0, run.stderr)
        self.assertEqual(self.read("lomvi.dat"), from_dialog)


if __name__ == "__main__":
    unittest.main()
