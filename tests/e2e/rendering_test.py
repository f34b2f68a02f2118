"""The client's two rendering paths, WebKit's accelerated compositing and its
non-accelerated path (QUORBITAL_COMPOSITING=on and off), draw the pages
alike: the bundle's own start page, a page in full screen and the error page
are pictured on both and compared. Pictures of both paths are kept in
build/artifacts. The path the client picks by itself follows the machine,
and its first page runs in the web process the engine started early."""

import glob
import os
import shutil
import socket
import subprocess
import sys
import unittest

sys.path.insert(0, os.path.dirname(__file__))
from harness import BINARY_DIR, WAIT, ClientTest  # noqa: E402

ARTIFACTS = os.path.join(BINARY_DIR, "artifacts")


class RenderingPaths(ClientTest):
    def client_env(self):
        # No animations (pages see prefers-reduced-motion, scroll bars do not
        # fade), so a page comes to rest and two pictures of it can match.
        env = super().client_env()
        env["XDG_CONFIG_HOME"] = os.path.join(self.tmp, "config")
        os.makedirs(os.path.join(env["XDG_CONFIG_HOME"], "gtk-3.0"), exist_ok=True)
        with open(os.path.join(env["XDG_CONFIG_HOME"], "gtk-3.0", "settings.ini"), "w") as f:
            f.write("[Settings]\ngtk-enable-animations=false\n")
        return env

    def start_on(self, path):
        self.log = os.path.join(self.tmp, "client-%s.log" % path)
        env = dict(self.client_env(), QUORBITAL_DEBUG="1", QUORBITAL_COMPOSITING=path)
        if not path:
            del env["QUORBITAL_COMPOSITING"]  # the client chooses
        with open(self.log, "w") as out:
            self.proc = self.spawn(env=env, stdout=out, stderr=subprocess.STDOUT)

    def stop(self):
        self.proc.terminate()
        self.assertEqual(self.wait_exit(), 0)
        self.proc = None

    def client_log(self):
        with open(self.log, encoding="utf-8", errors="replace") as f:
            return f.read()

    def failure_details(self):
        return self.client_log()

    def settled_picture(self, wid, name):
        """A picture of the window, taken once the page has said it is done:
        the same picture twice in a row (the window has drawn what the page
        last committed) that shows more than a few colours below the title
        strip."""
        shot = os.path.join(ARTIFACTS, name + ".png")
        previous = os.path.join(self.tmp, "previous.png")

        def drawn():
            subprocess.run(["import", "-window", wid, shot], check=False)
            colours = subprocess.run(["convert", shot, "-crop", "100%x90%+0+30", "-format", "%k",
                                      "info:"], capture_output=True, text=True).stdout.strip()
            if (colours.isdigit() and int(colours) > 4 and os.path.exists(previous)
                    and differing(shot, previous, fuzz="0") == 0):
                return True
            os.replace(shot, previous)
            return False
        self.wait_until(drawn, WAIT, "the window did not draw the page (%s)" % previous)
        return shot

    def install_own_bundle(self):
        """The client's own bundle in the data directory, with one script
        added to its start page that reports when the page says it is done
        (the start page's "startpage:ready") and has been drawn."""
        editor = os.path.join(self.data_dir, "contentEditor")
        shutil.rmtree(editor)
        shutil.copytree(os.path.join(BINARY_DIR, "bundle", "contentEditor"), editor)
        index = os.path.join(editor, "index.html")
        with open(index, encoding="utf-8") as f:
            page = f.read()
        page = page.replace("</body>", READY_REPORTER % self.server.port + "</body>")
        with open(index, "w", encoding="utf-8") as f:
            f.write(page)

    def pictures(self, path):
        """The bundle's start page, a page in full screen and the error page
        on one path."""
        os.makedirs(ARTIFACTS, exist_ok=True)
        editor = os.path.join(self.data_dir, "contentEditor")
        moved = editor + ".test"
        shutil.copytree(editor, moved)
        self.install_own_bundle()
        self.start_on(path)
        self.report(event="ready", page="bundle-start")
        wid = self.maximised_window_id()
        bundle = self.settled_picture(wid, "rendering_%s_bundle" % path)
        self.stop()
        shutil.rmtree(editor)
        os.rename(moved, editor)

        self.start_on(path)
        self.report(event="load", page="start")
        wid = self.maximised_window_id()
        screen_w, screen_h = self.screen_size()
        self.run_js("showWindowStatus(1)")
        self.wait_for("innerHeight", screen_h)
        full = self.settled_picture(wid, "rendering_%s_full_screen" % path)
        self.run_js("showWindowStatus(0)")
        self.wait_for("innerHeight", screen_h - 24)
        self.run_js("location.href = %r" % self.refused)
        # The error page is in when the engine has loaded it under the
        # address that failed.
        self.wait_until(lambda: "engine: loaded '%s'" % self.refused in self.client_log(),
                        message="the error page did not load")
        self.assertIn("engine: load of '%s' failed" % self.refused, self.client_log())
        error = self.settled_picture(wid, "rendering_%s_error_page" % path)
        self.stop()
        return {"bundle start page": bundle, "full screen": full, "error page": error}

    def test_both_paths_draw_the_pages_alike(self):
        # An address nobody listens on (the same on both paths, as the error
        # page shows it).
        with socket.socket() as s:
            s.bind(("127.0.0.1", 0))
            self.refused = "http://127.0.0.1:%d/missing" % s.getsockname()[1]
        accelerated = self.pictures("on")
        self.assertIn("rendering with accelerated compositing", self.client_log())
        plain = self.pictures("off")
        self.assertIn("rendering without accelerated compositing", self.client_log())
        for what, shot in accelerated.items():
            with self.subTest(what):
                # Glyph edges may be smoothed a shade apart; anything drawn
                # in one place and not the other is far more.
                off = differing(shot, plain[what])
                self.assertLess(off, pixel_count(shot) // 500, "%s: %s and %s differ in %d pixels"
                                % (what, shot, plain[what], off))

    def test_the_client_chooses_by_the_machine_in_one_web_process(self):
        self.start_on("")
        self.report(event="load", page="start")
        # The first page took over the web process started with the engine
        # (while the update check ran) instead of starting a second one.
        self.assertEqual(len(self.web_processes()), 1)
        if glob.glob("/dev/dri/renderD*"):
            self.assertIn("engine: rendering ", self.client_log())
        else:
            # No GPU here: OpenGL would be a software rasteriser.
            self.assertIn("engine: rendering without accelerated compositing: no GPU render node",
                          self.client_log())


# Added to the bundle's start page: reports once the page has said it is done
# and two frames have been drawn since.
READY_REPORTER = """<script>
(function () {
  function report() {
    var xhr = new XMLHttpRequest();
    xhr.open("POST", "http://127.0.0.1:%d/report", false);
    xhr.send(JSON.stringify({event: "ready", page: "bundle-start"}));
  }
  function drawn() { requestAnimationFrame(function () { requestAnimationFrame(report); }); }
  if (document.documentElement.dataset.ready === "true") drawn();
  else document.addEventListener("startpage:ready", drawn);
})();
</script>
"""


def differing(a, b, fuzz="3%"):
    """Pixels of two pictures further apart than fuzz."""
    out = subprocess.run(["compare", "-metric", "AE", "-fuzz", fuzz, a, b, "null:"],
                         capture_output=True, text=True)
    value = out.stderr.strip().split()[0] if out.stderr.strip() else "0"
    return int(float(value))


def pixel_count(picture):
    size = subprocess.run(["identify", "-format", "%w %h", picture], capture_output=True,
                          text=True).stdout.split()
    return int(size[0]) * int(size[1])


if __name__ == "__main__":
    unittest.main()
