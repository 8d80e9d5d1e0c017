"""test_list_check.py: tarvio-fetch --check on real channel lists: what the run makes of each line, and the warnings."""

import fcntl
import os
import shutil
import subprocess
import tempfile
import unittest

FETCH = os.environ.get("TARVIO_FETCH")
# The run's lock, on the machine's own paths: a check must not need it.
LOCK = "/tmp/tarvio.lock"

LONG_NAME = "Canale " + "x" * 242
# Every kind of line the run tells apart, and each thing the check warns about.
EVERY_KIND = b"\n".join([
    b"# Tarvio channels",
    b"y 501,Canale Uno",
    b"n 502,Off",
    b"y 503 Tre",
    "yes 504,Sì".encode(),
    b"y501,Uno",
    b"Y 505,Bell\x07 and \\ \x1b[2Jback\r",
    b"y 501,Canale Uno again",
    b"y 506," + LONG_NAME.encode() + b"y 77,Piece",
    b" y 520,Notizie 24",
    b"n 521,Off after the end",
    b"y 522,After the end",
    b"y 523 no comma after the end",
]) + b"\n"


@unittest.skipUnless(FETCH, "needs TARVIO_FETCH")
class ListCheck(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.mkdtemp(prefix="tarvio-check-")
        self.addCleanup(shutil.rmtree, self.folder, True)

    def list_file(self, contents, name="tarvio.channels"):
        path = os.path.join(self.folder, name)
        with open(path, "wb") as f:
            f.write(contents)
        return path

    def check(self, *args):
        return subprocess.run([FETCH, "--check"] + list(args), stdin=subprocess.DEVNULL, capture_output=True,
                              timeout=60)

    def test_every_kind_of_line(self):
        path = self.list_file(EVERY_KIND)
        before = os.stat(path)
        # A run in progress holds the lock; the check reads on regardless.
        lock = os.open(LOCK, os.O_RDONLY | os.O_CREAT, 0o644)
        self.addCleanup(os.close, lock)
        fcntl.flock(lock, fcntl.LOCK_EX | fcntl.LOCK_NB)
        self.addCleanup(fcntl.flock, lock, fcntl.LOCK_UN)
        run = self.check("--channels", path)
        self.assertEqual((run.returncode, run.stderr), (1, b""))
        self.assertEqual(run.stdout.decode().splitlines(), [
            "line 1: comment",
            "line 2: channel 501 \"Canale Uno\" (fetched as channel 1)",
            "line 3: skipped (disabled)",
            "line 4: skipped (no comma after the id)",
            "line 5: channel 0 \"Sì\" (fetched as channel 2)",
            "line 6: channel 1 \"Uno\" (fetched as channel 3)",
            "line 7: channel 505 \"Bell\\x07 and \\\\ \\x1b[2Jback\" (fetched as channel 4)",
            "line 8: channel 501 \"Canale Uno again\" (fetched as channel 5)",
            "line 9: channel 506 \"%s\" (fetched as channel 6)" % LONG_NAME[:249],
            "line 9, from character 256: channel 77 \"Piece\" (fetched as channel 7)",
            "line 10: end of the list (it starts with a blank)",
            "warning: line 4: \"y 503 Tre\" has no comma after the id: it names no channel",
            "warning: line 5: no number where the id stands (\"s 504\"): read as 0",
            "warning: line 6: the '5' after the y is taken as the separator, so the id is read as 1 "
            "(with a blank: \"y 501,Uno\")",
            "warning: line 8: channel 501 again (first on line 2): it is fetched twice",
            "warning: line 9: the name ends at character 255 of the line, where the line is cut",
            "warning: line 9 does not fit in 255 characters (its line break included): from character 256 on "
            "it is read as a line of its own",
            "warning: line 12: \"y 522,After the end\" is ignored: line 10 ended the list (it starts with a blank)",
            "7 channels enabled, 7 warnings",
        ])
        # No control byte of the list reaches the terminal.
        self.assertNotIn(b"\x07", run.stdout)
        self.assertNotIn(b"\x1b", run.stdout)
        self.assertEqual(os.listdir(self.folder), ["tarvio.channels"])
        self.assertEqual(os.stat(path).st_mtime_ns, before.st_mtime_ns)

        # Quiet leaves the warnings only.
        quiet = self.check("--quiet", "--channels", path)
        self.assertEqual(quiet.returncode, 1)
        self.assertEqual([line for line in run.stdout.splitlines() if line.startswith(b"warning: ")],
                         quiet.stdout.splitlines())

    def test_exit_statuses(self):
        clean = self.check("--channels", self.list_file(b"y 501,Canale Uno\nn 502,Off\ny 503,Tre\n\n"))
        self.assertEqual(clean.returncode, 0, clean.stdout)
        self.assertEqual(clean.stdout.decode().splitlines()[-2:],
                         ["line 4: end of the list (an empty line)", "2 channels enabled, no warnings"])

        marked = self.check("--channels", self.list_file(b"\xef\xbb\xbfy 501,Canale Uno\ny 502,Due\n"))
        self.assertEqual(marked.returncode, 2)
        self.assertEqual(marked.stdout.decode().splitlines(), [
            "line 1: end of the list (it starts with a byte-order mark)",
            "warning: line 1 starts with a byte-order mark, which ends the list: save the file without it "
            "(plain text, not \"UTF-8 with BOM\")",
            "warning: line 2: \"y 502,Due\" is ignored: line 1 ended the list (it starts with a byte-order mark)",
            "no channels enabled, 2 warnings"])

        for contents in (b"", b"# nothing yet\nn 501,Off\n", b"x 501,Uno\n"):
            with self.subTest(contents=contents):
                run = self.check("--channels", self.list_file(contents))
                self.assertEqual(run.returncode, 2)
                self.assertTrue(run.stdout.endswith(b"no channels enabled, no warnings\n"), run.stdout)

        unreadable = self.check("--channels", self.folder)
        self.assertEqual(unreadable.returncode, 2)
        self.assertIn(b"cannot read the channel list " + self.folder.encode(), unreadable.stderr)

    def test_usage_errors(self):
        path = self.list_file(b"y 501,Canale Uno\n")
        missing = os.path.join(self.folder, "tarvio.chanels")
        run = self.check("--channels", missing)
        self.assertEqual((run.returncode, run.stdout), (64, b""))
        self.assertEqual(run.stderr.decode(), "tarvio-fetch: --channels %s: No such file or directory "
                                              "(see tarvio-fetch --help)\n" % missing)
        for option in (["--days", "2"], ["--output", os.path.join(self.folder, "x.dat")], ["--timeout", "5"],
                       ["--if-older", "3"]):
            with self.subTest(option=option):
                run = self.check("--channels", path, *option)
                self.assertEqual((run.returncode, run.stdout), (64, b""))
                self.assertIn(b"--check fetches nothing: " + option[0].encode(), run.stderr)
        self.assertEqual(sorted(os.listdir(self.folder)), ["tarvio.channels"])


if __name__ == "__main__":
    unittest.main()
