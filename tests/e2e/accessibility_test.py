"""What a screen reader and a keyboard user meet in the client's own windows,
end to end. The client runs on a private session bus with the accessibility
bus on (at-spi's bus launcher starts it and its registry); the tests read the
tree through AT-SPI (GObject introspection's Atspi), invoke actions through it
and press keys with xdotool. The desktop's opener is a recorder, made the
default application for files and folders in a private mimeapps.list. Each
window's tree, as a screen reader meets it, is written to
build/artifacts/accessible_<window>.txt."""

import os
import signal
import subprocess
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(__file__))
from a11y_bus import AccessibilityBus  # noqa: E402
from harness import BINARY_DIR, WAIT, ClientTest  # noqa: E402
from page_recovery_test import SPIN  # noqa: E402
from update_test import UpdateService  # noqa: E402

BUS = None
Atspi = None
GLib = None


def setUpModule():
    global BUS, Atspi, GLib
    import gi
    gi.require_version("Atspi", "2.0")
    from gi.repository import Atspi as atspi, GLib as glib
    Atspi, GLib = atspi, glib
    BUS = AccessibilityBus()
    BUS.wait_ready()
    os.environ["DBUS_SESSION_BUS_ADDRESS"] = BUS.address
    Atspi.init()


def tearDownModule():
    if BUS is not None:
        BUS.close()


def children(node):
    return [c for c in (node.get_child_at_index(i) for i in range(node.get_child_count()))
            if c is not None]


def walk(node):
    yield node
    # The page's own tree is the engine's, and well exposed; it is not ours.
    if node.get_role() != Atspi.Role.DOCUMENT_WEB:
        for child in children(node):
            yield from walk(child)


def states(node):
    state_set = node.get_state_set()
    return {s.value_nick for s in Atspi.StateType.__enum_values__.values()
            if state_set.contains(s)}


def actions(node):
    action = node.get_action_iface()
    return [action.get_action_name(i) for i in range(action.get_n_actions())] if action else []


def extents(node):
    r = node.get_component_iface().get_extents(Atspi.CoordType.SCREEN)
    return r.x, r.y, r.width, r.height


def describe(node):
    """One line as a screen reader reads the object."""
    line = "%s %r" % (node.get_role_name(), node.get_name())
    value = node.get_value_iface()
    if value is not None:
        line += " value %g of %g..%g" % (value.get_current_value(), value.get_minimum_value(),
                                         value.get_maximum_value())
    if actions(node):
        line += " actions %s" % ",".join(actions(node))
    shown = sorted(states(node) & {"focusable", "focused", "showing", "enabled"})
    return line + " [%s]" % " ".join(shown)


def tree_text(node, depth=0):
    lines = ["  " * depth + describe(node)]
    if node.get_role() != Atspi.Role.DOCUMENT_WEB:
        for child in children(node):
            lines += tree_text(child, depth + 1)
    return lines


class AccessibleClientTest(ClientTest):
    """A client on the accessibility bus, with a recorder as the opener."""

    def setUp(self):
        super().setUp()
        self.opened = os.path.join(self.tmp, "opened")
        recorder = os.path.join(self.tmp, "record-open")
        with open(recorder, "w") as f:
            f.write("#!/bin/sh\nprintf '%%s\\n' \"$1\" >> '%s'\n" % self.opened)
        os.chmod(recorder, 0o755)
        apps = os.path.join(self.data_home, "applications")
        os.makedirs(apps)
        with open(os.path.join(apps, "record-open.desktop"), "w") as f:
            f.write("[Desktop Entry]\nType=Application\nName=Recorder\nExec=%s %%u\n"
                    "MimeType=application/pdf;inode/directory;\n" % recorder)
        config = os.path.join(self.tmp, "config")
        os.makedirs(config)
        with open(os.path.join(config, "mimeapps.list"), "w") as f:
            f.write("[Default Applications]\napplication/pdf=record-open.desktop\n"
                    "inode/directory=record-open.desktop\n")
        self.events = []
        self.listener = Atspi.EventListener.new(self.record_event)
        for kind in ("object:children-changed", "object:property-change:accessible-name",
                     "object:state-changed:focused", "object:text-changed:insert"):
            self.listener.register(kind)

    def record_event(self, event):
        # Nothing is asked of the client here: a call from within the event's
        # delivery could wait on the delivery itself.
        self.events.append((event.type, event.source, event.any_data, event.detail1))

    def heard(self, kind, name):
        """Whether an event of that kind told the name (a row's file name
        before its state): the new name of a name change, the child added,
        the object that took the focus."""
        for event_type, source, data, detail in self.events:
            if not event_type.startswith(kind):
                continue
            try:
                if kind.startswith("object:property-change"):
                    told = str(data)
                elif kind.startswith("object:children-changed"):
                    told = data.get_name() if isinstance(data, Atspi.Accessible) else ""
                else:
                    told = source.get_name() if detail == 1 else ""
            except GLib.Error:
                continue  # an object gone since
            # A row is named by its file and then its state.
            if told == name or told.startswith(name + "，"):
                return True
        return False

    def tearDown(self):
        for kind in ("object:children-changed", "object:property-change:accessible-name",
                     "object:state-changed:focused", "object:text-changed:insert"):
            self.listener.deregister(kind)
        super().tearDown()

    def client_env(self):
        env = super().client_env()
        for name in ("NO_AT_BRIDGE", "GTK_A11Y"):
            env.pop(name, None)
        env["DBUS_SESSION_BUS_ADDRESS"] = BUS.address
        env["XDG_CONFIG_HOME"] = os.path.join(self.tmp, "config")
        return env

    def wait_until(self, predicate, timeout=WAIT, message="condition not met"):
        # Events reach the listener from the loop.
        def pumped():
            while GLib.MainContext.default().iteration(False):
                pass
            return predicate()
        return super().wait_until(pumped, timeout, message)

    def app(self):
        desktop = Atspi.get_desktop(0)
        for app in children(desktop):
            if app.get_process_id() == self.proc.pid:
                return app
        return None

    def window(self, name):
        """The shown window the screen reader names name."""
        def shown():
            app = self.app()
            for w in children(app) if app else []:
                try:
                    if w.get_name() == name and "showing" in states(w):
                        return w
                except GLib.Error:
                    pass  # a window that closed since the list was read
            return None
        return self.wait_until(shown, message="no window named %r" % name)

    def find(self, root, role, name=None, starting=False):
        """The objects below root of that role (and name, or name start), in
        reading order."""
        def named(node):
            return name is None or (node.get_name().startswith(name) if starting
                                    else node.get_name() == name)
        return [n for n in walk(root) if n.get_role() == role and named(n)]

    def one(self, root, role, name, starting=False):
        return self.wait_until(lambda: (self.find(root, role, name, starting) or [None])[0],
                               message="no %s named %r" % (role.value_nick, name))

    def save_tree(self, window, label):
        os.makedirs(os.path.join(BINARY_DIR, "artifacts"), exist_ok=True)
        text = "\n".join(tree_text(window)) + "\n"
        with open(os.path.join(BINARY_DIR, "artifacts", "accessible_%s.txt" % label), "w") as f:
            f.write(text)
        return text

    def click(self, node):
        self.assertEqual(actions(node), ["click"])
        self.assertTrue(node.get_action_iface().do_action(0))

    def opened_lines(self):
        try:
            with open(self.opened) as f:
                return f.read().split()
        except FileNotFoundError:
            return []

    def key(self, *keys):
        subprocess.run(["xdotool", "key", "--delay", "50", *keys], check=True)


class MainWindow(AccessibleClientTest):
    def test_title_strip_buttons_are_named_focusable_and_clickable(self):
        self.start()
        self.report(event="load", page="start")
        self.maximised_window_id()
        frame = self.window("Quorbital")
        self.assertEqual(frame.get_role(), Atspi.Role.FRAME)
        restore = self.one(frame, Atspi.Role.PUSH_BUTTON, "还原")
        buttons = self.find(frame, Atspi.Role.PUSH_BUTTON)
        self.assertEqual([b.get_name() for b in buttons], ["最小化", "还原", "关闭"])
        for button in buttons:
            self.assertEqual(actions(button), ["click"])
            self.assertLessEqual({"enabled", "focusable", "showing"}, states(button))
        # Extents are the drawn buttons: 36 x 24 at the right end of the strip.
        screen_w, _ = self.screen_size()
        self.assertEqual(extents(buttons[2]), (screen_w - 36, 0, 36, 24))
        self.assertEqual([b.get_name() for b in self.find(frame, Atspi.Role.LABEL)],
                         ["Quorbital"])
        self.save_tree(frame, "main_window")

        # F6 takes the focus to the strip's first button, as the reader hears.
        self.key("F6")
        minimise = buttons[0]
        self.wait_until(lambda: "focused" in states(minimise), message="not focused")
        self.assertTrue(self.heard("object:state-changed:focused", "最小化"))
        # A click action does what the mouse does.
        self.click(restore)
        self.one(frame, Atspi.Role.PUSH_BUTTON, "最大化")
        self.click(self.one(frame, Atspi.Role.PUSH_BUTTON, "关闭"))
        self.assertEqual(self.wait_exit(), 0)


class DownloadWindow(AccessibleClientTest):
    def setUp(self):
        super().setUp()
        self.folder = os.path.join(self.tmp, "saved")
        os.makedirs(self.folder)
        self.start()
        self.report(event="load", page="start")

    def download(self, path, name):
        self.answer_dialog(os.path.join(self.folder, name))
        self.run_js("location.href = CONTROL + '/slide/download/%s'" % path)

    def row(self, listing, name):
        """The row of the file name: named by the file, then its state."""
        return self.one(listing, Atspi.Role.LIST_ITEM, name + "，", starting=True)

    def test_a_finished_and_a_failed_row_and_what_their_buttons_do(self):
        self.download("a.pdf", "a.pdf")
        window = self.window("下载")
        self.assertEqual(window.get_role(), Atspi.Role.FRAME)
        listing = self.one(window, Atspi.Role.LIST, "下载列表")
        finished = self.row(listing, "a.pdf")
        self.one(finished, Atspi.Role.PUSH_BUTTON, "打开文件")
        # The reader hears a row come, and its outcome.
        self.download("missing/b.pdf", "b.pdf")
        failed = self.row(listing, "b.pdf")
        reason = self.one(failed, Atspi.Role.LABEL, "下载失败：", starting=True).get_name()
        self.wait_until(lambda: self.heard("object:children-changed:add", "b.pdf")
                        and self.heard("object:children-changed:add", reason),
                        message="the new row and its failure were not told")
        self.assertEqual([b.get_name() for b in self.find(failed, Atspi.Role.PUSH_BUTTON)],
                         ["重试", "移除"])
        done = self.one(finished, Atspi.Role.LABEL, "下载完成    1KB")
        self.assertEqual(done.get_text_iface().get_text(0, -1), "下载完成    1KB")
        for row, percent in ((finished, 100), (failed, 0)):
            bar = self.one(row, Atspi.Role.PROGRESS_BAR, "下载进度")
            value = bar.get_value_iface()
            self.assertEqual((value.get_current_value(), value.get_minimum_value(),
                              value.get_maximum_value()), (percent, 0, 100))
        open_file = self.one(finished, Atspi.Role.PUSH_BUTTON, "打开文件")
        open_folder = self.one(finished, Atspi.Role.PUSH_BUTTON, "打开文件夹")
        names = [b.get_name() for b in self.find(window, Atspi.Role.PUSH_BUTTON)]
        self.assertEqual(names, ["最小化", "最大化", "关闭", "打开文件", "打开文件夹", "移除", "重试",
                                 "移除", "关闭"])
        self.save_tree(window, "download_window")
        # A running download's size text is told as it changes; its 取消
        # stops it.
        self.download("slow/c.pdf", "c.pdf")
        running = self.row(listing, "c.pdf")
        self.wait_until(lambda: any(e[0] == "object:property-change:accessible-name"
                                    and str(e[2]).endswith("/64.00MB") for e in self.events),
                        message="the running size was not told")
        self.click(self.one(running, Atspi.Role.PUSH_BUTTON, "取消"))
        self.one(running, Atspi.Role.PUSH_BUTTON, "重试")

        self.click(open_file)
        self.wait_until(lambda: self.opened_lines() == [
            os.path.join(self.folder, "a.pdf")], message="the file was not opened")
        self.click(open_folder)
        self.wait_until(lambda: self.opened_lines()[1:] == [self.folder],
                        message="the folder was not opened")
        close = self.find(window, Atspi.Role.PUSH_BUTTON, "关闭")[-1]
        self.click(close)
        self.wait_until(lambda: not self.find_windows("下载"), message="the list stays")

    def test_keys_alone_open_the_file_and_the_folder_and_escape_hides_the_list(self):
        self.download("c.pdf", "c.pdf")
        window = self.window("下载")
        open_file = self.one(window, Atspi.Role.PUSH_BUTTON, "打开文件")
        # Tab goes round the window's buttons in reading order.
        def focus_at():
            """Where in the window the focus is: the path of child indices."""
            for node in walk(window):
                if "focused" in states(node):
                    path = []
                    while node is not None and node != window:
                        path.append(node.get_index_in_parent())
                        node = node.get_parent()
                    return path
            return None
        for _ in range(8):
            if "focused" in states(open_file):
                break
            before = focus_at()
            self.key("Tab")
            self.wait_until(lambda: focus_at() != before, message="Tab does not move the focus")
        self.assertIn("focused", states(open_file))
        self.assert_focus_ring(open_file)
        self.key("Return")
        self.wait_until(lambda: self.opened_lines() == [
            os.path.join(self.folder, "c.pdf")], message="the file was not opened")
        self.key("Tab", "space")
        self.wait_until(lambda: self.opened_lines()[1:] == [self.folder],
                        message="the folder was not opened")
        self.key("shift+Tab", "shift+Tab")
        self.wait_until(lambda: "focused" in states(self.find(window, Atspi.Role.PUSH_BUTTON)[2]))
        self.key("Escape")
        self.wait_until(lambda: not self.find_windows("下载"), message="the list stays")
        self.assertIsNone(self.proc.poll())

    def assert_focus_ring(self, button):
        """The focused button, which has edges of its own, has the dark blue
        ring the toolkit draws around it, 2 pixels out, on a light list."""
        x, y, w, h = extents(button)
        shot = os.path.join(self.tmp, "ring.png")

        def ring():
            # The button and 4 pixels around it; the ring's middle is 3 out.
            subprocess.run(["import", "-window", "root", "-crop",
                            "%dx%d+%d+%d" % (w + 8, h + 8, x - 4, y - 4), shot], check=True)
            out = subprocess.run(["convert", shot, "-depth", "8", "rgb:-"], capture_output=True,
                                 check=True).stdout
            at = lambda px, py: tuple(out[(py * (w + 8) + px) * 3:(py * (w + 8) + px) * 3 + 3])
            return at(1, h // 2 + 4) == at(w // 2 + 4, 1) == (0x1D, 0x4E, 0xD8)
        self.wait_until(ring, message="no focus ring around the button")


class UpdateWindow(AccessibleClientTest):
    def setUp(self):
        super().setUp()
        self.service = UpdateService(self.server.port)
        with open(os.path.join(self.data_dir, "version.ini"), "w") as f:
            f.write("[versionInformation]\nbuild=1000\ncloudHost=http://127.0.0.1:%d/\n"
                    % self.service.port)

    def tearDown(self):
        super().tearDown()
        self.service.close()

    def test_in_progress_and_finished(self):
        self.service.archive = "held"
        self.start()
        # Named by the caption it shows, not by its internal title.
        dialog = self.window("内容升级")
        self.assertEqual(dialog.get_role(), Atspi.Role.DIALOG)
        self.assertTrue(self.find_windows("update_dialog"))
        self.assertTrue(self.service.half_sent.wait(WAIT))
        bar = self.one(dialog, Atspi.Role.PROGRESS_BAR, "升级进度")
        self.wait_until(lambda: bar.get_value_iface().get_current_value() > 0,
                        message="the bar does not move")
        self.one(dialog, Atspi.Role.LABEL, "正在升级...")
        close = self.one(dialog, Atspi.Role.PUSH_BUTTON, "关闭")
        self.assertEqual(self.find(dialog, Atspi.Role.PUSH_BUTTON, "开始使用"), [])
        self.save_tree(dialog, "update_window_in_progress")
        # Its click action asks to wait, as the mouse's click does.
        self.click(close)
        box = self.wait_until(lambda: (self.find_windows("提示") or [None])[0])
        subprocess.run(["xdotool", "windowactivate", "--sync", box], check=False)
        self.key("Return")
        self.wait_until(lambda: not self.find_windows("提示"), message="the message box stays")

        self.service.release.set()
        start = self.one(dialog, Atspi.Role.PUSH_BUTTON, "开始使用")
        self.wait_until(lambda: "focused" in states(start), message="start is not focused")
        self.assertEqual(self.find(dialog, Atspi.Role.PROGRESS_BAR), [])
        self.assertTrue(self.heard("object:property-change:accessible-name", "升级成功"))
        self.save_tree(dialog, "update_window_finished")
        self.click(start)
        self.report(event="load", page="newstart")

    def test_failed(self):
        self.service.archive = "bad"
        self.start()
        dialog = self.window("内容升级")
        self.one(dialog, Atspi.Role.LABEL, "升级失败：", starting=True)
        self.save_tree(dialog, "update_window_failed")
        self.click(self.one(dialog, Atspi.Role.PUSH_BUTTON, "关闭"))
        self.report(event="load", page="start")


class PageThatStops(AccessibleClientTest):
    """The box for a page that does not answer and the notice page for one
    that stopped twice, read as a screen reader reads them and worked with
    keys alone."""

    def web_process_killed(self):
        pids = self.wait_until(self.web_processes, message="no web process")
        for pid in pids:
            os.kill(pid, signal.SIGKILL)

    def test_the_hang_box_and_the_notice_page(self):
        self.start()
        self.report(event="load", page="start")
        self.run_js(SPIN, page="start")
        self.report(event="spinning")
        self.key("shift")  # input the page leaves unanswered
        box = self.window("页面没有响应")
        self.assertIn(box.get_role(), (Atspi.Role.ALERT, Atspi.Role.DIALOG))
        self.one(box, Atspi.Role.LABEL, "这个页面没有响应。")
        buttons = self.find(box, Atspi.Role.PUSH_BUTTON)
        self.assertEqual([b.get_name() for b in buttons], ["等待", "重新加载"])
        for button in buttons:
            self.assertEqual(actions(button), ["click"])
        self.wait_until(lambda: "focused" in states(buttons[1]), message="重新加载 is not focused")
        self.save_tree(box, "hang_box")
        self.key("Return")
        self.report(event="load", page="start")

        # Ended again within a minute: the notice page instead of a reload.
        self.web_process_killed()
        frame = self.window("Quorbital")

        def notice_page():
            try:
                return (self.find(frame, Atspi.Role.DOCUMENT_WEB, "页面已停止运行") or [None])[0]
            except GLib.Error:
                return None  # the objects of the ended process answer no more
        page = self.wait_until(notice_page, message="no notice page")
        links = self.wait_until(lambda: [n for n in walk_page(page)
                                         if n.get_role() == Atspi.Role.LINK] or None)
        self.assertEqual([n.get_name() for n in links], ["重新加载", "返回首页"])
        self.wait_until(lambda: "focused" in states(links[0]), message="重新加载 is not focused")
        text = "\n".join(describe(n) for n in walk_page(page)) + "\n"
        self.assertIn("页面意外停止运行", text)
        with open(os.path.join(BINARY_DIR, "artifacts", "accessible_notice_page.txt"), "w") as f:
            f.write(text)
        self.key("Return")
        self.report(event="load", page="start")


def walk_page(node):
    """The page's own objects too (walk stops at the page)."""
    yield node
    for child in children(node):
        yield from walk_page(child)


if __name__ == "__main__":
    unittest.main()
