"""A local HTTP server for the engine tests: serves a directory on 127.0.0.1
(a free port, printed on the first line of standard output) and answers
/redir with a redirect to /target.html and /slide/download... with an
attachment. Ends when standard input closes."""
import http.server
import sys
import threading


class Handler(http.server.SimpleHTTPRequestHandler):
    def __init__(self, *args, **kwargs):
        super().__init__(*args, directory=sys.argv[1], **kwargs)

    def do_GET(self):
        if self.path.startswith("/slide/download"):
            body = b"slides"
            self.send_response(200)
            self.send_header("Content-Type", "application/octet-stream")
            self.send_header("Content-Disposition", 'attachment; filename="s.bin"')
            self.send_header("Content-Length", str(len(body)))
            self.end_headers()
            self.wfile.write(body)
            return
        if self.path.startswith("/redir"):
            self.send_response(302)
            self.send_header("Location", "/target.html")
            self.end_headers()
            return
        super().do_GET()

    def log_message(self, *args):
        pass


server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
print(server.server_address[1], flush=True)
threading.Thread(target=server.serve_forever, daemon=True).start()
sys.stdin.read()
server.shutdown()
