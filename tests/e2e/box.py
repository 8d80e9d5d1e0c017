"""box.py: runs tvhost with the real plug-in inside a private box folder.

The end-to-end tests' common ground. Environment (set by ctest):
  TVHOST     path of the tvhost program
  TARVIO_SO  path of the plug-in, tarvio.so

API:
  make_box() -> Box
      A private temporary folder (mkdtemp) laid out like the box:
      box.path, box.var, box.mnt, box.tmp, box.plugins (= var/kestra/plugins),
      box.usb (= mnt/usb), all created. box.cleanup() removes it all; a Box
      is also a context manager (`with make_box() as box:`).
      Under tvhost --root, box.var/box.mnt/box.tmp stand at /var, /mnt, /tmp:
      the plug-in's /var/kestra/plugins/tarvio.conf is box.plugins/tarvio.conf.

  run_tvhost(box, keys, env=None, timeout=60, plugin=None) -> Run
      Runs `tvhost --root BOX --key K1 --key K2 ... tarvio.so`.
      keys: list of key names: red green yellow blue exit ok up down left
      right backspace 0..9, "text:STRING" (typed on a PC keyboard), and
      "wait" (lets the multi-tap timeout pass: in scripted mode the clock
      stands still, so a multi-tap character is committed only by "wait" or
      by another key). When the keys run out with the window open, tvhost
      presses exit. env: extra environment variables over os.environ
      (a value of None removes the variable). plugin: another .so to load.
      Raises subprocess.TimeoutExpired after timeout seconds.

  Run: returncode, stdout, stderr (str), screens: list of (heading, text)
      parsed from the "=== heading ===" blocks of stdout, in order; heading
      is e.g. "shown", "after green", "during green", "after exit".
      run.screen(heading) -> text of the last screen with that heading
      (KeyError if none). run.headings() -> list of headings.

Screen text: the rows of the window only, right-trimmed, as the 720x576
picture maps to 90x36 character cells (8x16 pixels each). The window is
framed with "+-- Title ---+" and "|"; buttons show their colour key as
"[green] Download" (or "[G] Save" where the full name does not fit); the
focused button has ">" in front; a focused input shows its cursor as "|"
before the character it stands on (after the last one at the end).
"""

import os
import re
import shutil
import subprocess
import tempfile

_HEADING = re.compile(r"^=== (.*) ===$")


class Box:
    def __init__(self, path):
        self.path = path
        self.var = os.path.join(path, "var")
        self.mnt = os.path.join(path, "mnt")
        self.tmp = os.path.join(path, "tmp")
        self.plugins = os.path.join(self.var, "kestra", "plugins")
        self.usb = os.path.join(self.mnt, "usb")
        for folder in (self.plugins, self.usb, self.tmp):
            os.makedirs(folder, exist_ok=True)

    def cleanup(self):
        shutil.rmtree(self.path, ignore_errors=True)

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.cleanup()
        return False


class Run:
    def __init__(self, returncode, stdout, stderr):
        self.returncode = returncode
        self.stdout = stdout
        self.stderr = stderr
        self.screens = parse_screens(stdout)

    def headings(self):
        return [heading for heading, _ in self.screens]

    def screen(self, heading):
        for name, text in reversed(self.screens):
            if name == heading:
                return text
        raise KeyError("no screen %r among %r" % (heading, self.headings()))


def parse_screens(stdout):
    """The (heading, text) pairs of tvhost's scripted output."""
    screens = []
    for line in stdout.splitlines():
        match = _HEADING.match(line)
        if match:
            screens.append((match.group(1), []))
        elif screens:
            screens[-1][1].append(line)
    return [(heading, "\n".join(lines)) for heading, lines in screens]


def make_box():
    return Box(tempfile.mkdtemp(prefix="tarvio-box-"))


def tvhost_path():
    return os.environ["TVHOST"]


def plugin_path():
    return os.environ["TARVIO_SO"]


def run_tvhost(box, keys, env=None, timeout=60, plugin=None):
    command = [tvhost_path(), "--root", box.path]
    for key in keys:
        command += ["--key", key]
    command.append(plugin or plugin_path())
    environment = dict(os.environ)
    for name, value in (env or {}).items():
        if value is None:
            environment.pop(name, None)
        else:
            environment[name] = value
    done = subprocess.run(command, stdin=subprocess.DEVNULL, capture_output=True,
                          env=environment, timeout=timeout, text=True, errors="replace")
    return Run(done.returncode, done.stdout, done.stderr)
