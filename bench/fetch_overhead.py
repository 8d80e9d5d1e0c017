#!/usr/bin/env python3
"""fetch_overhead.py: how much longer a tarvio-fetch run takes than the bare wget calls it makes.

Starts scripts/sample_guide_service.py on loopback and times, in turn,
(a) tarvio-fetch for 3 channels and 7 days, (b) a plain shell script of the
same 21 wget calls and 4 clean-ups, with the same URLs and the same /tmp
paths, and (c) that script with each command through a /bin/sh -c of its
own, as a run starts them. Prints the median wall times and the medians of
each round's ratios to (b). (c) is what a run cannot do with less; a run's
own overhead is what (a) takes beyond it.

    python3 bench/fetch_overhead.py [--fetch build/tarvio-fetch] [--rounds 9]
"""

import argparse
import datetime
import os
import statistics
import subprocess
import sys
import tempfile
import time

TOP = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
SERVICE = os.path.join(TOP, "scripts", "sample_guide_service.py")
CHANNELS = (501, 502, 520)
DAYS = 7
# tarvio-fetch keeps its documents here, whatever the box folder.
TEMP_DIR = "/tmp"


def guide_host(fetch):
    """The guide host the build fetches from, as --version names it."""
    version = subprocess.run([fetch, "--version"], stdout=subprocess.PIPE, text=True, check=True).stdout
    for line in version.splitlines():
        if line.startswith("guide host: "):
            return line[len("guide host: "):].strip()
    sys.exit("%s --version names no guide host" % fetch)


def start_service(folder):
    """The sample guide service on a free loopback port, and its proxy URL."""
    port_file = os.path.join(folder, "service.port")
    service = subprocess.Popen([sys.executable, SERVICE, "--port-file", port_file, "--lifetime", "900"])
    deadline = time.monotonic() + 10
    while not os.path.exists(port_file):
        if service.poll() is not None or time.monotonic() > deadline:
            service.kill()
            sys.exit("the sample guide service did not start")
        time.sleep(0.05)
    with open(port_file) as port:
        return service, "http://127.0.0.1:%d/" % int(port.read())


def bare_script(host):
    """The commands a run gives the shell, in its order, as one script."""
    lines = []
    today = datetime.date.today()
    for channel in CHANNELS:
        lines.append("rm -rf %s/*.trv" % TEMP_DIR)
        for day in range(DAYS):
            date = today + datetime.timedelta(days=day)
            lines.append("wget -q -O %s/%d_%d.trv http://%s/static/epg/timeline/export/canale_export_%d_%s.xml"
                         " 2> /dev/null" % (TEMP_DIR, channel, day + 1, host, channel, date.strftime("%Y%m%d")))
    lines.append("rm -rf %s/*.trv" % TEMP_DIR)
    return "\n".join(lines) + "\n"


def write_box(folder, host):
    """The settings, channel list and scripts the sides run."""
    paths = {name: os.path.join(folder, name)
             for name in ("tarvio.conf", "tarvio.channels", "bare.sh", "shelled.sh")}
    with open(paths["tarvio.conf"], "w") as out:
        out.write("# Tarvio config file - DO NOT EDIT!\n%s\n%d\n" % (os.path.join(folder, "guide.dat"), DAYS))
    with open(paths["tarvio.channels"], "w") as out:
        out.writelines("y %d,Channel %d\n" % (channel, channel) for channel in CHANNELS)
    script = bare_script(host)
    with open(paths["bare.sh"], "w") as out:
        out.write(script)
    # The same commands, each through a shell of its own, as system() or a
    # run starts them: what a run cannot do with less.
    with open(paths["shelled.sh"], "w") as out:
        out.writelines("/bin/sh -c '%s'\n" % line for line in script.splitlines())
    return paths


# tarvio-fetch's exit status when another run holds /tmp/tarvio.lock.
BUSY = 3


def timed(command, env):
    """Wall time of one command in seconds, and its exit status."""
    started = time.perf_counter()
    done = subprocess.run(command, env=env, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                          stderr=subprocess.DEVNULL)
    return time.perf_counter() - started, done.returncode


def checked(command, status):
    if status != 0:
        sys.exit("%s ended with exit status %d" % (" ".join(command), status))


def timed_round(fetch, scripts, env):
    """One run, then each script, timed one after the other. A run that
    found the lock taken (a test elsewhere on the machine) is tried again."""
    for _ in range(20):
        run, status = timed(fetch, env)
        if status == BUSY:
            time.sleep(0.5)
            continue
        checked(fetch, status)
        times = [run]
        for script in scripts:
            took, status = timed(script, env)
            checked(script, status)
            times.append(took)
        return times
    sys.exit("another download held /tmp/tarvio.lock throughout")


def report(name, times, bases):
    ratios = [time / base for time, base in zip(times, bases)]
    print("%s: median %.3f s, median ratio %.2f (lowest %.2f, highest %.2f)"
          % (name, statistics.median(times), statistics.median(ratios), min(ratios), max(ratios)))


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--fetch", default=os.path.join(TOP, "build", "tarvio-fetch"), help="tarvio-fetch to time")
    parser.add_argument("--rounds", type=int, default=9, help="rounds of (a), (b) and (c) to time")
    options = parser.parse_args()

    host = guide_host(options.fetch)
    with tempfile.TemporaryDirectory() as folder:
        service, proxy = start_service(folder)
        try:
            paths = write_box(folder, host)
            env = dict(os.environ, http_proxy=proxy, no_proxy="")
            for name in ("HTTP_PROXY", "https_proxy", "HTTPS_PROXY", "all_proxy", "ALL_PROXY"):
                env.pop(name, None)
            fetch = [options.fetch, "--config", paths["tarvio.conf"], "--channels", paths["tarvio.channels"]]
            scripts = [["/bin/sh", paths["bare.sh"]], ["/bin/sh", paths["shelled.sh"]]]
            # One round untimed: the first run of each warms the caches.
            timed_round(fetch, scripts, env)
            rounds = [timed_round(fetch, scripts, env) for _ in range(options.rounds)]
        finally:
            service.terminate()
            service.wait()

    runs, bares, shelled = zip(*rounds)
    print("%d rounds, %d channels x %d days; ratios are to the bare script of the same round"
          % (len(rounds), len(CHANNELS), DAYS))
    report("bare shell script of the run's commands", bares, bares)
    report("the same, each command through /bin/sh -c", shelled, bares)
    report("tarvio-fetch", runs, bares)
    report("tarvio-fetch to the /bin/sh -c script", runs, shelled)


if __name__ == "__main__":
    main()
