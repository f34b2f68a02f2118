"""Content updates end to end: the real client under the test display, a
local update service on 127.0.0.1 named by cloudHost in version.ini, and the
update window driven with xdotool as a user would. Signatures are made with
the minisign tool and keys made for the run."""

import io
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import threading
import time
import unittest
import zipfile

sys.path.insert(0, os.path.dirname(__file__))
from harness import (PAGE, WAIT, ClientTest, LocalServer, QuietHandler,  # noqa: E402
                     end_process_group)

OLD_BUILD = 1000
NEW_BUILD = 1234


class UpdateHandler(QuietHandler):
    def do_GET(self):
        owner = self.server.owner
        owner.requests.append(self.path)
        path = self.path.split("?", 1)[0]
        if path == owner.prefix + "api/software/1":
            url = owner.package_url or "http://127.0.0.1:%d/bundle.zip" % owner.port
            self.send(('{"build":%d,"package_url":"%s","size":%d}'
                       % (owner.build, url.replace("/", "\\/"), len(owner.bundle))).encode())
        elif path == "/bundle.zip.minisig" and owner.signature:
            self.send(owner.signature)
        elif path == "/away.zip":
            self.send(b"", 302, headers=[("Location", owner.redirect)])
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
        self.prefix = "/"
        self.package_url = None  # the service's own bundle.zip
        self.signature = None  # served as bundle.zip.minisig when set
        self.redirect = None  # where away.zip sends the client
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


def minisign(*args, cwd):
    subprocess.run(["minisign", *args], cwd=cwd, check=True, stdin=subprocess.DEVNULL,
                   capture_output=True)


class Keys:
    """Two minisign key pairs without passwords, for one test run."""

    def __init__(self):
        self.dir = tempfile.mkdtemp(prefix="quorbital-keys-")
        for name in ("a", "b"):
            minisign("-G", "-W", "-p", name + ".pub", "-s", name + ".sec", cwd=self.dir)

    def public(self, name):
        """The base64 line of the public key, as updateKey takes it."""
        with open(os.path.join(self.dir, name + ".pub")) as f:
            return f.read().splitlines()[1]

    def sign(self, name, data):
        path = os.path.join(self.dir, "archive")
        with open(path, "wb") as f:
            f.write(data)
        minisign("-S", "-s", name + ".sec", "-m", "archive", "-t", "test build", cwd=self.dir)
        with open(path + ".minisig", "rb") as f:
            return f.read()

    def close(self):
        shutil.rmtree(self.dir, ignore_errors=True)


def bomb(entries=1, zeros=0):
    """A bundle with a start page and either entries - 1 empty files or one
    file of that many zero bytes (compressed a thousandfold)."""
    out = io.BytesIO()
    with zipfile.ZipFile(out, "w", zipfile.ZIP_DEFLATED) as z:
        z.writestr("contentEditor/index.html", b"<title>bomb</title>")
        for i in range(entries - 1):
            z.writestr("contentEditor/f/%d" % i, b"")
        if zeros:
            chunk = bytes(1 << 20)
            info = zipfile.ZipInfo("contentEditor/zeros.bin")
            info.compress_type = zipfile.ZIP_DEFLATED
            with z.open(info, "w", force_zip64=True) as f:
                for _ in range(zeros // len(chunk)):
                    f.write(chunk)
    return out.getvalue()


def disk_use(top):
    """Bytes of the blocks that everything under top takes."""
    total = 0
    for dirpath, dirnames, filenames in os.walk(top):
        for name in dirnames + filenames:
            try:
                total += os.lstat(os.path.join(dirpath, name)).st_blocks * 512
            except OSError:
                pass  # removed meanwhile
    return total


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

    def write_ini(self, host, key=None):
        with open(os.path.join(self.data_dir, "version.ini"), "w") as f:
            f.write("[versionInformation]\nbuild=%d\ncloudHost=%s\n" % (OLD_BUILD, host))
            if key:
                f.write("updateKey=%s\n" % key)

    def client_env(self):
        env = super().client_env()
        env["QUORBITAL_DEBUG"] = "1"
        return env

    def spawn(self, *args):
        with open(self.log_path, "ab") as log:
            proc = super().spawn(*args, stderr=log)
        self.addCleanup(end_process_group, proc)
        return proc

    def failure_details(self):
        try:
            with open(self.log_path, encoding="utf-8", errors="replace") as f:
                return "client log:\n" + "".join(f.readlines()[-30:])
        except OSError:
            return ""

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
        xdotool("mousemove", "--sync", "--window", wid, str(x), str(y))
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

        # Closing is refused with a message box while the archive downloads,
        # with the close button, Escape and Alt+F4 alike.
        self.assertTrue(self.service.half_sent.wait(WAIT), "the archive is downloading")
        for close in (lambda: self.click_close(wid),
                      lambda: xdotool("windowactivate", "--sync", wid, "key", "Escape"),
                      lambda: xdotool("windowactivate", "--sync", wid, "key", "alt+F4")):
            close()
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
        # A signature is looked for first; this service publishes none.
        self.assertTrue(self.service.requests[1].startswith("/bundle.zip.minisig?skq="))
        self.assertTrue(self.service.requests[2].startswith("/bundle.zip?skq="))

        # The first page waits for the window; "start" closes it.
        self.no_report(seconds=0.5, event="load")
        self.click_start(wid)
        self.report(event="load", page="newstart")

    def test_the_document_opens_in_the_new_editor_after_the_update(self):
        self.start("/tmp/x/my docs/a.zv")
        wid = self.find_window("update_dialog")
        self.wait_log("update: start offered")
        # "start" has the keyboard focus once offered: Return goes on.
        xdotool("windowactivate", "--sync", wid, "key", "Return")
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

    def assert_refused(self, reason):
        """The update failed with reason, and the old bundle and build stay."""
        self.wait_log("update: state 4")
        self.wait_until(lambda: any(reason in line for line in self.log_lines("update: status")),
                        message="no status with %r" % reason)
        self.assertIn("build=%d" % OLD_BUILD, self.ini())
        self.assertIn('"start"', self.read("contentEditor", "index.html"))
        self.assertEqual(self.scratch_names(), [])

    def restart(self):
        """Ends the client and its log, for another start in the same data."""
        end_process_group(self.proc)
        if os.path.exists(self.log_path):
            os.remove(self.log_path)
        self.service.requests.clear()

    def test_archives_past_the_bounds_are_refused_with_disk_use_bounded(self):
        for archive, reason, writes in ((bomb(zeros=700 << 20), "升级包解压后过大", True),
                                        (bomb(entries=20001), "升级包文件过多", False)):
            with self.subTest(reason=reason):
                self.service.bundle = archive
                before = disk_use(self.data_dir)
                peak = [0]
                stop = threading.Event()

                def watch():
                    while not stop.is_set():
                        peak[0] = max(peak[0], disk_use(self.data_dir))
                        time.sleep(0.02)

                watcher = threading.Thread(target=watch)
                watcher.start()
                try:
                    self.start()
                    self.assert_refused(reason)
                finally:
                    stop.set()
                    watcher.join()
                    self.restart()
                # At most the bound and the archive beside what was there
                # (and a little for the folders of the staging).
                self.assertLess(peak[0], before + (512 << 20) + len(archive) + (1 << 20))
                if writes:
                    self.assertGreater(peak[0], before + (100 << 20), "the watch saw the writes")

    def test_an_unsigned_archive_from_elsewhere_over_http_is_refused_before_it_is_fetched(self):
        elsewhere = UpdateService(self.server.port)
        self.addCleanup(elsewhere.close)
        for url in ("http://127.0.0.1:%d/bundle.zip" % elsewhere.port,
                    "http://127.0.0.1:%d/away.zip" % self.service.port):
            with self.subTest(url=url):
                self.service.package_url = url
                self.service.redirect = "http://127.0.0.1:%d/bundle.zip" % elsewhere.port
                self.start()
                try:
                    self.assert_refused("升级包来源不可信")
                finally:
                    self.restart()
                self.assertEqual(elsewhere.requests, [])

    def test_signed_archives_need_a_trusted_key_and_updatekey_needs_a_signature(self):
        keys = Keys()
        self.addCleanup(keys.close)
        elsewhere = UpdateService(self.server.port)
        self.addCleanup(elsewhere.close)
        self.write_ini("http://127.0.0.1:%d/" % self.service.port, key=keys.public("a"))

        # Unsigned, though from the service itself.
        self.start()
        self.assert_refused("升级包没有签名")
        self.assertFalse(any(r.startswith("/bundle.zip?") for r in self.service.requests))
        self.restart()

        # From plain http elsewhere: signed by another key, then by the key.
        self.service.package_url = "http://127.0.0.1:%d/bundle.zip" % elsewhere.port
        elsewhere.signature = keys.sign("b", elsewhere.bundle)
        self.start()
        self.assert_refused("升级包签名无效")
        self.assertFalse(any(r.startswith("/bundle.zip?") for r in elsewhere.requests))
        self.restart()

        elsewhere.requests.clear()
        elsewhere.signature = keys.sign("a", elsewhere.bundle)
        self.start()
        wid = self.find_window("update_dialog")
        self.wait_log("update: start offered")
        self.assertIn("build=%d" % NEW_BUILD, self.ini())
        self.assertTrue(elsewhere.requests[0].startswith("/bundle.zip.minisig?skq="))
        self.assertTrue(elsewhere.requests[1].startswith("/bundle.zip?skq="))
        self.click_start(wid)
        self.report(event="load", page="newstart")

    def test_a_cloud_host_of_sixty_characters_is_used_whole(self):
        base = "http://127.0.0.1:%d/" % self.service.port
        self.service.prefix = "/" + "u" * (60 - len(base) - 1) + "/"
        host = base + self.service.prefix[1:]
        self.assertEqual(len(host), 60)
        self.write_ini(host)
        self.start()
        self.wait_log("update: start offered")
        self.assertEqual(self.service.requests[0], self.service.prefix + "api/software/1")

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
