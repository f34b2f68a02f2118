"""Content updates end to end: the real client under the test display, a
local update service on 127.0.0.1 named by cloudHost in version.ini, and the
update window driven with xdotool as a user would."""

import io
import os
import signal
import subprocess
import sys
import threading
import time
import unittest
import zipfile

sys.path.insert(0, os.path.dirname(__file__))
from harness import PAGE, WAIT, ClientTest, LocalServer, QuietHandler  # noqa: E402

OLD_BUILD = 1000
NEW_BUILD = 1234


class UpdateHandler(QuietHandler):
    def do_GET(self):
        owner = self.server.owner
        owner.requests.append(self.path)
        path = self.path.split("?", 1)[0]
        if path == "/api/software/1":
            url = "http://127.0.0.1:%d/bundle.zip" % owner.port
            self.send(('{"build":%d,"package_url":"%s","size":%d}'
                       % (owner.build, url.replace("/", "\\/"), len(owner.bundle))).encode())
        elif path == "/bundle.zip" and owner.archive == "bad":
            self.send(b"this is not an archive" * 100)
        elif path == "/bundle.zip" and owner.archive == "held":
            self.send_in_pieces(owner.bundle, pieces=2, hold=True)
        elif path == "/bundle.zip":
            self.send_in_pieces(owner.bundle, pieces=12, pause=0.25)
        else:
            self.send(b"", 404)

    def send_in_pieces(self, body, pieces, pause=0.0, hold=False):
        self.send_response(200)
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        step = max(1, len(body) // pieces + 1)
        for start in range(0, len(body), step):
            self.wfile.write(body[start:start + step])
            self.wfile.flush()
            if hold:
                self.server.owner.half_sent.set()
                self.server.owner.release.wait(WAIT)
            time.sleep(pause)


class UpdateService(LocalServer):
    """api/software/1 and the bundle archive. The archive is served slowly
    (in pieces over about three seconds), as a file that is no archive at
    all, or "held": half of it is sent, half_sent is set, and the rest waits
    until release is set."""

    def __init__(self, control_port):
        self.build = NEW_BUILD
        self.archive = "slow"
        self.half_sent = threading.Event()
        self.release = threading.Event()
        self.requests = []
        self.bundle = self._bundle(control_port)
        super().__init__(UpdateHandler)

    @staticmethod
    def _bundle(control_port):
        out = io.BytesIO()
        with zipfile.ZipFile(out, "w", zipfile.ZIP_DEFLATED) as z:
            z.writestr("contentEditor/", b"")
            z.writestr("contentEditor/index.html",
                       PAGE % {"name": "newstart", "port": control_port})
            z.writestr("contentEditor/editor/index.html",
                       PAGE % {"name": "neweditor", "port": control_port})
            # Enough bytes that the download reports progress more than once.
            z.writestr("contentEditor/media.bin", os.urandom(600 * 1024),
                       compress_type=zipfile.ZIP_STORED)
        return out.getvalue()

    def close(self):
        self.release.set()
        super().close()


def xdotool(*args):
    return subprocess.run(["xdotool", *args], capture_output=True, text=True).stdout


class UpdateTest(ClientTest):
    def setUp(self):
        super().setUp()
        self.service = UpdateService(self.server.port)
        self.write_ini("http://127.0.0.1:%d/" % self.service.port)
        self.log_path = os.path.join(self.tmp, "client.log")

    def tearDown(self):
        super().tearDown()
        self.service.close()

    def write_ini(self, host):
        with open(os.path.join(self.data_dir, "version.ini"), "w") as f:
            f.write("[versionInformation]\nbuild=%d\ncloudHost=%s\n" % (OLD_BUILD, host))

    def client_env(self):
        env = super().client_env()
        env["QUORBITAL_DEBUG"] = "1"
        return env

    def spawn(self, *args):
        with open(self.log_path, "ab") as log:
            return super().spawn(*args, stderr=log)

    def log_lines(self, prefix):
        """The client's diagnostics that start with prefix, without the
        program name in front."""
        lines = []
        with open(self.log_path, encoding="utf-8", errors="replace") as f:
            for line in f:
                line = line.strip()
                if line.startswith("quorbital: "):
                    line = line[len("quorbital: "):]
                if line.startswith(prefix):
                    lines.append(line)
        return lines

    def wait_log(self, line):
        self.wait_until(lambda: line in self.log_lines(line.split(":")[0] + ":"),
                        message="no log line %r" % line)

    def find_window(self, title):
        return self.wait_until(lambda: (self.find_windows(title) or [None])[0],
                               message="no window %r" % title)

    def click(self, wid, x, y):
        xdotool("mousemove", "--window", wid, str(x), str(y))
        time.sleep(0.1)
        xdotool("click", "1")

    def click_close(self, wid):
        width = self.window_geometry(wid)["WIDTH"]
        self.click(wid, width - 22, 20)

    def click_start(self, wid):
        # The skin puts "start" (132 x 36) at the bottom right, inside the
        # window's 32/22-pixel inset and 1-pixel border.
        geometry = self.window_geometry(wid)
        self.click(wid, geometry["WIDTH"] - 1 - 32 - 66, geometry["HEIGHT"] - 1 - 22 - 18)

    def ini(self):
        with open(os.path.join(self.data_dir, "version.ini")) as f:
            return f.read()

    def read(self, *path):
        with open(os.path.join(self.data_dir, *path), encoding="utf-8") as f:
            return f.read()

    def test_newer_build_is_installed_and_its_start_page_loaded(self):
        self.service.archive = "held"
        started = time.monotonic()
        self.start()
        wid = self.find_window("update_dialog")
        self.assertGreaterEqual(time.monotonic() - started, 1.0, "not before a second has passed")

        # Closing is refused with a message box while the archive downloads.
        self.assertTrue(self.service.half_sent.wait(WAIT), "the archive is downloading")
        self.click_close(wid)
        box = self.find_window("提示")
        xdotool("windowactivate", "--sync", box)
        xdotool("key", "Return")
        self.wait_until(lambda: not self.find_windows("提示"), message="the message box stays")
        self.assertEqual(self.find_windows("update_dialog"), [wid], "the window stays")
        self.service.release.set()

        self.wait_log("update: start offered")
        progress = [int(line.split()[-1]) for line in self.log_lines("update: progress")]
        self.assertGreaterEqual(len(progress), 2, "the bar moves")
        self.assertEqual(progress, sorted(progress))
        self.assertEqual(progress[-1], 100)
        states = self.log_lines("update: state")
        self.assertEqual(states, ["update: state 0", "update: state 1", "update: state 3"])
        self.assertIn("build=%d" % NEW_BUILD, self.ini())
        self.assertFalse(os.path.exists(os.path.join(self.data_dir, "updatehtml.zip")))
        self.assertTrue(self.service.requests[1].startswith("/bundle.zip?skq="))

        # The first page waits for the window; "start" closes it.
        self.no_report(seconds=0.5, event="load")
        self.click_start(wid)
        self.report(event="load", page="newstart")

    def test_the_document_opens_in_the_new_editor_after_the_update(self):
        self.start("/tmp/x/my docs/a.zv")
        wid = self.find_window("update_dialog")
        self.wait_log("update: start offered")
        self.click_start(wid)
        r = self.report(event="load", page="neweditor")
        self.assertEqual(r["search"], "?channel=offline&file=/tmp/x/my%20docs/a.zv")

    def test_a_document_handed_over_during_the_update_window_opens_after_it(self):
        self.start()
        wid = self.find_window("update_dialog")
        second = self.spawn("/tmp/x/handed over.zv")
        self.addCleanup(lambda: second.poll() is None and second.kill())
        self.assertEqual(second.wait(WAIT), 0, "the running client takes the document")
        self.wait_log("update: start offered")
        self.click_start(wid)
        # The first page is the handed document, from the new bundle.
        r = self.report(event="load")
        self.assertEqual(r["page"], "neweditor")
        self.assertEqual(r["search"], "?channel=offline&file=/tmp/x/handed%20over.zv")
        self.no_report(seconds=1.0, event="load")

    def test_a_bad_archive_keeps_the_old_bundle(self):
        self.service.archive = "bad"
        self.start()
        wid = self.find_window("update_dialog")
        self.wait_log("update: state 4")
        self.click_close(wid)
        self.report(event="load", page="start")
        self.assertIn("build=%d" % OLD_BUILD, self.ini())
        self.assertIn('"start"', self.read("contentEditor", "index.html"))
        self.assertFalse(os.path.exists(os.path.join(self.data_dir, "updatehtml.zip")))

    def scratch_names(self):
        """Names in the data directory other than the bundle, the settings
        and the engine's data."""
        return sorted(set(os.listdir(self.data_dir)) - {"contentEditor", "version.ini", "cache"})

    def test_a_killed_update_leaves_nothing_and_the_next_start_cleans_up_and_installs(self):
        self.service.archive = "held"
        self.start()
        self.assertTrue(self.service.half_sent.wait(WAIT), "the archive is downloading")
        self.wait_log("update: state 0")
        os.killpg(self.proc.pid, signal.SIGKILL)
        self.proc.wait(10)
        self.service.archive = "slow"
        self.service.release.set()
        self.assertEqual(self.scratch_names(), [])
        self.assertIn("build=%d" % OLD_BUILD, self.ini())
        self.assertIn('"start"', self.read("contentEditor", "index.html"))

        # What a run that died at another moment would have left.
        os.makedirs(os.path.join(self.data_dir, ".bundle-staging-Xy12Zw", "new", "contentEditor"))
        for name in ("updatehtml.zip", "updateinfo.txt", ".qdl-AbCd1234"):
            with open(os.path.join(self.data_dir, name), "w") as f:
                f.write("left over")
        self.start()
        wid = self.find_window("update_dialog")
        self.wait_log("update: start offered")
        self.assertEqual(self.scratch_names(), [])
        self.assertIn("build=%d" % NEW_BUILD, self.ini())

    def test_no_update_window_without_a_newer_build(self):
        for build, host in ((OLD_BUILD, None), (NEW_BUILD, "http://127.0.0.1:9/")):
            with self.subTest(build=build, host=host):
                self.service.build = build
                if host:
                    self.write_ini(host)
                self.start()
                self.report(event="load", page="start")
                # The update window would have come before the first page.
                self.assertEqual(self.find_windows("update_dialog"), [])
                self.assertIn("build=%d" % OLD_BUILD, self.ini())
                self.proc.terminate()
                self.proc.wait(10)
                try:
                    os.killpg(self.proc.pid, signal.SIGKILL)
                except OSError:
                    pass


if __name__ == "__main__":
    unittest.main()
