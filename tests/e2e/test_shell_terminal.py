"""test_shell_terminal.py: tvhost on a terminal (a pseudo-terminal here):
the screen is drawn, keys are read, and the terminal is restored however
tvhost ends."""

import fcntl
import os
import select
import signal
import struct
import subprocess
import termios
import time
import unittest

import box


class Terminal:
    """tvhost running on a fresh pseudo-terminal of 40 rows by 100 columns."""

    def __init__(self, test_box):
        self.master, self.slave = os.openpty()
        fcntl.ioctl(self.slave, termios.TIOCSWINSZ, struct.pack("HHHH", 40, 100, 0, 0))
        self.before = termios.tcgetattr(self.slave)
        env = dict(os.environ, TERM="xterm")
        self.process = subprocess.Popen(
            [box.tvhost_path(), "--root", test_box.path, box.plugin_path()],
            stdin=self.slave, stdout=self.slave, stderr=self.slave, env=env,
            start_new_session=True)
        self.output = b""

    def read_until(self, text, timeout=20):
        """Reads the terminal until text has appeared (True) or time is up."""
        deadline = time.monotonic() + timeout
        needle = text.encode()
        while needle not in self.output:
            left = deadline - time.monotonic()
            if left <= 0:
                return False
            ready, _, _ = select.select([self.master], [], [], min(left, 0.2))
            if ready:
                try:
                    self.output += os.read(self.master, 65536)
                except OSError:
                    return needle in self.output
        return True

    def send(self, data):
        os.write(self.master, data.encode())

    def finish(self, timeout=20):
        try:
            code = self.process.wait(timeout=timeout)
        finally:
            if self.process.poll() is None:
                self.process.kill()
                self.process.wait()
        # Drain what is left (the replayed standard error comes last).
        while True:
            ready, _, _ = select.select([self.master], [], [], 0.1)
            if not ready:
                break
            try:
                chunk = os.read(self.master, 65536)
            except OSError:
                break
            if not chunk:
                break
            self.output += chunk
        return code

    def close(self):
        if self.process.poll() is None:
            self.process.kill()
            self.process.wait()
        os.close(self.master)
        os.close(self.slave)


class TerminalMode(unittest.TestCase):
    def setUp(self):
        self.box = box.make_box()
        self.addCleanup(self.box.cleanup)
        self.term = Terminal(self.box)
        self.addCleanup(self.term.close)

    def assert_restored(self):
        self.assertEqual(termios.tcgetattr(self.term.slave), self.term.before,
                         "terminal settings not restored")

    def test_draws_main_page_and_q_closes(self):
        self.assertTrue(self.term.read_until("Press blue button to setup."), self.term.output)
        self.assertIn(b"Download", self.term.output)
        self.term.send("q")
        self.assertEqual(self.term.finish(), 0)
        self.assert_restored()
        # The plug-in's standard error reaches the terminal after the screen.
        self.assertIn(b"WCLOSE!", self.term.output)

    def test_letters_type_into_a_focused_input_and_f2_saves(self):
        self.assertTrue(self.term.read_until("Press blue button"))
        self.term.send("b")
        self.assertTrue(self.term.read_until("EPG filename:"), self.term.output)
        # On the setup page the file name input has the focus: q and g are
        # typed; F2 is the green key (Save).
        self.term.send("qg")
        self.term.send("\x1bOQ")
        conf = os.path.join(self.box.plugins, "tarvio.conf")
        deadline = time.monotonic() + 20
        while not os.path.exists(conf) and time.monotonic() < deadline:
            time.sleep(0.05)
        self.term.send("\x1b")
        self.assertEqual(self.term.finish(), 0)
        self.assert_restored()
        with open(conf) as f:
            self.assertEqual(f.read().splitlines()[1], "/mnt/usb/lomvi.datqg")

    def test_signal_restores_the_terminal(self):
        self.assertTrue(self.term.read_until("Press blue button"))
        self.term.process.send_signal(signal.SIGTERM)
        self.assertEqual(self.term.finish(), -signal.SIGTERM)
        self.assert_restored()


class NoTerminal(unittest.TestCase):
    def test_refuses_without_keys_off_a_terminal(self):
        done = subprocess.run([box.tvhost_path(), box.plugin_path()], stdin=subprocess.DEVNULL,
                              capture_output=True, text=True, timeout=60)
        self.assertNotEqual(done.returncode, 0)
        self.assertIn("not on a terminal", done.stderr)
        self.assertEqual(done.stdout, "")


if __name__ == "__main__":
    unittest.main()
