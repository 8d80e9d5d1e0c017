#!/usr/bin/env python3
"""sample_guide_service.py: a made-up TV guide service on loopback for trying the plug-in out.

Serves a guide document for any channel and date, invented from the
channel id and the date so the same request always gets the same day.
Also serves a made-up XMLTV guide from today on, of any host, at
/xmltv/guide.xml, /xmltv/guide.xml.gz and /xmltv/guide.xml.xz: made by
make_xmltv_guide.py on the first request for it (or at the start with
--xmltv-now), --xmltv-channels channels (ch001.example, ...) for
--xmltv-days days. Reached by wget as its HTTP proxy
(http_proxy=http://127.0.0.1:PORT/), so any guide host name works. Stops
by itself after --lifetime seconds.
"""

import argparse
import datetime
import gzip
import lzma
import os
import http.server
import random
import re
import subprocess
import sys
import threading

EXPORT = re.compile(r"/static/epg/timeline/export/canale_export_(-?\d+)_(\d{8})\.xml$")
XMLTV = re.compile(r"/xmltv/guide\.xml(\.gz|\.xz)?$")
GENERATOR = os.path.join(os.path.dirname(os.path.abspath(__file__)), "make_xmltv_guide.py")

TITLES = ["Morning News", "Weather", "Cooking with Ada", "The Old Lighthouse", "Quiz Hour",
          "Football Tonight", "Mountains of the North", "Evening News", "Late Film: The Long Road",
          "Documentary: Rivers", "Cartoons", "Talk Show", "Jazz Session", "Garden Hour"]
GENRES = ["News", "Entertainment", "Film", "Sport", "Documentary", "Children", "Music"]


def day_document(channel, date):
    """One day's listing from 06:00 on, events of 30 to 120 minutes."""
    chooser = random.Random("%d-%s" % (channel, date))
    parts = ['<?xml version="1.0" encoding="UTF-8"?>\n<events channel="%d" date="%s">\n' % (channel, date)]
    minute = 6 * 60
    while minute < 24 * 60:
        title = chooser.choice(TITLES)
        parts.append(
            "<event><title>%s</title><genre>%s</genre>"
            "<description>%s on channel %d.</description>"
            "<startTime>%02d:%02d</startTime></event>\n"
            % (title, chooser.choice(GENRES), title, channel, minute // 60, minute % 60))
        minute += chooser.choice([30, 45, 60, 90, 120])
    parts.append("</events>\n")
    return "".join(parts).encode("utf-8")


class XmltvGuides:
    """Today's made-up XMLTV guide, plain, gzip and xz, made once when first wanted."""

    TYPES = {"": "text/xml", ".gz": "application/gzip", ".xz": "application/x-xz"}

    def __init__(self, channels, days, seed):
        self.arguments = ["--channels", str(channels), "--days", str(days), "--seed", str(seed)]
        self.lock = threading.Lock()
        self.forms = {}

    def get(self, packing):
        """The guide's bytes as packing ("", ".gz" or ".xz") has them."""
        with self.lock:
            if "" not in self.forms:
                today = datetime.date.today().strftime("%Y%m%d")
                self.forms[""] = subprocess.run([sys.executable, GENERATOR, *self.arguments, "--start", today],
                                                check=True, stdout=subprocess.PIPE).stdout
            if packing not in self.forms:
                # As make_xmltv_guide.py packs: no name or time in the gzip
                # header, xz's default preset.
                if packing == ".gz":
                    self.forms[packing] = gzip.compress(self.forms[""], mtime=0)
                else:
                    self.forms[packing] = lzma.compress(self.forms[""], preset=6)
            return self.forms[packing]


class Handler(http.server.BaseHTTPRequestHandler):
    def do_GET(self):
        path = self.path.split("?", 1)[0]
        match = EXPORT.search(path)
        if match:
            self.answer(day_document(int(match.group(1)), match.group(2)), "text/xml")
            return
        match = XMLTV.search(path)
        if match:
            packing = match.group(1) or ""
            self.answer(self.server.guides.get(packing), XmltvGuides.TYPES[packing])
            return
        self.send_error(404)

    def answer(self, body, content_type):
        self.send_response(200)
        self.send_header("Content-Type", content_type)
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        try:
            self.wfile.write(body)
        except (BrokenPipeError, ConnectionResetError):
            # The client went away (a fetch that was ended): nothing to tell.
            pass

    def log_message(self, format, *args):
        if self.server.verbose:
            sys.stderr.write("guide service: %s\n" % (format % args))


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--port", type=int, default=0, help="port on 127.0.0.1 (0: any free one)")
    parser.add_argument("--port-file", help="write the port here once listening")
    parser.add_argument("--lifetime", type=float, default=600, help="seconds until the service stops")
    parser.add_argument("--verbose", action="store_true", help="log requests on standard error")
    parser.add_argument("--xmltv-channels", type=int, default=10, help="channels of the XMLTV guide")
    parser.add_argument("--xmltv-days", type=int, default=7, help="days of the XMLTV guide, from today")
    parser.add_argument("--xmltv-seed", default="1", help="the XMLTV guide's seed (another seed, other texts)")
    parser.add_argument("--xmltv-now", action="store_true",
                        help="make the XMLTV guide in its three forms before listening, not on the first request")
    options = parser.parse_args()
    if options.xmltv_channels < 1 or options.xmltv_days < 1:
        parser.error("--xmltv-channels and --xmltv-days must be 1 or more")

    guides = XmltvGuides(options.xmltv_channels, options.xmltv_days, options.xmltv_seed)
    if options.xmltv_now:
        for packing in XmltvGuides.TYPES:
            guides.get(packing)
    server = http.server.HTTPServer(("127.0.0.1", options.port), Handler)
    server.verbose = options.verbose
    server.guides = guides
    if options.port_file:
        with open(options.port_file + ".new", "w") as out:
            out.write("%d\n" % server.server_address[1])
        os.replace(options.port_file + ".new", options.port_file)
    else:
        print(server.server_address[1], flush=True)
    timer = threading.Timer(options.lifetime, server.shutdown)
    timer.daemon = True
    timer.start()
    try:
        server.serve_forever(poll_interval=0.2)
    except KeyboardInterrupt:
        pass
    finally:
        server.server_close()


if __name__ == "__main__":
    main()
