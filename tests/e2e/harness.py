"""Drives the real client binary for end-to-end tests.

A test gets a private data directory holding a small page bundle whose pages
poll a local control server on 127.0.0.1 for script to run and post their
reports back to it. The client runs under the display the test scripts
provide; dialogs are answered through the client's dialog answer source.
"""

import json
import os
import queue
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import unittest
import urllib.parse

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from http_server import LoopbackServer, QuietHandler  # noqa: E402

BINARY_DIR = os.environ.get("QUORBITAL_BINARY_DIR", "")
# How long a test waits for an event before it gives up. It bounds only a
# failing test: a passing one goes on as soon as the event comes, so the bound
# is generous enough for a machine busy with other work.
WAIT = 30

PAGE = """<!doctype html>
<html><head><meta charset="utf-8"><title>%(name)s</title></head>
<body style="margin:0;background:#fff">
<h1>%(name)s</h1>
<a id="link" href="#">link</a>
<script>
var PAGE = "%(name)s";
var CONTROL = "http://127.0.0.1:%(port)d";
function report(data) {
  data.page = PAGE;
  var xhr = new XMLHttpRequest();
  xhr.open("POST", CONTROL + "/report", false);
  xhr.send(JSON.stringify(data));
}
function poll() {
  var xhr = new XMLHttpRequest();
  xhr.open("GET", CONTROL + "/command?page=" + PAGE, true);
  xhr.onload = function () {
    if (xhr.status === 200 && xhr.responseText) {
      try { eval(xhr.responseText); } catch (e) { report({error: String(e)}); }
    }
    setTimeout(poll, 50);
  };
  xhr.onerror = function () { setTimeout(poll, 200); };
  xhr.send();
}
// The page keeps drops for itself: a file still reaches the main window,
// whose drop handling comes first.
document.addEventListener("dragover", function (e) { e.preventDefault(); });
document.addEventListener("drop", function (e) { e.preventDefault(); report({event: "page-drop"}); });
window.addEventListener("load", function () {
  report({event: "load", search: location.search, href: location.href,
          width: innerWidth, height: innerHeight});
  poll();
});
</script></body></html>
"""


def end_process_group(proc):
    """Asks proc to end, kills it when it does not within a few seconds, and
    ends whatever it left in its process group (the engine's helpers)."""
    if proc.poll() is None:
        proc.send_signal(signal.SIGTERM)
        try:
            proc.wait(5)
        except subprocess.TimeoutExpired:
            proc.kill()
            proc.wait()
    try:
        os.killpg(proc.pid, signal.SIGKILL)
    except OSError:
        pass


class LocalServer:
    """What a test's loopback server (LoopbackServer of
    tests/support/http_server.py) serves and records; it serves with handler,
    a QuietHandler subclass, whose requests reach this object as
    self.server.owner."""

    def __init__(self, handler):
        self.httpd = LoopbackServer(handler, owner=self)
        self.port = self.httpd.port

    def close(self):
        self.httpd.close()


class ControlHandler(QuietHandler):
    def setup(self):
        super().setup()
        self.server.owner.connections.append(self.client_address)

    def do_GET(self):
        owner = self.server.owner
        owner.requests.append(self.path)
        path, _, query = self.path.partition("?")
        if path == "/command":
            self.send(owner.next_command(query.partition("page=")[2]),
                      content_type="text/javascript",
                      headers=[("Access-Control-Allow-Origin", "*")])
        elif "/slow/" in self.path:
            self.send_slowly(64 << 20)
        elif "/missing/" in self.path:
            self.send(b"not here", 404)
        elif "/silent/" in self.path:
            time.sleep(20)  # answers nothing for a long while
            self.send(b"late")
        elif path.startswith("/page/"):
            # Pages of an ordinary web origin report to the control server
            # like the bundle's pages.
            page = PAGE % {"name": path[len("/page/"):], "port": owner.control_port}
            self.send(page.encode(), content_type="text/html; charset=utf-8")
        elif path == "/redirect":
            self.send(b"", 302, headers=[
                ("Location", urllib.parse.unquote(query.partition("to=")[2]))])
        elif path == "/secret":
            # Answers without letting other origins read it.
            self.send(b"private data", content_type="text/plain")
        elif path == "/sandboxed":
            # The page given as html=, under a policy that forbids its script
            # (popups it may open).
            html = urllib.parse.unquote(query.partition("html=")[2])
            self.send(html.encode(), content_type="text/html; charset=utf-8",
                      headers=[("Content-Security-Policy", "sandbox allow-popups")])
        else:
            self.send(b"%PDF-1.4 test body " + self.path.encode() + b"\n" * 64)

    def send_slowly(self, size):
        self.send_response(200)
        self.send_header("Content-Type", "application/octet-stream")
        self.send_header("Content-Length", str(size))
        self.end_headers()
        piece = b"s" * 65536
        try:
            for _ in range(size // len(piece)):
                self.wfile.write(piece)
                self.wfile.flush()
                self.server.owner.slow_sent += len(piece)
                time.sleep(0.1)
        except OSError:
            pass  # the client went away

    def do_POST(self):
        data = self.rfile.read(int(self.headers.get("Content-Length", "0")))
        try:
            self.server.owner.reports.put(json.loads(data))
        except ValueError:
            pass
        self.send_response(204)
        self.send_header("Access-Control-Allow-Origin", "*")
        self.end_headers()


class ControlServer(LocalServer):
    """Hands out script to the pages and collects their reports; also serves
    files under /slide/download/ and /files/ for download tests, and pages of
    an ordinary web origin: /page/<name>, /redirect?to=<url>, /secret,
    /sandboxed?html=<page> (under "Content-Security-Policy: sandbox
    allow-popups"). A path with "/missing/" in it is not found (404); one
    with "/slow/" in it announces 64 MiB and sends 64 KiB every 0.1 s; one
    with "/silent/" in it answers only after 20 s;
    slow_sent counts the bytes sent so far, connections has the client
    address of each connection accepted. A second server for another
    origin gets the control server's port, so its pages report there."""

    def __init__(self, control_port=None):
        self.reports = queue.Queue()
        self.commands = queue.Queue()
        self.page_commands = {}
        self.requests = []
        self.connections = []
        self.slow_sent = 0
        super().__init__(ControlHandler)
        self.control_port = control_port or self.port

    def next_command(self, page):
        """Script for the page that asks: its own first, then any page's."""
        for q in (self.page_commands.get(page), self.commands):
            try:
                if q is not None:
                    return q.get_nowait().encode()
            except queue.Empty:
                pass
        return b""


class ClientTest(unittest.TestCase):
    """Base class: one client per test, in its own data directory."""

    def setUp(self):
        self.tmp = tempfile.mkdtemp(prefix="quorbital-e2e-")
        self.data_home = os.path.join(self.tmp, "data")
        self.data_dir = os.path.join(self.data_home, "vexalio")
        self.server = ControlServer()
        editor = os.path.join(self.data_dir, "contentEditor")
        os.makedirs(os.path.join(editor, "editor"))
        for path, name in ((os.path.join(editor, "index.html"), "start"),
                           (os.path.join(editor, "editor", "index.html"), "editor")):
            with open(path, "w", encoding="utf-8") as f:
                f.write(PAGE % {"name": name, "port": self.server.port})
        # No update is offered: the service address answers nothing.
        with open(os.path.join(self.data_dir, "version.ini"), "w") as f:
            f.write("[versionInformation]\nbuild=1\ncloudHost=http://127.0.0.1:9/\n")
        self.answers = os.path.join(self.tmp, "answers")
        self.dialog_log = os.path.join(self.tmp, "dialogs")
        open(self.answers, "w").close()
        self.proc = None
        self.binary_dir = BINARY_DIR

    def tearDown(self):
        if self.proc:
            end_process_group(self.proc)
        self.server.close()
        shutil.rmtree(self.tmp, ignore_errors=True)

    def client_env(self):
        env = dict(os.environ)
        env.update({
            "XDG_DATA_HOME": self.data_home,
            "XDG_CONFIG_HOME": os.path.join(self.tmp, "config"),
            "XDG_RUNTIME_DIR": os.path.join(self.tmp, "run"),
            "HOME": os.path.join(self.tmp, "home"),
            "QUORBITAL_DIALOG_ANSWERS": self.answers,
            "QUORBITAL_DIALOG_LOG": self.dialog_log,
        })
        os.makedirs(env["XDG_RUNTIME_DIR"], mode=0o700, exist_ok=True)
        os.makedirs(env["HOME"], exist_ok=True)
        return env

    def start(self, *args):
        self.proc = self.spawn(*args)

    def spawn(self, *args, env=None, prefix=(), **popen):
        """Starts the client binary with args in a session of its own (its
        engine helper processes end with that process group); env defaults
        to client_env(), prefix is a command the client runs under, popen
        goes to subprocess.Popen."""
        return subprocess.Popen([*prefix, os.path.join(self.binary_dir, "quorbital"), *args],
                                env=env or self.client_env(), start_new_session=True, **popen)

    def use_client_with_keys(self, *key_files):
        """Starts the client from a folder of its own whose update-keys/
        holds key_files, as an installation with its vendor's keys: the
        executable and the web process extension are linked (copied across
        file systems), everything else beside them is a link to the build's."""
        folder = os.path.join(self.tmp, "client")
        os.makedirs(os.path.join(folder, "update-keys"))
        for key in key_files:
            shutil.copy(key, os.path.join(folder, "update-keys"))

        def link(source, target):
            try:
                os.link(source, target)
            except OSError:
                shutil.copy2(source, target)
        for name in os.listdir(BINARY_DIR):
            source, target = os.path.join(BINARY_DIR, name), os.path.join(folder, name)
            if name == "quorbital":
                link(source, target)
            elif name == "webext":
                shutil.copytree(source, target, copy_function=link)
            elif name != "update-keys":
                os.symlink(source, target)
        self.binary_dir = folder

    def wait_until(self, predicate, timeout=WAIT, message="condition not met"):
        """Polls predicate until it gives a true value, which it returns."""
        deadline = time.monotonic() + timeout
        while True:
            value = predicate()
            if value:
                return value
            if time.monotonic() > deadline:
                if callable(message):
                    message = message()
                self.fail("%s within %ss\n%s" % (message, timeout, self.failure_details()))
            time.sleep(0.05)

    def failure_details(self):
        """What a failed wait shows besides its message."""
        return ""

    def wait_for(self, expression, value, page=None):
        """Waits until the expression has the value in the page."""
        seen = []

        def has_value():
            seen[:] = [self.ask(expression, page=page)]
            return seen[0] == value

        self.wait_until(has_value, message=lambda: "%s is not %r (last %r)" % (
            expression, value, seen[0] if seen else None))

    def report(self, timeout=WAIT, **match):
        """The next report whose fields include match."""
        deadline = time.time() + timeout
        while time.time() < deadline:
            try:
                r = self.server.reports.get(timeout=max(0.05, deadline - time.time()))
            except queue.Empty:
                break
            if all(r.get(k) == v for k, v in match.items()):
                return r
        self.fail("no report matching %r within %ss\n%s" % (match, timeout, self.failure_details()))

    def no_report(self, seconds=1.5, **match):
        deadline = time.time() + seconds
        while time.time() < deadline:
            try:
                r = self.server.reports.get(timeout=0.1)
            except queue.Empty:
                continue
            if all(r.get(k) == v for k, v in match.items()):
                self.fail("unexpected report %r" % r)

    def run_js(self, script, page=None):
        """Hands script to the next page that polls, or to the named page."""
        if page is None:
            self.server.commands.put(script)
        else:
            self.server.page_commands.setdefault(page, queue.Queue()).put(script)

    def ask(self, expression, timeout=WAIT, page=None):
        """Evaluates an expression in the page and returns its value."""
        token = "%f" % time.time()
        self.run_js("report({token: %s, value: (function(){ return %s; })()});"
                    % (json.dumps(token), expression), page)
        return self.report(timeout=timeout, token=token).get("value")

    def answer_dialog(self, line):
        with open(self.answers, "a") as f:
            f.write(line + "\n")

    def dialog_lines(self):
        try:
            with open(self.dialog_log, encoding="utf-8") as f:
                return [line.rstrip("\n").split("\t") for line in f]
        except FileNotFoundError:
            return []

    def find_windows(self, title):
        """The visible windows with exactly this title."""
        return subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "^%s$" % title],
                              capture_output=True, text=True).stdout.split()

    def window_id(self, timeout=WAIT):
        def main_window():
            # The toolkit's own helper windows share the title; the main
            # window is the large one.
            sized = [(self.window_geometry(w).get("WIDTH", 0), w)
                     for w in self.find_windows("Quorbital")]
            sized = [item for item in sized if item[0] > 100]
            return max(sized)[1] if sized else None
        return self.wait_until(main_window, timeout, "no main window")

    def maximised_window_id(self):
        """The main window once the window manager has maximised it."""
        wid = self.window_id()
        screen_w, _ = self.screen_size()
        self.wait_until(lambda: self.window_geometry(wid).get("WIDTH") == screen_w,
                        message="the window is not maximised")
        return wid

    def window_geometry(self, wid):
        out = subprocess.run(["xdotool", "getwindowgeometry", "--shell", wid],
                             capture_output=True, text=True).stdout
        values = dict(line.split("=", 1) for line in out.split() if "=" in line)
        return {k: int(v) for k, v in values.items() if v.lstrip("-").isdigit()}

    def screen_size(self):
        out = subprocess.run(["xdotool", "getdisplaygeometry"], capture_output=True,
                             text=True).stdout.split()
        return int(out[0]), int(out[1])

    def web_processes(self):
        """The process ids of the client's WebKit web processes: descendants,
        since confined ones run under bubblewrap."""
        parents = {}
        for pid in filter(str.isdigit, os.listdir("/proc")):
            try:
                with open("/proc/%s/stat" % pid) as f:
                    parents[int(pid)] = int(f.read().rsplit(")", 1)[1].split()[1])
            except (OSError, IndexError, ValueError):
                continue
        found, family = [], {self.proc.pid}
        for _ in range(8):  # the sandbox adds two generations
            family |= {pid for pid, parent in parents.items() if parent in family}
        for pid in family - {self.proc.pid}:
            try:
                if os.readlink("/proc/%d/exe" % pid).endswith("/WebKitWebProcess"):
                    found.append(pid)
            except OSError:
                continue
        return found

    def drop(self, paths, page="dropped"):
        """Drags paths from a drag source onto the page, as a user would, and
        returns the load report of the named page."""
        source = subprocess.Popen([os.path.join(BINARY_DIR, "tests", "ui", "ui_drag_source"),
                                   "100", "100", *paths], stdout=subprocess.PIPE, text=True)
        try:
            # "ready" comes once the source's window is on the screen.
            self.assertEqual(source.stdout.readline().strip(), "ready")
            subprocess.run(["xdotool", "mousemove", "150", "140", "mousedown", "1", "sleep", "0.1",
                            "mousemove", "170", "150", "sleep", "0.1", "mousemove", "600", "400",
                            "sleep", "0.3", "mousemove", "900", "500", "sleep", "0.3", "mouseup",
                            "1"], check=False)
            return self.report(event="load", page=page)
        finally:
            source.terminate()
            source.wait()
            source.stdout.close()

    def wait_exit(self, timeout=WAIT):
        try:
            return self.proc.wait(timeout)
        except subprocess.TimeoutExpired:
            self.fail("the client did not end within %ss" % timeout)
