"""Start-up and hand-off end to end: update services that misbehave, a second
start against a stopped client, document names that must arrive exactly, and
a user without a data directory."""

import os
import signal
import socket
import subprocess
import sys
import threading
import time
import unittest
from urllib.parse import unquote

sys.path.insert(0, os.path.dirname(__file__))
from harness import BINARY_DIR, ClientTest  # noqa: E402

OFFLINE_PREFIX = "?channel=offline&file="


class BadService:
    """An update service on 127.0.0.1 that takes the connection and then
    never answers ("hang"), sends one byte of its reply every half second
    ("trickle"), or sends a reply without end ("endless")."""

    def __init__(self, mode):
        self.mode = mode
        self.stop = threading.Event()
        self.connections = 0
        self.sock = socket.socket()
        self.sock.bind(("127.0.0.1", 0))
        self.sock.listen(8)
        self.port = self.sock.getsockname()[1]
        threading.Thread(target=self._accept, daemon=True).start()

    def _accept(self):
        while not self.stop.is_set():
            try:
                conn, _ = self.sock.accept()
            except OSError:
                return
            self.connections += 1
            threading.Thread(target=self._serve, args=(conn,), daemon=True).start()

    def _serve(self, conn):
        try:
            conn.recv(65536)
            if self.mode == "trickle":
                head = b'HTTP/1.1 200 OK\r\nContent-Length: 1000000\r\n\r\n{"build":99,'
                conn.sendall(head)
                while not self.stop.wait(0.5):
                    conn.sendall(b" ")
            elif self.mode == "endless":
                conn.sendall(b'HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n{"build":99,')
                chunk = b"x" * 65536
                while not self.stop.is_set():
                    conn.sendall(chunk)
            else:
                self.stop.wait()
        except OSError:
            pass
        finally:
            conn.close()

    def close(self):
        self.stop.set()
        self.sock.close()


class MisbehavingUpdateService(ClientTest):
    def check_start_against(self, mode):
        service = BadService(mode)
        self.addCleanup(service.close)
        with open(os.path.join(self.data_dir, "version.ini"), "w") as f:
            f.write("[versionInformation]\nbuild=1\ncloudHost=http://127.0.0.1:%d/\n"
                    % service.port)
        before = set(os.listdir(self.data_dir))
        started = time.time()
        self.start()
        self.window_id(timeout=10)
        on_screen = time.time() - started
        self.assertLess(on_screen, 6.0, "the main window is on screen within 6 s")
        self.report(event="load", page="start")
        self.assertEqual(service.connections, 1, "the service was asked")
        # Only the engine's cache directory is new; no reply, whole or partial.
        self.assertEqual(set(os.listdir(self.data_dir)) - before, {"cache"})

    def test_a_service_that_never_answers(self):
        self.check_start_against("hang")

    def test_a_service_that_trickles(self):
        self.check_start_against("trickle")

    def test_a_service_that_sends_without_end(self):
        self.check_start_against("endless")


class HandOff(ClientTest):
    def setUp(self):
        super().setUp()
        self.others = []

    def tearDown(self):
        for proc in self.others:
            try:
                os.killpg(proc.pid, signal.SIGKILL)
            except OSError:
                pass
            proc.wait()
        if self.proc:
            try:
                os.killpg(self.proc.pid, signal.SIGCONT)
            except OSError:
                pass
        super().tearDown()

    def spawn_other(self, *args, cwd=None):
        proc = subprocess.Popen([os.path.join(BINARY_DIR, "quorbital"), *args],
                                env=self.client_env(), start_new_session=True, cwd=cwd)
        self.others.append(proc)
        return proc

    def file_value(self, report):
        search = report["search"]
        self.assertTrue(search.startswith(OFFLINE_PREFIX), search)
        return unquote(search[len(OFFLINE_PREFIX):])

    def test_a_second_start_against_a_stopped_client_starts_on_its_own(self):
        self.start()
        self.report(event="load", page="start")
        os.kill(self.proc.pid, signal.SIGSTOP)
        started = time.time()
        self.spawn_other("/tmp/x/stopped.zv")
        r = self.report(event="load", page="editor", timeout=12)
        self.assertLess(time.time() - started, 12.0)
        self.assertEqual(self.file_value(r), "/tmp/x/stopped.zv")
        # The message the stopped client never took is not shown when it
        # goes on.
        os.kill(self.proc.pid, signal.SIGCONT)
        self.no_report(seconds=1.5, event="load")

    def test_document_names_arrive_exactly(self):
        names = ["my docs/100% #1 & C++;课件 ?.zv", "../a%20b+c&file=x;#?.zv"]
        work = os.path.join(self.tmp, "work")
        os.makedirs(os.path.join(work, "my docs"))
        # First start: a relative path against the starting directory.
        self.proc = self.spawn_other(names[0], cwd=work)
        self.others.remove(self.proc)
        r = self.report(event="load", page="editor")
        self.assertEqual(self.file_value(r), os.path.join(work, names[0]))
        # Second start from another directory: handed over, made absolute there.
        second = self.spawn_other(names[1], cwd=os.path.join(work, "my docs"))
        self.assertEqual(second.wait(15), 0)
        r = self.report(event="load", page="editor")
        self.assertEqual(self.file_value(r), os.path.join(work, "a%20b+c&file=x;#?.zv"))


class NoDataDirectory(ClientTest):
    def test_without_a_home_the_client_says_so_and_creates_nothing(self):
        env = self.client_env()
        del env["XDG_DATA_HOME"]
        env["HOME"] = os.path.join(self.tmp, "no-home")
        os.rmdir(os.path.join(self.tmp, "home"))
        before = sorted(os.listdir(self.tmp))
        self.proc = subprocess.Popen([os.path.join(BINARY_DIR, "quorbital")], env=env,
                                     start_new_session=True, stderr=subprocess.PIPE)
        box = None
        deadline = time.time() + 10
        while box is None and time.time() < deadline and self.proc.poll() is None:
            found = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "^Quorbital$"],
                                   capture_output=True, text=True).stdout.split()
            box = found[0] if found else None
            time.sleep(0.05)
        self.assertIsNotNone(box, "a message is shown")
        subprocess.run(["xdotool", "windowactivate", "--sync", box], check=False)
        subprocess.run(["xdotool", "key", "Return"], check=False)
        self.assertNotEqual(self.wait_exit(10), 0)
        self.assertIn(b"cannot determine the data directory", self.proc.stderr.read())
        self.proc.stderr.close()
        self.assertEqual(sorted(os.listdir(self.tmp)), before)
        self.assertFalse(os.path.exists("/vexalio"))
        self.assertFalse(os.path.exists("/.local/share/vexalio"))


if __name__ == "__main__":
    unittest.main()
