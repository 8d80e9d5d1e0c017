#!/usr/bin/env python3
"""xmltv_bench.py: how fast and in how little memory the XMLTV reader reads a large guide.

Generates (once, kept in the cache folder) a made-up guide of some 100 MB
unpacked, 200 channels and 7 days from today, its gzip, and a guide twice
its size by twice the channels. Then, with 10 channels wanted, measures in
turn over the same file, plain and gzip:
  - a bare Expat pass that only counts elements (the floor),
  - the reader command (by default bench's driver of the XMLTV reader),
  - a Python xml.etree.ElementTree.iterparse converter of the same selection,
each run under /usr/bin/time, which gives its processor time and peak
resident memory, in turns, several rounds. Prints MB/s (10^6 bytes unpacked
per second of processor time, the best round; wall time beside it) and peak RSS,
the ratios, and whether the targets are met: at least 0.8 of the bare
pass's speed, at least 3 times Python's, a peak under 16 MB that grows
less than 10% for the doubled guide. Exit status 1 when a target is missed.

    python3 bench/xmltv_bench.py [--build build] [--rounds 3] [--python-rounds N] [--cache DIR]
                                 [--reader-command TEMPLATE]
    python3 bench/xmltv_bench.py --compare [--build build] [--reader-command TEMPLATE]

TEMPLATE is a command (split as the shell splits words) with {guide}, {ids}, {days}, {languages} (as
"--lang it --lang en") and {output} (the EPG file it writes) in it, and
{build}, the build folder; the default runs build/xmltv_read_bench. With
--compare it instead checks on a small guide (plain, gzip and xz) that the
reader command writes the same EPG records as the Python converter.
"""

import argparse
import datetime
import glob
import gzip
import lzma
import os
import shlex
import subprocess
import sys
import tempfile

TOP = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
GENERATOR = os.path.join(TOP, "scripts", "make_xmltv_guide.py")
PYTHON_CONVERTER = os.path.join(TOP, "bench", "xmltv_iterparse.py")
DAYS = 7
CHANNELS = 200
WANTED = ["ch%03d.example" % n for n in range(17, 171, 17)]
TIME = "/usr/bin/time"
# tarvio-fetch itself, reading the guide as a run does: the source, the
# channel list of the wanted ids, the EPG file (its exit status 1, a day
# short at the guide's end, still wrote it). {channels} is a channel list
# of the ids, written beside the output.
DEFAULT_READER = ("{build}/tarvio-fetch --quiet --config /dev/null --channels {channels} --days {days} "
                  "--output {output} --xmltv {guide}")
# The reader alone, without the run around it.
BARE_READER = "{build}/xmltv_read_bench --days {days} {languages} --output {output} {guide} {ids}"


def generate(path, channels, days, seed, start=None, packing=None):
    command = [sys.executable, GENERATOR, "--channels", str(channels), "--days", str(days), "--seed", str(seed),
               "--output", path]
    if start:
        command += ["--start", start]
    if packing:
        command.append("--" + packing)
    subprocess.run(command, check=True)


def gzip_file(source, target):
    with open(source, "rb") as plain, open(target, "wb") as out:
        with gzip.GzipFile(filename="", mode="wb", fileobj=out, mtime=0, compresslevel=6) as packed:
            while True:
                block = plain.read(1 << 20)
                if not block:
                    break
                packed.write(block)


def guides(cache):
    """The plain and gzip guide of CHANNELS channels and the plain one of twice as many, made for today."""
    os.makedirs(cache, exist_ok=True)
    today = datetime.date.today().strftime("%Y%m%d")
    names = {
        "plain": os.path.join(cache, "guide-%dch-%s.xml" % (CHANNELS, today)),
        "gzip": os.path.join(cache, "guide-%dch-%s.xml.gz" % (CHANNELS, today)),
        "doubled": os.path.join(cache, "guide-%dch-%s.xml" % (2 * CHANNELS, today)),
    }
    # Yesterday's guides have their programmes a day early: make them anew.
    for old in glob.glob(os.path.join(cache, "guide-*ch-*.xml*")):
        if old not in names.values():
            os.remove(old)
    if not os.path.exists(names["plain"]):
        print("generating %s ..." % names["plain"], flush=True)
        generate(names["plain"], CHANNELS, DAYS, 1)
    if not os.path.exists(names["gzip"]):
        gzip_file(names["plain"], names["gzip"])
    if not os.path.exists(names["doubled"]):
        print("generating %s ..." % names["doubled"], flush=True)
        generate(names["doubled"], 2 * CHANNELS, DAYS, 1)
    return names


def run_measured(command):
    """Runs the command (a string, split as the shell would) under /usr/bin/time, a small program whose
    own memory is not counted in, as a forking Python would have its own counted in the child's peak.
    Returns the child's processor time (user and system) and wall time in seconds, and its peak RSS in KiB."""
    with tempfile.NamedTemporaryFile("r") as figures, tempfile.TemporaryFile() as errors:
        child = subprocess.run([TIME, "-f", "%U %S %e %M", "-o", figures.name] + shlex.split(command),
                               stdout=subprocess.DEVNULL, stderr=errors)
        # tarvio-fetch says 1 when a channel lacks a day, with the file written.
        if child.returncode not in (0, 1):
            errors.seek(0)
            sys.exit("failed (%d): %s\n%s" % (child.returncode, command, errors.read().decode(errors="replace")))
        user, system, wall, peak = figures.read().split()[-4:]
    return float(user) + float(system), float(wall), int(peak)


def best_of(commands, rounds):
    """Runs each named command `rounds` times, taking turns, so that a busy spell of the machine falls on all
    of them alike. Per name: the least processor time, the least wall time, the highest peak."""
    results = {name: [float("inf"), float("inf"), 0] for name in commands}
    for _ in range(rounds):
        for name, (command, turns) in commands.items():
            if turns is not None and turns <= 0:
                continue
            cpu, wall, peak = run_measured(command)
            best = results[name]
            results[name] = [min(best[0], cpu), min(best[1], wall), max(best[2], peak)]
            if turns is not None:
                commands[name] = (command, turns - 1)
    return results


def reader_command(template, build, guide, output, ids=WANTED, days=DAYS, languages=()):
    channels = output + ".channels"
    with open(channels, "w") as listed:
        listed.write("".join("y %s,%s\n" % (i, i) for i in ids))
    return template.format(build=shlex.quote(build), guide=shlex.quote(guide), output=shlex.quote(output),
                           channels=shlex.quote(channels),
                           days=days, ids=" ".join(shlex.quote(i) for i in ids),
                           languages=" ".join("--lang " + shlex.quote(code) for code in languages))


def python_command(guide, output, ids=WANTED, days=DAYS, languages=()):
    command = [sys.executable, PYTHON_CONVERTER, "--days", str(days), "--output", output]
    for code in languages:
        command += ["--lang", code]
    return " ".join(shlex.quote(part) for part in command + [guide] + list(ids))


def benchmark(args):
    names = guides(args.cache)
    size = os.path.getsize(names["plain"])
    floor = os.path.join(args.build, "xmltv_expat_floor")
    results = {}
    with tempfile.TemporaryDirectory() as folder:
        output = os.path.join(folder, "epg.dat")
        for kind in ("plain", "gzip"):
            guide = names[kind]
            results[kind] = best_of({
                "bare Expat pass": ("%s %s" % (shlex.quote(floor), shlex.quote(guide)), None),
                "tarvio-fetch": (reader_command(args.reader_command, args.build, guide, output), None),
                "Python iterparse": (python_command(guide, output), args.python_rounds),
            }, args.rounds)
        doubled = best_of({
            "tarvio-fetch": (reader_command(args.reader_command, args.build, names["plain"], output), None),
            "doubled": (reader_command(args.reader_command, args.build, names["doubled"], output), None),
        }, args.rounds)

    print("guide: %.1f MB unpacked (%d channels, %d days), gzip %.1f MB; %d channels wanted; best of %d rounds"
          % (size / 1e6, CHANNELS, DAYS, os.path.getsize(names["gzip"]) / 1e6, len(WANTED), args.rounds))
    print("MB/s: 10^6 bytes unpacked per second of processor time (wall time beside it)")
    print("%-18s %18s %10s %18s %10s" % ("", "plain MB/s (wall)", "peak RSS", "gzip MB/s (wall)", "peak RSS"))
    for name in ("bare Expat pass", "tarvio-fetch", "Python iterparse"):
        row = [name]
        for kind in ("plain", "gzip"):
            cpu, wall, peak = results[kind][name]
            row += ["%.0f (%.0f)" % (size / 1e6 / cpu, size / 1e6 / wall), "%.1f MB" % (peak / 1024)]
        print("%-18s %18s %10s %18s %10s" % tuple(row))

    missed = []
    for kind in ("plain", "gzip"):
        reader_cpu, _, reader_peak = results[kind]["tarvio-fetch"]
        to_floor = results[kind]["bare Expat pass"][0] / reader_cpu
        to_python = results[kind]["Python iterparse"][0] / reader_cpu
        print("%s: %.2f of the bare pass's speed (target 0.8), %.1f times Python's (target 3), peak %.1f MB "
              "(target under 16)" % (kind, to_floor, to_python, reader_peak / 1024))
        if to_floor < 0.8 or to_python < 3 or reader_peak >= 16 * 1024:
            missed.append(kind)
    growth = doubled["doubled"][2] / doubled["tarvio-fetch"][2] - 1
    print("doubled guide (%d channels, %.1f MB): peak %.1f MB against %.1f MB, %+.1f%% (target under +10%%)"
          % (2 * CHANNELS, os.path.getsize(names["doubled"]) / 1e6, doubled["doubled"][2] / 1024,
             doubled["tarvio-fetch"][2] / 1024, growth * 100))
    if growth >= 0.10:
        missed.append("doubled")
    if missed:
        print("targets missed: %s" % ", ".join(missed))
        return 1
    print("all targets met")
    return 0


def compare(args):
    """The reader command and the Python converter write the same records for a small guide. Both take
    today's window: a run that spans a midnight is made again."""
    for _ in range(3):
        day = datetime.date.today()
        failures = compare_once(args)
        if datetime.date.today() == day:
            return failures
    return failures


def compare_once(args):
    ids = ["ch001.example", "CH003.example", "missing.example", "ch001.example", "ch005.example"]
    failures = 0
    with tempfile.TemporaryDirectory() as folder:
        plain = os.path.join(folder, "guide.xml")
        generate(plain, 5, 3, 7)
        packed = {"plain": plain, "gzip": plain + ".gz", "xz": plain + ".xz"}
        gzip_file(plain, packed["gzip"])
        with open(plain, "rb") as source, lzma.open(packed["xz"], "wb") as out:
            out.write(source.read())
        for languages in ((), ("it", "en")):
            expected = os.path.join(folder, "python.epg")
            run_measured(python_command(plain, expected, ids, 3, languages))
            with open(expected, "rb") as file:
                want = file.read()
            for kind, guide in packed.items():
                output = os.path.join(folder, "reader.epg")
                run_measured(reader_command(args.reader_command, args.build, guide, output, ids, 3, languages))
                with open(output, "rb") as file:
                    got = file.read()
                same = got == want and want.count(b"\nE ") > 100
                print("%s, languages %s: %s" % (kind, " ".join(languages) or "none", "same" if same else "DIFFERENT"))
                failures += not same
    return 1 if failures else 0


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--build", default=os.path.join(TOP, "build"))
    parser.add_argument("--cache", help="where the generated guides are kept (default BUILD/xmltv-bench)")
    parser.add_argument("--rounds", type=int, default=3)
    parser.add_argument("--python-rounds", type=int, help="rounds of the Python converter (default: --rounds)")
    parser.add_argument("--reader-command", help="the reader to measure (default: tarvio-fetch; with "
                        "--compare, the bare reader, which takes --lang)")
    parser.add_argument("--compare", action="store_true")
    args = parser.parse_args()
    if args.reader_command is None:
        args.reader_command = BARE_READER if args.compare else DEFAULT_READER
    args.build = os.path.abspath(args.build)
    args.python_rounds = args.python_rounds or args.rounds
    args.cache = args.cache or os.path.join(args.build, "xmltv-bench")
    if not os.access(TIME, os.X_OK):
        sys.exit("%s is needed to measure memory (Debian package time)" % TIME)
    sys.exit(compare(args) if args.compare else benchmark(args))


if __name__ == "__main__":
    main()
