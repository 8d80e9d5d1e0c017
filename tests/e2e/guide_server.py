"""guide_server.py: a guide web service for the tests, reached by wget as its HTTP proxy.

wget sends proxied requests with the absolute URL, so the server sees the
host the plug-in asked for as well as the path and date. It listens on
127.0.0.1 on a free port and records every request.
"""

import http.server
import re
import threading
import time
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

    A channel can also misbehave as real services do: hang(channel) accepts
    its requests and never answers, drip(channel) sends a byte a second,
    delay(channel, seconds) answers late, cut(channel) sends the first half
    of its document and closes the connection, endless(channel) sends data
    as fast as it can, for ever. Use as a context manager;
    proxy_url is what http_proxy should hold.
    """

    def __init__(self):
        self.documents = {}
        self.requests = []
        self.behaviours = {}
        self._lock = threading.Lock()
        self._closing = threading.Event()
        self._server = None
        self._thread = None

    def hang(self, channel):
        self.behaviours[channel] = ("hang", None)

    def drip(self, channel):
        self.behaviours[channel] = ("drip", None)

    def cut(self, channel):
        self.behaviours[channel] = ("cut", None)

    def endless(self, channel):
        self.behaviours[channel] = ("endless", None)

    def delay(self, channel, seconds):
        self.behaviours[channel] = ("delay", seconds)

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
                behaviour, value = owner.behaviours.get(request.channel, (None, None))
                if behaviour == "hang":
                    owner._closing.wait()
                    return
                if behaviour == "drip":
                    self.send_response(200)
                    self.send_header("Content-Length", "60000")
                    self.end_headers()
                    try:
                        while not owner._closing.wait(1):
                            self.wfile.write(b"<")
                            self.wfile.flush()
                    except OSError:
                        pass  # the fetch was ended
                    return
                if behaviour == "endless":
                    self.send_response(200)
                    self.end_headers()
                    chunk = b"<event><title>x</title></event>\n" * 2048
                    try:
                        while not owner._closing.is_set():
                            self.wfile.write(chunk)
                    except OSError:
                        pass  # the fetch was ended
                    self.close_connection = True
                    return
                if behaviour == "delay":
                    owner._closing.wait(value)
                body = owner.documents.get((request.channel, request.date))
                if behaviour == "cut" and body is not None:
                    self.send_response(200)
                    self.send_header("Content-Length", str(len(body)))
                    self.end_headers()
                    self.wfile.write(body[:len(body) // 2])
                    self.wfile.flush()
                    self.close_connection = True
                    return
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

        # A thread a request, so that a hanging one holds up no other.
        self._server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
        self._server.daemon_threads = True
        self._thread = threading.Thread(target=self._server.serve_forever, kwargs={"poll_interval": 0.05},
                                        daemon=True)
        self._thread.start()
        return self

    def wait_for_requests(self, count, timeout=20):
        """Waits until the server has seen count requests."""
        deadline = time.monotonic() + timeout
        while len(self.requested()) < count and time.monotonic() < deadline:
            time.sleep(0.05)
        return len(self.requested()) >= count

    def __exit__(self, *exc):
        self._closing.set()
        self._server.shutdown()
        self._server.server_close()
        self._thread.join(timeout=5)
        return False
