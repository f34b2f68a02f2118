"""What the update tests share: a local update service on 127.0.0.1 named by
cloudHost in version.ini, signatures made with the minisign tool (with keys
made for the run or the demo key of scripts/demo-update-key/), and a client
test whose log and update window can be followed."""

import os
import shutil
import subprocess
import sys
import tempfile
import threading
import time
import zipfile
import io

sys.path.insert(0, os.path.dirname(__file__))
from harness import (PAGE, WAIT, ClientTest, LocalServer, QuietHandler,  # noqa: E402
                     end_process_group)

OLD_BUILD = 1000
NEW_BUILD = 1234
DEMO_KEY_DIR = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "scripts",
                            "demo-update-key")
DEMO_SECRET_KEY = os.path.join(DEMO_KEY_DIR, "demo-update-key.sec")
DEMO_PUBLIC_KEY = os.path.join(DEMO_KEY_DIR, "demo-update-key.pub")


class UpdateHandler(QuietHandler):
    def do_GET(self):
        owner = self.server.owner
        owner.requests.append(self.path)
        path = self.path.split("?", 1)[0]
        if path == owner.prefix + "api/software/1":
            url = owner.package_url or "http://127.0.0.1:%d/bundle.zip" % owner.port
            self.send(('{"build":%s,"package_url":"%s","size":%d}'
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


def bundle_comment(build, product="quorbital-bundle"):
    """A trusted comment as the vendor signs bundle archives."""
    return "product:%s build:%s file:updatehtml.zip" % (product, build)


def sign(secret_key, data, comment, scratch):
    """The minisign signature of data made with secret_key (no password)."""
    path = os.path.join(scratch, "archive")
    with open(path, "wb") as f:
        f.write(data)
    minisign("-S", "-s", secret_key, "-m", "archive", "-t", comment, cwd=scratch)
    with open(path + ".minisig", "rb") as f:
        return f.read()


def public_key(pub_file):
    """The base64 line of a public key file, as updateKey takes it."""
    with open(pub_file) as f:
        return f.read().splitlines()[1]


class Keys:
    """Two minisign key pairs without passwords, for one test run."""

    def __init__(self):
        self.dir = tempfile.mkdtemp(prefix="quorbital-keys-")
        for name in ("a", "b"):
            minisign("-G", "-W", "-p", name + ".pub", "-s", name + ".sec", cwd=self.dir)

    def public(self, name):
        """The base64 line of the public key, as updateKey takes it."""
        return public_key(os.path.join(self.dir, name + ".pub"))

    def sign(self, name, data, comment=None):
        """The signature of data by key name ("a", "b", or "demo" for the
        demo key), its trusted comment naming NEW_BUILD unless given."""
        return sign(os.path.join(self.dir, name + ".sec") if name != "demo" else DEMO_SECRET_KEY,
                    data, comment or bundle_comment(NEW_BUILD), self.dir)

    def close(self):
        shutil.rmtree(self.dir, ignore_errors=True)


def xdotool(*args):
    return subprocess.run(["xdotool", *args], capture_output=True, text=True).stdout


class UpdateClientTest(ClientTest):
    """A client whose version.ini names the test's update service; its
    diagnostics go to a log the test reads."""

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

    def scratch_names(self):
        """Names in the data directory other than the bundle, the settings
        and the engine's data."""
        return sorted(set(os.listdir(self.data_dir)) - {"contentEditor", "version.ini", "cache"})
