"""test_download_failures.py: the download run's failures and channel list edge cases, end to end."""

import os
import re
import unittest

from guide_server import guide_document
from test_download import DONE, EPG, DownloadCase

OLD_GUIDE = "C 1 Yesterday\nc\n"


def incomplete(details):
    """The outcome of a run that replaced the guide, with what it lacks."""
    return "Download incomplete, guide replaced: %s Press EXIT to close" % details


def not_replaced(without, total):
    return "Download failed, old guide kept: no guide data for %d of %d channels Press EXIT to close" % (without, total)


class FailureTest(DownloadCase):
    def setUp(self):
        super().setUp()
        self.write(EPG, OLD_GUIDE)

    def test_missing_channel_list_keeps_the_old_guide(self):
        self.settings(days=1)
        run = self.download()
        self.assertIn("File not found: /var/kestra/plugins/tarvio.channels Press EXIT to close", run.last)
        self.assertEqual(self.server.requests, [])
        self.assertEqual(self.read(EPG), OLD_GUIDE)
        self.assertNoLeftovers()

    def test_unwritable_output(self):
        self.channels("y 1,One\n")
        os.makedirs(self.path("/mnt/usb/folder"))
        for path in ("/mnt/nowhere/lomvi.dat", "", "/mnt/usb/folder", "/mnt/usb/"):
            with self.subTest(path=path):
                self.settings(epg=path, days=1)
                run = self.download()
                self.assertIn(("Unable to open output file: %s Press EXIT to close" % path).replace("  ", " "),
                              run.last)
                self.assertEqual(self.server.requests, [])
        self.assertEqual(self.read(EPG), OLD_GUIDE)
        self.assertNoLeftovers(("folder", "lomvi.dat"))

    def test_channel_without_data(self):
        self.channels("y 1,One\ny 2,Two\ny 3,Three\n")
        self.settings(days=2)
        self.serve_days(2, "20080228", 2)
        # wget leaves an empty file for a 404; ten bytes are no better.
        self.server.serve(3, "20080228", "0123456789")
        run = self.download()
        self.assertIn(incomplete("no guide data for 2 of 3 channels"), run.last)
        self.assertRequested([(1, "20080228"), (2, "20080228"), (2, "20080229"), (3, "20080228")])
        # What did arrive replaces the old guide.
        epg = self.read(EPG)
        self.assertEqual(re.findall(r"^[Cc].*$", epg, re.M), ["C 1 One", "c", "C 2 Two", "c", "C 3 Three", "c"])
        self.assertEqual(len(re.findall(r"^E ", epg, re.M)), 3)
        self.assertNoLeftovers()

    def test_no_data_at_all_keeps_the_old_guide(self):
        self.channels("y 1,One\ny 2,Two\n")
        self.settings(days=7)
        run = self.download()
        self.assertIn(not_replaced(2, 2), run.last)
        self.assertRequested([(1, "20080228"), (2, "20080228")])
        self.assertEqual(self.read(EPG), OLD_GUIDE)
        self.assertNoLeftovers()

    def test_failed_second_day(self):
        self.channels("y 1,One\ny 2,Two\n")
        self.settings(days=3)
        self.server.serve(1, "20080228", guide_document(("Early", "06:00"), ("Late", "23:00")))
        self.server.serve(1, "20080301", guide_document(("Never", "06:00")))
        self.server.serve(2, "20080228", guide_document(("A", "06:00")))
        # Eleven bytes count as a document, so the next day is fetched, but
        # they hold no guide.
        self.server.serve(2, "20080229", "01234567890")
        self.server.serve(2, "20080301", guide_document(("B", "07:00"), ("C", "08:00")))
        run = self.download()
        self.assertIn(incomplete("fewer days than asked for 2 of 2 channels"), run.last)
        self.assertRequested([(1, "20080228"), (1, "20080229"), (2, "20080228"), (2, "20080229"), (2, "20080301")])
        epg = self.read(EPG)
        # Channel 1 keeps day 1's records, less its last event.
        block = epg[:epg.index("c\n") + 2]
        self.assertEqual(re.findall(r"^T .*$", block, re.M), ["T Early"])
        self.assertEqual(re.findall(r"^T .*$", epg[len(block):], re.M), ["T A", "T B"])


class ChannelListTest(DownloadCase):
    def setUp(self):
        super().setUp()
        self.settings(days=1)

    def test_list_without_channels_keeps_the_old_guide(self):
        for text in ("", "\ny 1,One\n", " y 1,One\n", "x 1,One\n", "n 1,Off\n# none\n", "\ufeffy 1,One\n"):
            with self.subTest(list=text):
                self.write(EPG, OLD_GUIDE)
                self.channels(text)
                run = self.download()
                self.assertEqual(run.progress(), [])
                self.assertIn("No channel enabled in: /var/kestra/plugins/tarvio.channels Press EXIT to close",
                              run.last)
                self.assertEqual(self.read(EPG), OLD_GUIDE)
        self.assertEqual(self.server.requests, [])
        self.assertNoLeftovers()

    def test_lines_without_comma_are_not_channels(self):
        self.channels("y 1,One\ny 2 Two\ny\nY 3,Three\n")
        run = self.download()
        self.assertEqual(run.progress(), [(1, 2, 1, "One", "28/02"), (2, 2, 3, "Three", "28/02")])
        self.assertRequested([(1, "20080228"), (3, "20080228")])
        self.assertIn(not_replaced(2, 2), run.last)

    def test_long_line_continues_as_a_line_of_its_own(self):
        head = "y 1,"
        name = "N" * (255 - len(head))
        self.channels(head + name + "y 77,Piece\ny 2,Two\n")
        run = self.download()
        self.assertEqual(run.channels_shown(), [(1, 3, 1), (2, 3, 77), (3, 3, 2)])
        self.channels(head + name + "end of the list\ny 2,Two\n")
        self.server.requests.clear()
        run = self.download()
        self.assertEqual(run.channels_shown(), [(1, 1, 1)])

    def test_same_channel_twice(self):
        self.channels("y 5,Five\ny 5,Five again\n")
        self.server.serve(5, "20080228", guide_document(("A", "06:00"), ("B", "07:00")))
        run = self.download()
        self.assertIn(DONE, run.last)
        self.assertRequested([(5, "20080228"), (5, "20080228")])
        epg = self.read(EPG)
        self.assertEqual(re.findall(r"^C .*$", epg, re.M), ["C 1 Five", "C 2 Five again"])
        self.assertEqual(len(re.findall(r"^E 1 ", epg, re.M)), 2)


if __name__ == "__main__":
    unittest.main()
