"""The client in a Wayland session: GTK's Wayland backend under a headless
weston that the test starts with a private runtime directory and stops
again. Nothing of X11 is reachable from the client (no DISPLAY), so every
window it shows is a Wayland surface. Windows are watched through the
client's diagnostics (QUORBITAL_DEBUG) and the pages' reports, since no tool
can look at another client's windows under Wayland."""

import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import unittest

sys.path.insert(0, os.path.dirname(__file__))
from harness import WAIT, ClientTest, end_process_group  # noqa: E402

WIDTH, HEIGHT = 1280, 800


class Compositor:
    """A headless weston on a socket of its own."""

    def __init__(self):
        self.runtime = tempfile.mkdtemp(prefix="quorbital-wayland.")
        os.chmod(self.runtime, 0o700)
        self.socket = os.path.join(self.runtime, "wayland-quorbital")
        self.log = open(os.path.join(self.runtime, "weston.log"), "w")
        env = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY")}
        env["XDG_RUNTIME_DIR"] = self.runtime
        self.proc = subprocess.Popen(
            ["weston", "--backend=headless-backend.so", "--socket=wayland-quorbital", "--no-config",
             "--idle-time=0", "--width=%d" % WIDTH, "--height=%d" % HEIGHT, "--use-pixman",
             # The screenshot protocol, for the test's picture of the output.
             "--debug"],
            env=env, stdout=self.log, stderr=subprocess.STDOUT, start_new_session=True)
        deadline = time.monotonic() + WAIT
        while not os.path.exists(self.socket):
            if self.proc.poll() is not None or time.monotonic() > deadline:
                self.stop()
                raise RuntimeError("weston did not start:\n" + self.log_text())
            time.sleep(0.05)

    def log_text(self):
        with open(self.log.name, encoding="utf-8", errors="replace") as f:
            return f.read()

    def stop(self):
        end_process_group(self.proc)
        self.log.close()
        shutil.rmtree(self.runtime, ignore_errors=True)


@unittest.skipUnless(shutil.which("weston"), "weston is not installed")
class WaylandSession(ClientTest):
    @classmethod
    def setUpClass(cls):
        cls.compositor = Compositor()

    @classmethod
    def tearDownClass(cls):
        cls.compositor.stop()

    def setUp(self):
        super().setUp()
        self.stderr_path = os.path.join(self.tmp, "client.log")

    def client_env(self):
        env = super().client_env()
        env.pop("DISPLAY", None)
        env.update({"WAYLAND_DISPLAY": self.compositor.socket, "GDK_BACKEND": "wayland",
                    "QUORBITAL_DEBUG": "1"})
        return env

    def spawn(self, *args, **env):
        with open(self.stderr_path, "a") as log:
            return super().spawn(*args, env=dict(self.client_env(), **env), stdout=log,
                                 stderr=subprocess.STDOUT)

    def client_log(self):
        with open(self.stderr_path, encoding="utf-8", errors="replace") as f:
            return f.read()

    def failure_details(self):
        return self.client_log()

    def wait_log(self, text):
        self.wait_until(lambda: text in self.client_log(),
                        message="%r not in the client's diagnostics" % text)

    def end_cleanly(self):
        # What the session does when it ends: the windows close in order and
        # the client's loop returns.
        self.proc.send_signal(signal.SIGTERM)
        self.assertEqual(self.wait_exit(), 0, self.client_log())

    def test_start_page_functions_full_screen_and_a_clean_end(self):
        self.start()
        self.report(event="load", page="start")
        self.assertEqual(self.ask("getversion(1, 2)"), "1.4.3")
        self.assertIs(self.ask("isonline()"), False)
        self.assertEqual(self.ask("myfunc.name"), "testfunc")
        # Maximised by the compositor once the browser exists: as wide as the
        # output, the height less the shell's panel and the title strip.
        self.wait_for("innerWidth", WIDTH)
        restored = self.ask("innerHeight")
        self.assertLess(restored, HEIGHT - 24)
        self.run_js("showWindowStatus(1)")
        self.wait_for("innerHeight", HEIGHT)
        self.assertEqual(self.ask("innerWidth"), WIDTH)
        self.run_js("showWindowStatus(0)")
        self.wait_for("innerHeight", restored)
        self.assertEqual(self.ask("innerWidth"), WIDTH)
        self.assertIn("GdkWaylandDisplay", self.client_log())
        self.assert_page_drawn()
        self.end_cleanly()

    def assert_page_drawn(self):
        """A picture of the compositor's output (build/artifacts) in which the
        page's heading is drawn below the shell's panel and the title strip."""
        from harness import BINARY_DIR
        artifacts = os.path.join(BINARY_DIR, "artifacts")
        os.makedirs(artifacts, exist_ok=True)
        shot = os.path.join(artifacts, "wayland_start_page.png")
        work = os.path.join(self.tmp, "shots")
        os.makedirs(work)
        env = dict(os.environ, XDG_RUNTIME_DIR=self.compositor.runtime,
                   WAYLAND_DISPLAY=self.compositor.socket)

        def drawn():
            subprocess.run(["weston-screenshooter"], cwd=work, env=env, timeout=WAIT,
                           capture_output=True)
            taken = sorted(os.listdir(work))
            if not taken:
                return False
            shutil.move(os.path.join(work, taken[-1]), shot)
            colours = subprocess.run(["convert", shot, "-crop", "400x120+0+56", "-format", "%k",
                                      "info:"], capture_output=True, text=True).stdout.strip()
            # The heading's dark glyphs, not only some colours: a view drawn
            # in part shows a band of the skin there instead.
            darkest = subprocess.run(["convert", shot, "-crop", "300x56+4+60", "-colorspace",
                                      "gray", "-format", "%[fx:minima]", "info:"],
                                     capture_output=True, text=True).stdout.strip()
            return colours.isdigit() and int(colours) > 8 and float(darkest or 1) < 0.3
        self.wait_until(drawn, message="the page is not drawn (%s)" % shot)

    def test_second_start_hands_its_document_over(self):
        self.start()
        self.report(event="load", page="start")
        # A launcher's activation token goes along: the running window is
        # presented with it (weston 10 has no activation protocol, so the
        # compositor itself cannot show that it raised the window).
        second = self.spawn("/tmp/x/second doc.zv", XDG_ACTIVATION_TOKEN="launcher-token-7")
        self.assertEqual(second.wait(WAIT), 0)
        r = self.report(event="load", page="editor")
        self.assertEqual(r["search"], "?channel=offline&file=/tmp/x/second%20doc.zv")
        self.assertIsNone(self.proc.poll(), "the first client goes on")
        self.wait_log('window "Quorbital" activated with start-up id launcher-token-7')
        self.end_cleanly()

    def test_download_window_opens_and_ends_with_the_client(self):
        self.start()
        self.report(event="load", page="start")
        target = os.path.join(self.tmp, "chosen.pdf")
        self.answer_dialog(target)
        self.run_js("location.href = CONTROL + '/slide/download/a.pdf'")
        self.wait_until(lambda: os.path.exists(target), message="nothing downloaded")
        self.wait_log('window "下载" mapped')
        # The headless compositor has no seat, so nothing can press the
        # window's own close button; the main window's close sequence closes
        # it with the client.
        self.end_cleanly()
        self.assertIn('window "Quorbital" closed', self.client_log())


if __name__ == "__main__":
    unittest.main()
