"""test_sigchld_ignored.py: a host that ignores SIGCHLD still learns how each fetch ended, end to end."""

import subprocess
import sys
import time
import unittest

from box import Run, plugin_path, tvhost_path
from test_download import DONE, EPG, Screens
from test_guide_kept import RECORD, GuideCase, outcome

# Starts the rest of its command line with SIGCHLD ignored, as a host may
# have it: the disposition survives exec, and the kernel then reaps the
# host's children for it, so that waitpid() says ECHILD. (Done by exec, not
# by a preexec_fn: the guide server's threads run in this process.)
IGNORING_SIGCHLD = [sys.executable, "-c",
                    "import os, signal, sys\n"
                    "signal.signal(signal.SIGCHLD, signal.SIG_IGN)\n"
                    "os.execv(sys.argv[1], sys.argv[1:])\n"]


def ignored_signals(status):
    """The set of signal numbers a /proc/PID/status text says are ignored."""
    mask = int(next(line.split()[1] for line in status.splitlines() if line.startswith("SigIgn:")), 16)
    return {number for number in range(1, 65) if mask & (1 << (number - 1))}


class HostIgnoringSigchldTest(GuideCase):
    def download_ignoring_sigchld(self):
        command = IGNORING_SIGCHLD + [tvhost_path(), "--root", self.box.path, "--key", "green", plugin_path()]
        done = subprocess.run(command, stdin=subprocess.DEVNULL, capture_output=True, env=self.download_env(),
                              timeout=30, text=True, errors="replace")
        self.assertEqual(done.returncode, 0, done.stdout + done.stderr)
        return Screens(Run(done.returncode, done.stdout, done.stderr))

    def test_an_endless_answer_is_no_guide_data(self):
        # The host really starts with SIGCHLD ignored.
        status = subprocess.run(IGNORING_SIGCHLD + ["/bin/cat", "/proc/self/status"], capture_output=True,
                                text=True, check=True).stdout
        self.assertIn(17, ignored_signals(status))

        # One ends its answer never: the size limit ends its fetch, and an
        # unknown status read as success would convert what it cut.
        self.channels("y 1,One\ny 2,Two\n")
        self.server.endless(1)
        self.serve_days(2, "20080228", 1)
        started = time.monotonic()
        run = self.download_ignoring_sigchld()
        # The size limit ended it, not the fetch time limit.
        self.assertLess(time.monotonic() - started, 15)
        self.assertNotIn(DONE, run.last)
        self.assertIn(outcome("Download incomplete, guide replaced:", "no guide data for 1 of 2 channels,",
                              "old guide kept for 1"), run.last)
        epg = self.read(EPG)
        # One keeps its old block; Two has what its answer brought.
        self.assertTrue(epg.startswith("C 1 One\n" + RECORD % "Old one" + "c\nC 2 Two\nE 1 "), epg)
        self.assertNotIn("T x\n", epg)
        self.assertNoLeftovers()


if __name__ == "__main__":
    unittest.main()
