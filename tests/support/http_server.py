#!/usr/bin/env python3
"""Loopback HTTP server for the tests and benchmarks.

Python tests import LoopbackServer and QuietHandler and serve with handlers
of their own. Run as a program (by the tests and benchmarks written in C++),
it listens on 127.0.0.1 at a free port and prints the port on the first line
of its standard output. Options: --log FILE appends every request target to
FILE (followed by a tab and the Range header when the request has one); --dir
DIR serves the files of DIR; --cert FILE --key FILE speak HTTPS.
Paths:
  /bytes/N          N bytes with a Content-Length, an ETag and Accept-Ranges;
                    a request with "Range: bytes=A-" (and no If-Range, or one
                    naming that ETag) gets bytes A to N-1 as a 206
  /nolength/N       N bytes without a length, ended by closing the connection
  /drop/N           announces N bytes, sends half of them and drops the connection
  /redirect/PATH    302 to /PATH; /redirect?to=URL 302 to URL
  /slide/download…  a small attachment, as a slide download is
  anything else     the file of that name under --dir, or 404 with a small page
Query values: delay=S sleeps S seconds before the body; chunk=B and pause=S send
the body in pieces of B bytes with S seconds between them; hold=1 waits before
the answer until a line "release" arrives on standard input. For /bytes/N:
ranges=ignore answers every request with the whole file (still offering
ranges), ranges=none offers none (no Accept-Ranges, no ETag); cut=K makes the
first K requests for the same address (cache-busting query aside) send a
third of their body and close the connection.
A line "peak" on standard input is answered on standard output with the
largest number of bodies that were being sent at once since the last "peak";
a line "sent" with the number of body bytes of /bytes/, /nolength/ and /drop/
written to the network since the last "sent" (also those of a transfer its
client left early, as far as the connection took them).
A body counts until its last piece goes out: a client can end a transfer,
and start the next one, only after that, so the count never runs ahead of
the client's (an open connection would still count while its end travels).
The body byte at offset i is (i % 251), so a test can check what arrived.
The server ends when its standard input ends, so it never outlives its test.
"""
import argparse
import http.server
import os
import re
import socketserver
import ssl
import sys
import threading
import time
import urllib.parse

PATTERN = bytes(i % 251 for i in range(251 * 4096))  # about 1 MiB, a whole number of periods
RELEASED = threading.Event()
STATE_LOCK = threading.Lock()
CUTS = {}  # requests per address that were cut short
SENDING = {"now": 0, "peak": 0, "sent": 0}  # bodies being sent now, the most at once, bytes


def body_piece(offset, size):
    start = offset % 251
    out = bytearray()
    while len(out) < size:
        take = min(size - len(out), len(PATTERN) - start)
        out += PATTERN[start:start + take]
        start = 0
    return bytes(out)


class LoopbackServer(socketserver.ThreadingMixIn, http.server.HTTPServer):
    """An HTTP server on 127.0.0.1 at a free port (port), serving each
    connection on a thread of its own from a thread of its own, with TLS when
    given an ssl.SSLContext. Handlers reach owner, where a test keeps what
    its server serves and records, as self.server.owner."""

    daemon_threads = True
    allow_reuse_address = True

    def __init__(self, handler, owner=None, tls=None):
        super().__init__(("127.0.0.1", 0), handler)
        if tls is not None:
            self.socket = tls.wrap_socket(self.socket, server_side=True)
        self.owner = owner
        self.port = self.server_address[1]
        threading.Thread(target=self.serve_forever, daemon=True).start()

    def handle_error(self, request, client_address):
        pass  # a client that went away mid-request (a killed one)

    def close(self):
        self.shutdown()
        self.server_close()


class QuietHandler(http.server.BaseHTTPRequestHandler):
    """A handler that logs nothing and answers with whole bodies."""

    def log_message(self, *args):
        pass

    def send(self, body, code=200, content_type="application/octet-stream", headers=()):
        """Answers with body; no Content-Type header when content_type is None."""
        self.send_response(code)
        if content_type is not None:
            self.send_header("Content-Type", content_type)
        for name, value in headers:
            self.send_header(name, value)
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)


class Handler(QuietHandler, http.server.SimpleHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    options = None

    def __init__(self, *args, **kwargs):
        super().__init__(*args, directory=self.options.dir or os.devnull, **kwargs)

    @staticmethod
    def count_sending(change):
        with STATE_LOCK:
            SENDING["now"] += change
            SENDING["peak"] = max(SENDING["peak"], SENDING["now"])

    def send_body(self, size, query, limit=None, start=0):
        chunk = int(query.get("chunk", ["1048576"])[0])
        pause = float(query.get("pause", ["0"])[0])
        offset = start
        end = size if limit is None else limit
        counted = offset < end
        if counted:
            self.count_sending(1)
        try:
            while offset < end:
                piece = min(chunk, end - offset)
                if counted and offset + piece >= end:
                    self.count_sending(-1)
                    counted = False
                self.wfile.write(body_piece(offset, piece))
                with STATE_LOCK:
                    SENDING["sent"] += piece
                offset += piece
                if pause and offset < end:
                    self.wfile.flush()
                    time.sleep(pause)
        finally:
            if counted:
                self.count_sending(-1)

    def cut_short(self, address, query):
        """Whether this request is one of the first cut=K for its address."""
        with STATE_LOCK:
            done = CUTS.get(address, 0)
            if done >= int(query.get("cut", ["0"])[0]):
                return False
            CUTS[address] = done + 1
            return True

    def send_ranged(self, size, query, address):
        ranges = query.get("ranges", ["yes"])[0]
        etag = '"bytes-%d"' % size
        start = 0
        asked = re.fullmatch(r"bytes=(\d+)-", self.headers.get("Range", ""))
        if_range = self.headers.get("If-Range")
        if asked and ranges == "yes" and if_range in (None, etag):
            start = int(asked.group(1))
            if start >= size:
                self.send(b"", 416, None, [("Content-Range", "bytes */%d" % size)])
                return
        self.send_response(206 if start else 200)
        self.send_header("Content-Type", "application/octet-stream")
        if ranges != "none":
            self.send_header("Accept-Ranges", "bytes")
            self.send_header("ETag", etag)
        if start:
            self.send_header("Content-Range", "bytes %d-%d/%d" % (start, size - 1, size))
        self.send_header("Content-Length", str(size - start))
        self.end_headers()
        limit = None
        if self.cut_short(address, query):
            limit = start + max(1, (size - start) // 3)
            self.close_connection = True
        self.send_body(size, query, limit=limit, start=start)
        self.wfile.flush()

    def do_GET(self):
        if self.options.log:
            with open(self.options.log, "a", encoding="utf-8") as log:
                asked = self.headers.get("Range")
                log.write(self.path + ("\tRange: " + asked if asked else "") + "\n")
        path, _, raw_query = self.path.partition("?")
        # Downloads append "?skq=..." even after a query of their own.
        query = urllib.parse.parse_qs(raw_query.replace("?", "&"))
        if query.get("hold"):
            RELEASED.wait(120)
        delay = float(query.get("delay", ["0"])[0])
        if delay:
            time.sleep(delay)
        parts = path.strip("/").split("/")
        kind = parts[0]
        try:
            if kind == "bytes":
                address = path + "?" + re.sub(r"[?&]skq=-?\d+", "", raw_query)
                self.send_ranged(int(parts[1]), query, address)
            elif kind in ("nolength", "drop"):
                size = int(parts[1])
                self.send_response(200)
                self.send_header("Content-Type", "application/octet-stream")
                if kind == "nolength":
                    self.send_header("Connection", "close")
                else:
                    self.send_header("Content-Length", str(size))
                self.end_headers()
                self.send_body(size, query, limit=size // 2 if kind == "drop" else None)
                self.wfile.flush()
                self.close_connection = kind != "bytes"
            elif kind == "redirect" and "to" in query:
                self.send(b"", 302, None, [("Location", query["to"][0])])
            elif kind == "redirect":
                location = "/" + "/".join(parts[1:]) + ("?" + raw_query if raw_query else "")
                self.send(b"", 302, None, [("Location", location)])
            elif kind == "slide" and path.startswith("/slide/download"):
                self.send(b"slides", 200, None, [
                    ("Content-Type", "application/octet-stream"),
                    ("Content-Disposition", 'attachment; filename="s.bin"')])
            elif self.options.dir and os.path.isfile(self.translate_path(path)):
                super().do_GET()
            else:
                self.send(b"<html><body>not here</body></html>", 404, None)
        except ValueError:
            self.send(b"<html><body>not here</body></html>", 404, None)
        except (BrokenPipeError, ConnectionResetError):
            self.close_connection = True


def main():
    parser = argparse.ArgumentParser()
    for option in ("--log", "--dir", "--cert", "--key"):
        parser.add_argument(option)
    Handler.options = parser.parse_args()
    tls = None
    if Handler.options.cert:
        tls = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        tls.load_cert_chain(Handler.options.cert, Handler.options.key)
    server = LoopbackServer(Handler, tls=tls)
    print(server.port, flush=True)
    for line in sys.stdin:
        if line.strip() == "release":
            RELEASED.set()
        elif line.strip() == "peak":
            with STATE_LOCK:
                print(SENDING["peak"], flush=True)
                SENDING["peak"] = SENDING["now"]
        elif line.strip() == "sent":
            with STATE_LOCK:
                print(SENDING["sent"], flush=True)
                SENDING["sent"] = 0


if __name__ == "__main__":
    main()
