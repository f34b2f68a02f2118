#!/usr/bin/env python3
"""Loopback HTTP server for the download tests and benchmark.

Listens on 127.0.0.1 at a free port, prints the port on the first line of its
standard output, and appends every request target to the log file given as
the first argument (when given). With a certificate and key file as second
and third arguments it speaks HTTPS. Paths:
  /bytes/N          N bytes with a Content-Length
  /nolength/N       N bytes without a length, ended by closing the connection
  /drop/N           announces N bytes, sends half of them and drops the connection
  /missing          404 with a small page
  /redirect/PATH    302 to /PATH
Query values: delay=S sleeps S seconds before the body; chunk=B and pause=S send
the body in pieces of B bytes with S seconds between them.
The body byte at offset i is (i % 251), so a test can check what arrived.
"""
import http.server
import socketserver
import ssl
import sys
import time
import urllib.parse

LOG = sys.argv[1] if len(sys.argv) > 1 else None
PATTERN = bytes(i % 251 for i in range(251 * 4096))  # about 1 MiB, a whole number of periods


def body_piece(offset, size):
    start = offset % 251
    out = bytearray()
    while len(out) < size:
        take = min(size - len(out), len(PATTERN) - start)
        out += PATTERN[start:start + take]
        start = 0
    return bytes(out)


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, fmt, *args):
        pass

    def send_body(self, size, query, limit=None):
        chunk = int(query.get("chunk", ["1048576"])[0])
        pause = float(query.get("pause", ["0"])[0])
        offset = 0
        end = size if limit is None else limit
        while offset < end:
            piece = min(chunk, end - offset)
            self.wfile.write(body_piece(offset, piece))
            offset += piece
            if pause and offset < end:
                self.wfile.flush()
                time.sleep(pause)

    def do_GET(self):
        if LOG:
            with open(LOG, "a", encoding="utf-8") as log:
                log.write(self.path + "\n")
        path, _, raw_query = self.path.partition("?")
        # Downloads append "?skq=..." even after a query of their own.
        query = urllib.parse.parse_qs(raw_query.replace("?", "&"))
        delay = float(query.get("delay", ["0"])[0])
        if delay:
            time.sleep(delay)
        parts = path.strip("/").split("/")
        kind = parts[0]
        try:
            if kind == "bytes":
                size = int(parts[1])
                self.send_response(200)
                self.send_header("Content-Type", "application/octet-stream")
                self.send_header("Content-Length", str(size))
                self.end_headers()
                self.send_body(size, query)
            elif kind == "nolength":
                size = int(parts[1])
                self.send_response(200)
                self.send_header("Content-Type", "application/octet-stream")
                self.send_header("Connection", "close")
                self.end_headers()
                self.send_body(size, query)
                self.close_connection = True
            elif kind == "drop":
                size = int(parts[1])
                self.send_response(200)
                self.send_header("Content-Length", str(size))
                self.end_headers()
                self.send_body(size, query, limit=size // 2)
                self.wfile.flush()
                self.close_connection = True
            elif kind == "redirect":
                self.send_response(302)
                self.send_header("Location", "/" + "/".join(parts[1:]) + ("?" + raw_query if raw_query else ""))
                self.send_header("Content-Length", "0")
                self.end_headers()
            else:
                page = b"<html><body>not here</body></html>"
                self.send_response(404)
                self.send_header("Content-Length", str(len(page)))
                self.end_headers()
                self.wfile.write(page)
        except (BrokenPipeError, ConnectionResetError):
            self.close_connection = True


class Server(socketserver.ThreadingMixIn, http.server.HTTPServer):
    daemon_threads = True
    allow_reuse_address = True


def main():
    server = Server(("127.0.0.1", 0), Handler)
    if len(sys.argv) > 3:
        context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        context.load_cert_chain(sys.argv[2], sys.argv[3])
        server.socket = context.wrap_socket(server.socket, server_side=True)
    print(server.server_address[1], flush=True)
    server.serve_forever()


if __name__ == "__main__":
    main()
