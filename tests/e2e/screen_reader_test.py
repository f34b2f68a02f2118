"""The client's windows walked with the keyboard under a real screen reader
(Orca, speech written to a file), checking what a listener hears. Orca runs
once for the module on a private accessibility bus; each test starts a
client there. The walk's transcript goes to
build/artifacts/screen_reader_<test>.txt."""

import os
import subprocess
import sys
import unittest

sys.path.insert(0, os.path.dirname(__file__))
from a11y_bus import AccessibilityBus  # noqa: E402
from harness import BINARY_DIR, WAIT, ClientTest  # noqa: E402
from screen_reader import ScreenReader, missing_tools  # noqa: E402
from update_test import UpdateService  # noqa: E402

BUS = None
READER = None


def setUpModule():
    global BUS, READER
    lacking = missing_tools()
    if lacking:
        raise unittest.SkipTest("no screen reader here: missing %s (scripts/install-deps.sh)"
                                % lacking)
    BUS = AccessibilityBus()
    BUS.wait_ready(screen_reader=True)
    READER = ScreenReader(BUS.env)
    try:
        READER.wait_ready(WAIT * 2)
    except BaseException:
        tearDownModule()  # not called after a failed set-up
        raise


def tearDownModule():
    if READER is not None:
        READER.close()
        os.makedirs(os.path.join(BINARY_DIR, "artifacts"), exist_ok=True)
        READER.remove(keep_log=os.path.join(BINARY_DIR, "artifacts", "screen_reader_orca.log"))
    if BUS is not None:
        BUS.close()


def spoken(text):
    """Text as it reaches the speech file: Orca passes the full-width comma
    and colon on as their ASCII forms."""
    return text.replace("，", ",").replace("：", ":")


class Listening(ClientTest):
    """A client on the screen reader's bus; step() presses keys and waits
    for what they make Orca say. Nothing the client makes Orca say may be
    about a container or a nameless, disabled object."""

    NEVER = ("panel", "grayed", "filler", "redundant")

    def setUp(self):
        super().setUp()
        self.transcript = []
        self.mark = READER.mark()

    def tearDown(self):
        os.makedirs(os.path.join(BINARY_DIR, "artifacts"), exist_ok=True)
        path = os.path.join(BINARY_DIR, "artifacts", "screen_reader_%s.txt" % self._testMethodName)
        with open(path, "w", encoding="utf-8") as f:
            f.write("\n".join(self.transcript) + "\n")
        super().tearDown()

    def client_env(self):
        env = super().client_env()
        for name in ("NO_AT_BRIDGE", "GTK_A11Y"):
            env.pop(name, None)
        env["DBUS_SESSION_BUS_ADDRESS"] = BUS.address
        return env

    def step(self, keys, *expected):
        """Presses keys (none: waits for what happened already) and waits
        until every expected text has been said since the last step.
        Returns what was said."""
        if keys:
            self.transcript.append("[%s]" % " ".join(keys))
            subprocess.run(["xdotool", "key", "--delay", "60", *keys], check=True)
        wanted = [spoken(text) for text in expected]
        said = READER.wait_for(
            lambda lines: all(any(text in line for line in lines) for text in wanted), self.mark,
            WAIT, "%s did not make Orca say %r" % (" ".join(keys) or "the client", expected))
        self.mark += len(said)
        self.transcript += ["  " + line for line in said]
        for line in said:
            self.assertFalse([word for word in self.NEVER if word in line.lower()],
                             "Orca said %r" % line)
        return said


class MainAndDownloadWindows(Listening):
    def download(self, path, name):
        """A download from the page into the saved folder; the list shows."""
        self.answer_dialog(os.path.join(self.folder, name))
        self.run_js("location.href = CONTROL + '/slide/download/%s'" % path)

    def test_walk_with_the_keyboard(self):
        self.folder = os.path.join(self.tmp, "saved")
        os.makedirs(self.folder)
        self.start()
        self.report(event="load", page="start")
        # The main window, then the title strip's first button in one step,
        # then the page again.
        self.step((), "Quorbital frame")
        self.step(("F6",), "最小化 push button")
        self.step(("F6",), "start document")
        # A finished, a failed and a running download: each time the list
        # comes up with the new row's first button.
        self.download("a.pdf", "a.pdf")
        self.step((), "下载 frame", "打开文件 push button", "a.pdf，下载完成，1 KB")
        self.download("missing/b.pdf", "b.pdf")
        self.step((), "重试 push button", "b.pdf，下载失败：服务器错误 404")
        self.download("slow/c.pdf", "c.pdf")
        self.step((), "取消 push button", "c.pdf，正在下载")
        # Escape hides the list: the page's document has the keyboard.
        self.step(("Escape",), "start document")
        self.step(("ctrl+j",), "下载 frame", "取消 push button", "c.pdf，正在下载")
        # Back into the failed row: each of its buttons says whose it is.
        self.step(("shift+Tab",), "移除 push button", "b.pdf，下载失败：服务器错误 404")
        self.step(("shift+Tab",), "重试 push button", "b.pdf，下载失败：服务器错误 404")
        self.step(("Tab", "Tab"), "取消 push button")
        # 取消 stops the download: the row says so, and 重试 takes the focus.
        self.step(("Return",), "c.pdf，已取消", "重试 push button")


class UpdateWindow(Listening):
    def setUp(self):
        super().setUp()
        self.service = UpdateService(self.server.port)
        with open(os.path.join(self.data_dir, "version.ini"), "w") as f:
            f.write("[versionInformation]\nbuild=1000\ncloudHost=http://127.0.0.1:%d/\n"
                    % self.service.port)

    def tearDown(self):
        super().tearDown()
        self.service.close()

    def test_status_on_show_and_at_the_end(self):
        self.service.archive = "held"
        self.start()
        # The window and its text, with the button that has the focus.
        # (Orca reads the dots of "正在升级..." out.)
        self.step((), "内容升级 dialog", "关闭 push button", "正在升级")
        self.assertTrue(self.service.half_sent.wait(WAIT))
        self.service.release.set()
        self.step((), "开始使用 push button", "升级成功")
        self.step(("Return",))
        self.report(event="load", page="newstart")

    def test_a_failure_is_heard(self):
        # The window comes with its close button and says why.
        self.service.archive = "bad"
        self.start()
        self.step((), "内容升级 dialog", "关闭 push button", "升级失败：")


if __name__ == "__main__":
    unittest.main()
