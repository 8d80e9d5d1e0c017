#!/usr/bin/env python3
"""fetch_overhead.py: how much longer a tarvio-fetch run takes than the bare wget calls it makes.

Starts scripts/sample_guide_service.py on loopback and times, alternately,
(a) tarvio-fetch for 3 channels and 7 days and (b) a plain shell script of
the same 21 wget calls and 4 clean-ups, with the same URLs and the same
/tmp paths. Prints the median wall time of each and the median of the
pairs' ratios (a)/(b). A run starts one sh per command more than the
script does; everything else beyond that is the run's own overhead.

    python3 bench/fetch_overhead.py [--fetch build/tarvio-fetch] [--pairs 9]
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
    """The settings, channel list and bare script the two sides run."""
    paths = {name: os.path.join(folder, name) for name in ("tarvio.conf", "tarvio.channels", "bare.sh")}
    with open(paths["tarvio.conf"], "w") as out:
        out.write("# Tarvio config file - DO NOT EDIT!\n%s\n%d\n" % (os.path.join(folder, "guide.dat"), DAYS))
    with open(paths["tarvio.channels"], "w") as out:
        out.writelines("y %d,Channel %d\n" % (channel, channel) for channel in CHANNELS)
    with open(paths["bare.sh"], "w") as out:
        out.write(bare_script(host))
    return paths


def timed(command, env):
    """Wall time of one command, in seconds; a failing command ends the benchmark."""
    started = time.perf_counter()
    done = subprocess.run(command, env=env, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                          stderr=subprocess.DEVNULL)
    took = time.perf_counter() - started
    if done.returncode != 0:
        sys.exit("%s ended with exit status %d" % (" ".join(command), done.returncode))
    return took


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--fetch", default=os.path.join(TOP, "build", "tarvio-fetch"), help="tarvio-fetch to time")
    parser.add_argument("--pairs", type=int, default=9, help="alternating pairs of runs to time")
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
            bare = ["/bin/sh", paths["bare.sh"]]
            # One pair untimed: the first run of each warms the caches.
            timed(fetch, env)
            timed(bare, env)
            runs, loops = [], []
            for _ in range(options.pairs):
                runs.append(timed(fetch, env))
                loops.append(timed(bare, env))
        finally:
            service.terminate()
            service.wait()

    ratios = [run / loop for run, loop in zip(runs, loops)]
    print("tarvio-fetch, %d channels x %d days: median %.3f s" % (len(CHANNELS), DAYS, statistics.median(runs)))
    print("bare shell script of the same commands: median %.3f s" % statistics.median(loops))
    print("median ratio of %d pairs: %.2f (lowest %.2f, highest %.2f)"
          % (len(ratios), statistics.median(ratios), min(ratios), max(ratios)))


if __name__ == "__main__":
    main()
