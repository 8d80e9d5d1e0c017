#!/usr/bin/env python3
"""sample_guide_service.py: a made-up TV guide service on loopback for trying the plug-in out.

Serves a guide document for any channel and date, invented from the
channel id and the date so the same request always gets the same day.
Reached by wget as its HTTP proxy (http_proxy=http://127.0.0.1:PORT/), so
any guide host name works. Stops by itself after --lifetime seconds.
"""

import argparse
import os
import http.server
import random
import re
import sys
import threading

EXPORT = re.compile(r"/static/epg/timeline/export/canale_export_(-?\d+)_(\d{8})\.xml$")

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


class Handler(http.server.BaseHTTPRequestHandler):
    def do_GET(self):
        match = EXPORT.search(self.path.split("?", 1)[0])
        if not match:
            self.send_error(404)
            return
        body = day_document(int(match.group(1)), match.group(2))
        self.send_response(200)
        self.send_header("Content-Type", "text/xml")
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def log_message(self, format, *args):
        if self.server.verbose:
            sys.stderr.write("guide service: %s\n" % (format % args))


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--port", type=int, default=0, help="port on 127.0.0.1 (0: any free one)")
    parser.add_argument("--port-file", help="write the port here once listening")
    parser.add_argument("--lifetime", type=float, default=600, help="seconds until the service stops")
    parser.add_argument("--verbose", action="store_true", help="log requests on standard error")
    options = parser.parse_args()

    server = http.server.HTTPServer(("127.0.0.1", options.port), Handler)
    server.verbose = options.verbose
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
