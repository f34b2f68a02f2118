"""Downloads end to end: what the server sees of a click on a slide link, what
the client holds of the chosen folder and its disk while and after it saves,
and the download list as a person reads it (through AT-SPI, as a screen
reader does, on the accessibility bus of accessibility_test.py). Pictures of
the list go to build/artifacts/download_list_scale<N>.png."""

import os
import re
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(__file__))
import accessibility_test as a11y  # noqa: E402
from harness import BINARY_DIR, ControlServer  # noqa: E402

setUpModule = a11y.setUpModule
tearDownModule = a11y.tearDownModule

# A name of 70 characters, longer than the row has room for.
LONG_NAME = "lecture-slides-for-the-spring-term-chapter-twelve-revised-final-v3.pdf"


class DownloadTest(a11y.AccessibleClientTest):
    """A client with its diagnostics (each row's state) in a log, and its
    download list as a screen reader finds it."""

    def setUp(self):
        super().setUp()
        self.folder = os.path.join(self.tmp, "saved")
        os.makedirs(self.folder)
        self.log = os.path.join(self.tmp, "client.log")
        with open(self.log, "w") as out:
            self.proc = self.spawn(env=dict(self.client_env(), QUORBITAL_DEBUG="1"),
                                   stdout=out, stderr=subprocess.STDOUT)
        self.report(event="load", page="start")

    def logged(self, text):
        with open(self.log, encoding="utf-8", errors="replace") as f:
            return text in f.read()

    def download(self, path, name=None, folder=None):
        """Clicks a link to /slide/download/<path> on the start page, as a
        person would, and saves it as name in folder."""
        self.answer_dialog(os.path.join(folder or self.folder, name or path.split("/")[-1]))
        self.run_js("var a = document.getElementById('link'); a.href = CONTROL + %r; a.click();"
                    % ("/slide/download/" + path), page="start")

    def requests_for(self, path):
        return [r for r in self.server.requests if r.partition("?")[0] == path]

    def held_in(self, folder):
        """The client's descriptors that point at folder or into it."""
        held = []
        fds = "/proc/%d/fd" % self.proc.pid
        for fd in os.listdir(fds):
            try:
                target = os.readlink(os.path.join(fds, fd))
            except OSError:
                continue
            if target == folder or target.startswith(folder + "/"):
                held.append(target)
        return held

    def listing(self):
        return self.one(self.window("下载"), a11y.Atspi.Role.LIST, "下载列表")

    def row(self, name):
        """The row of the file name (its accessible name starts with it)."""
        return self.one(self.listing(), a11y.Atspi.Role.LIST_ITEM, name, starting=True)

    def button(self, row, name):
        return self.one(row, a11y.Atspi.Role.PUSH_BUTTON, name)

    def labels(self, row):
        return [n.get_name() for n in self.find(row, a11y.Atspi.Role.LABEL)]

    def picture_of_eight_rows(self, scale):
        """Eight rows, more than the list shows at once: finished, failed,
        running and one with a long name; the newest is in view."""
        for i in range(5):
            self.download("f%d.pdf" % i)
        self.download("missing/gone.pdf")
        self.download("a.pdf", LONG_NAME)
        self.download("slow/running.pdf")
        running = self.row("running.pdf")
        self.wait_until(lambda: self.logged("download: gone.pdf: 下载失败"))
        self.wait_until(lambda: any("/s，" in t for t in self.labels(running)),
                        message="the running row shows no speed")
        listing = self.listing()
        def eight_rows():
            found = self.find(listing, a11y.Atspi.Role.LIST_ITEM)
            return found if len(found) == 8 else None
        rows = self.wait_until(eight_rows, message="not eight rows")
        lx, ly, lw, lh = a11y.extents(listing)
        x, y, w, h = a11y.extents(rows[-1])
        self.assertTrue(ly <= y and y + h <= ly + lh, "the newest row is not in view")
        os.makedirs(os.path.join(BINARY_DIR, "artifacts"), exist_ok=True)
        shot = os.path.join(BINARY_DIR, "artifacts", "download_list_scale%d.png" % scale)
        wid = self.find_windows("下载")[0]
        subprocess.run(["import", "-window", wid, shot], check=True)
        self.click(self.button(running, "取消"))


class OneRequest(DownloadTest):
    def test_a_click_makes_exactly_the_clients_own_request(self):
        # On a server of its own, which the page's own traffic never reaches,
        # the link costs one connection too: the engine opens none for it.
        files = ControlServer(control_port=self.server.port)
        self.addCleanup(files.close)
        target = os.path.join(self.folder, "once.pdf")
        self.answer_dialog(target)
        self.run_js("var a = document.getElementById('link');"
                    " a.href = 'http://127.0.0.1:%d/slide/download/once.pdf'; a.click();"
                    % files.port, page="start")
        self.wait_until(lambda: os.path.exists(target), message="nothing saved")
        self.assertEqual(len(files.requests), 1, files.requests)
        self.assertRegex(files.requests[0], r"^/slide/download/once\.pdf\?skq=-?\d+$")
        self.assertEqual(len(files.connections), 1, files.connections)
        # A link that leads there by a redirect: the redirect is the page's,
        # the download's address is asked for once, by the client.
        target = os.path.join(self.folder, "moved.pdf")
        self.answer_dialog(target)
        self.run_js("var a = document.getElementById('link');"
                    " a.href = CONTROL + '/redirect?to=/slide/download/moved.pdf'; a.click();",
                    page="start")
        self.wait_until(lambda: os.path.exists(target), message="nothing saved")
        self.assertEqual(len(self.requests_for("/slide/download/moved.pdf")), 1)
        # The page that was clicked is still there.
        self.assertEqual(self.ask("PAGE", page="start"), "start")


class FolderAndDisk(DownloadTest):
    def test_an_ended_download_holds_nothing_of_its_folder(self):
        self.download("a.pdf")
        self.wait_until(lambda: os.path.exists(os.path.join(self.folder, "a.pdf")))
        self.wait_until(lambda: not self.held_in(self.folder),
                        message="a finished download holds its folder")
        # While it runs, only the file being written is held; a cancelled
        # one lets go of it at once.
        self.download("slow/c.pdf")
        self.wait_until(lambda: self.server.slow_sent >= 256 * 1024)
        self.assertEqual(len(self.held_in(self.folder)), 1, self.held_in(self.folder))
        self.click(self.button(self.row("c.pdf"), "取消"))
        self.button(self.row("c.pdf"), "重试")
        self.assertEqual(self.held_in(self.folder), [])
        self.assertEqual(sorted(os.listdir(self.folder)), ["a.pdf"])

    def test_a_full_disk_fails_and_frees_its_space_and_cancelling_frees_at_once(self):
        small = tempfile.mkdtemp(prefix="quorbital-small-")
        self.addCleanup(os.rmdir, small)
        mounted = subprocess.run(["mount", "-t", "tmpfs", "-o", "size=4m", "tmpfs", small],
                                 capture_output=True, text=True)
        if mounted.returncode != 0:
            self.skipTest("cannot mount a small file system here (%s)" % mounted.stderr.strip())
        # Unmounted even when the client, which tearDown ends first, failed.
        self.addCleanup(subprocess.run, ["umount", "-l", small], check=False)

        def used():
            st = os.statvfs(small)
            return (st.f_blocks - st.f_bfree) * st.f_frsize

        # 64 MiB do not go into 4 MiB.
        self.download("slow/big.pdf", folder=small)
        self.wait_until(lambda: self.logged("download: big.pdf: 下载失败：磁盘空间不足"), timeout=60,
                        message="the row does not say the disk is full")
        self.wait_until(lambda: used() < 256 * 1024, timeout=2,
                        message="the space of the failed download is still taken")
        row = self.row("big.pdf")
        self.wait_until(lambda: [b.get_name() for b in self.find(row, a11y.Atspi.Role.PUSH_BUTTON)]
                        == ["重试", "移除"], message="the failed row's buttons are not 重试, 移除")
        # Removed by the keyboard, as by the mouse: the row goes.
        remove = self.button(row, "移除")
        self.assertTrue(remove.get_component_iface().grab_focus())
        self.wait_until(lambda: "focused" in a11y.states(remove))
        self.key("Return")
        self.wait_until(lambda: not self.find(self.listing(), a11y.Atspi.Role.LIST_ITEM,
                                              "big.pdf", starting=True),
                        message="the row stays")
        self.assertTrue(self.logged("download: big.pdf: 已移除"))

        self.download("slow/part.pdf", folder=small)
        self.wait_until(lambda: used() >= 512 * 1024, message="nothing arrives")
        self.click(self.button(self.row("part.pdf"), "取消"))
        self.wait_until(lambda: used() < 256 * 1024, timeout=2,
                        message="a cancelled download keeps its bytes")
        self.assertEqual(os.listdir(small), [])


class List(DownloadTest):
    def test_long_names_speed_time_left_and_a_quiet_server(self):
        self.download("a.pdf", LONG_NAME)
        row = self.row(LONG_NAME)
        title = self.one(row, a11y.Atspi.Role.LABEL, LONG_NAME)
        # The pointer brings up the whole name as a tooltip, wider than the
        # row's shortened one.
        x, y, w, h = a11y.extents(title)
        subprocess.run(["xdotool", "mousemove", str(x + w // 2), str(y + h // 2)], check=True)
        self.wait_until(lambda: any(width > w for width in self.tooltip_widths()),
                        message="no tooltip wider than the row's name")
        self.button(row, "移除")

        self.download("slow/c.pdf")
        running = self.row("c.pdf")
        speed = re.compile(r"^\d+(\.\d)? (B|KB|MB)/s，剩余 \d+ (秒|分 \d+ 秒|分钟)$")
        self.wait_until(lambda: any(speed.match(t) for t in self.labels(running)),
                        message="no speed and time left: %r" % self.labels(running))
        self.click(self.button(running, "取消"))

        self.download("silent/d.pdf")
        quiet = self.row("d.pdf")
        self.wait_until(lambda: "等待服务器响应…" in self.labels(quiet),
                        message="a silent server is not told: %r" % self.labels(quiet))
        self.click(self.button(quiet, "取消"))

    def tooltip_widths(self):
        """The widths of the client's tooltip windows on the screen."""
        widths = []
        for wid in subprocess.run(["xdotool", "search", "--onlyvisible", "--pid",
                                   str(self.proc.pid)], capture_output=True, text=True).stdout.split():
            kind = subprocess.run(["xprop", "-id", wid, "_NET_WM_WINDOW_TYPE"],
                                  capture_output=True, text=True).stdout
            if "_NET_WM_WINDOW_TYPE_TOOLTIP" in kind:
                widths.append(self.window_geometry(wid).get("WIDTH", 0))
        return widths

    def test_eight_rows_at_scale_one(self):
        self.picture_of_eight_rows(1)


class ListAtScaleTwo(DownloadTest):
    def client_env(self):
        env = super().client_env()
        env["GDK_SCALE"] = "2"
        return env

    def test_eight_rows_at_scale_two(self):
        self.picture_of_eight_rows(2)



if __name__ == "__main__":
    unittest.main()
