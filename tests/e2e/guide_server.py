"""guide_server.py: a guide web service for the tests, reached by wget as its HTTP proxy.

wget sends proxied requests with the absolute URL, so the server sees the
host the plug-in asked for as well as the path and date. It listens on
127.0.0.1 on a free port and records every request.
"""

import http.server
import re
import threading
import urllib.parse

_EXPORT = re.compile(r"^/static/epg/timeline/export/canale_export_(-?\d+)_(\d{8})\.xml$")


def guide_document(*events):
    """A guide document of (title, "HH:MM") or (title, "HH:MM", genre, description) events."""
    parts = ['<?xml version="1.0" encoding="UTF-8"?>\n<events>\n']
    for event in events:
        title, start = event[0], event[1]
        parts.append("<event><title>%s</title>" % title)
        if len(event) > 2:
            parts.append("<genre>%s</genre>" % event[2])
        if len(event) > 3:
            parts.append("<description>%s</description>" % event[3])
        parts.append("<startTime>%s</startTime></event>\n" % start)
    parts.append("</events>\n")
    return "".join(parts).encode("utf-8")


class Request:
    """One request as the server saw it."""

    def __init__(self, url):
        self.url = url
        parts = urllib.parse.urlsplit(url)
        self.host = parts.hostname
        self.path = parts.path
        match = _EXPORT.match(parts.path)
        self.channel = int(match.group(1)) if match else None
        self.date = match.group(2) if match else None

    def __repr__(self):
        return "Request(%r)" % self.url


class GuideServer:
    """Serves documents per (channel, "YYYYMMDD"); everything else is a 404.

    Use as a context manager; proxy_url is what http_proxy should hold.
    """

    def __init__(self):
        self.documents = {}
        self.requests = []
        self._lock = threading.Lock()
        self._server = None
        self._thread = None

    def serve(self, channel, date, body):
        if isinstance(body, str):
            body = body.encode("utf-8")
        self.documents[(channel, date)] = body

    def requested(self):
        """(channel, date) of every export request, in order."""
        with self._lock:
            return [(r.channel, r.date) for r in self.requests]

    @property
    def proxy_url(self):
        return "http://127.0.0.1:%d/" % self._server.server_address[1]

    def __enter__(self):
        owner = self

        class Handler(http.server.BaseHTTPRequestHandler):
            def do_GET(self):
                request = Request(self.path)
                with owner._lock:
                    owner.requests.append(request)
                body = owner.documents.get((request.channel, request.date))
                if body is None:
                    self.send_error(404)
                    return
                self.send_response(200)
                self.send_header("Content-Type", "text/xml")
                self.send_header("Content-Length", str(len(body)))
                self.end_headers()
                self.wfile.write(body)

            def log_message(self, *args):
                pass

        self._server = http.server.HTTPServer(("127.0.0.1", 0), Handler)
        self._thread = threading.Thread(target=self._server.serve_forever, kwargs={"poll_interval": 0.05},
                                        daemon=True)
        self._thread.start()
        return self

    def __exit__(self, *exc):
        self._server.shutdown()
        self._server.server_close()
        self._thread.join(timeout=5)
        return False
