"""The client end to end: the real binary under the test display, with a
private data directory and a page bundle that reports to the test."""

import os
import re
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import time
import unittest
from urllib.parse import quote, unquote

sys.path.insert(0, os.path.dirname(__file__))
from harness import BINARY_DIR, ClientTest  # noqa: E402


class StartUp(ClientTest):
    def test_no_argument_shows_the_start_page_maximised_below_the_title_strip(self):
        self.start()
        self.report(event="load", page="start")
        geometry = self.window_geometry(self.maximised_window_id())
        # The page hears of the new size after the window does.
        self.wait_for("innerWidth", geometry["WIDTH"])
        self.wait_for("innerHeight", geometry["HEIGHT"] - 24)
        os.makedirs(os.path.join(BINARY_DIR, "artifacts"), exist_ok=True)
        subprocess.run(["import", "-window", "root",
                        os.path.join(BINARY_DIR, "artifacts", "main_window_start.png")],
                       check=False)

    def test_default_bundle_start_page_is_drawn(self):
        # The bundle shipped with the client, as a new user first sees it; the
        # screenshot shows its Chinese texts (their glyphs are checked by
        # bundle_editor_page_test).
        shutil.rmtree(os.path.join(self.data_dir, "contentEditor"))
        log = os.path.join(self.tmp, "client.log")
        env = dict(self.client_env(), QUORBITAL_DEBUG="1")
        with open(log, "w") as out:
            self.proc = self.spawn(env=env, stdout=out, stderr=subprocess.STDOUT)
        wid = self.window_id()
        os.makedirs(os.path.join(BINARY_DIR, "artifacts"), exist_ok=True)
        shot = os.path.join(BINARY_DIR, "artifacts", "default_start_page.png")

        def drawn():
            with open(log, encoding="utf-8", errors="replace") as f:
                loaded = re.search(r"engine: loaded 'file://.*/contentEditor/index.html'", f.read())
            subprocess.run(["import", "-window", wid, shot], check=False)
            colours = subprocess.run(["convert", shot, "-crop", "100%x50%+0+60", "-format", "%k",
                                      "info:"], capture_output=True, text=True).stdout.strip()
            # The page has drawn when its part of the window has many colours.
            return loaded and colours.isdigit() and int(colours) > 50
        # With accelerated compositing on a software OpenGL (forced with
        # QUORBITAL_COMPOSITING=on) a busy machine takes half a minute here.
        self.wait_until(drawn, timeout=60, message="the start page was not drawn")
        self.assertTrue(os.path.isfile(os.path.join(self.data_dir, "contentEditor", "index.html")))

    def test_one_argument_opens_the_offline_editor_on_it(self):
        self.start("/tmp/x/my docs/a.zv")
        r = self.report(event="load", page="editor")
        self.assertEqual(r["search"], "?channel=offline&file=/tmp/x/my%20docs/a.zv")

    def test_two_arguments_show_the_start_page(self):
        self.start("/tmp/a.zv", "/tmp/b.zv")
        self.report(event="load", page="start")


class Drops(ClientTest):
    def write_page(self, path, name):
        from harness import PAGE
        with open(path, "w") as f:
            f.write(PAGE % {"name": name, "port": self.server.port})

    def test_files_dropped_on_the_page_load_the_first_of_them(self):
        paths = []
        for name in ("dropped", "second", "third"):
            path = os.path.join(self.tmp, "drop %s.html" % name)
            self.write_page(path, name)
            paths.append(path)
        self.start()
        self.report(event="load", page="start")
        self.window_id()
        r = self.drop(paths)
        self.assertTrue(r["href"].endswith("drop%20dropped.html"), r["href"])
        self.no_report(seconds=1, event="load")

    def test_a_long_path_with_a_question_mark_loads_that_file(self):
        folder = os.path.join(self.tmp, "d" * 100, "e" * 100, "f" * 100)
        os.makedirs(folder)
        path = os.path.join(folder, "slides?v=2 #1.html")
        self.assertGreater(len(path), 300)
        self.write_page(path, "dropped")
        # The name cut at "?" or at 259 characters must not load something else.
        self.write_page(os.path.join(folder, "slides"), "wrong")
        self.write_page(path[:259], "wrong")
        self.start()
        self.report(event="load", page="start")
        self.window_id()
        r = self.drop([path])
        self.assertEqual(unquote(r["href"]), "file://" + path)


class SecondStart(ClientTest):
    def test_a_second_start_hands_its_document_to_the_running_client(self):
        self.start()
        self.report(event="load", page="start")
        second = self.spawn("/tmp/x/second doc.zv")
        self.assertEqual(second.wait(15), 0)
        r = self.report(event="load", page="editor")
        self.assertEqual(r["search"], "?channel=offline&file=/tmp/x/second%20doc.zv")
        self.assertIsNone(self.proc.poll(), "the first client goes on")

    def test_a_start_after_a_crashed_client_opens_its_own_window(self):
        self.start()
        self.report(event="load", page="start")
        os.kill(self.proc.pid, 9)
        self.proc.wait(5)
        self.start()
        self.report(event="load", page="start")
        self.assertIsNone(self.proc.poll())


class PageFunctions(ClientTest):
    def setUp(self):
        super().setUp()
        self.start()
        self.report(event="load", page="start")

    def test_values_and_names(self):
        self.assertEqual(self.ask("getversion(1, 2)"), "1.4.3")
        self.assertIs(self.ask("isonline()"), False)
        self.assertEqual(self.ask("myfunc.name"), "testfunc")
        self.assertIs(self.ask("'testfunc' in window"), False)
        self.assertEqual(self.ask("test2.name"), "testfunc2")
        self.assertEqual(self.ask("qt"), "qt")
        self.assertEqual(self.ask("filepath"), "")

    def test_full_screen_on_and_off(self):
        screen_w, screen_h = self.screen_size()
        self.run_js("showWindowStatus(1)")
        self.wait_for("innerHeight", screen_h)
        self.assertEqual(self.ask("innerWidth"), screen_w)
        for ignored in ("2", "1.5", "'1'", ""):
            self.run_js("showWindowStatus(%s)" % ignored)
        self.assertEqual(self.ask("innerHeight"), screen_h, "other values change nothing")
        self.run_js("showWindowStatus(0)")
        self.wait_for("innerHeight", screen_h - 24)
        self.assertEqual(self.ask("innerWidth"), screen_w)

    def test_test2_sends_only_with_one_string(self):
        for call in ("test2()", "test2(1)", "test2('a', 'b')"):
            self.assertIsNone(self.ask("%s" % call))
        self.assertEqual(self.dialog_lines(), [])
        self.answer_dialog("cancel")
        self.ask("test2('x')")
        lines = self.dialog_lines()
        self.assertEqual(len(lines), 1)
        self.assertEqual(lines[0][0], "save")
        self.assertEqual(lines[0][2], "function name: testfunc2   arg: x")

    def test_open_file_dialog_opens_the_chosen_document(self):
        doc = os.path.join(self.tmp, "my docs", "a.zv")
        os.makedirs(os.path.dirname(doc))
        with open(doc, "w") as f:
            f.write("{}")
        self.answer_dialog("cancel")
        self.assertIsNone(self.ask("openFileDialog()"))
        self.assertEqual(self.ask("PAGE"), "start", "a cancelled dialog leaves the page")
        self.answer_dialog(doc)
        self.run_js("openFileDialog()")
        r = self.report(event="load", page="editor")
        self.assertTrue(r["search"].endswith("file=" + doc.replace(" ", "%20")), r["search"])
        self.assertEqual(self.dialog_lines()[-1][:2], ["open", "打开"])
        # The desktop's list of recent files has it, as opened by the client.
        recent = os.path.join(self.data_home, "recently-used.xbel")

        def listed():
            if not os.path.exists(recent):
                return False
            with open(recent, encoding="utf-8") as f:
                text = f.read()
            return "file://" + quote(doc) in text and 'name="Quorbital"' in text
        self.wait_until(listed, message="the document is not among the recent files")

    def test_sigterm_with_the_open_dialog_up_ends_the_client(self):
        self.run_js("openFileDialog()")
        self.wait_until(lambda: self.dialog_lines(), message="no open dialog")
        self.proc.send_signal(signal.SIGTERM)
        # The dialog is closed as cancelled; nobody has to answer it first.
        self.assertEqual(self.wait_exit(5), 0)

    def test_goback_loads_the_start_page(self):
        self.run_js("location.href = location.href.replace('index.html', 'editor/index.html')")
        self.report(event="load", page="editor")
        self.run_js("goback()")
        self.report(event="load", page="start")

    def test_registered_callback_is_confirmed_and_replaced(self):
        self.run_js("registercb(function (t, n) { report({cb: 'first', t: t, n: n}); })")
        r = self.report(cb="first")
        self.assertEqual((r["t"], r["n"]), ("register call back function", 0))
        self.run_js("registercb(function (t, n) { report({cb: 'second', t: t, n: n}); })")
        self.report(cb="second")
        self.run_js("registercb(); registercb('x'); registercb(function(){}, function(){});"
                    "report({cb: 'done'})")
        self.report(cb="done")

    def test_return_and_escape_do_nothing(self):
        wid = self.window_id()
        subprocess.run(["xdotool", "windowactivate", "--sync", wid], check=False)
        self.ask("(window.keys = [], document.addEventListener('keydown',"
                 " function (e) { keys.push(e.key); }), 1)")
        subprocess.run(["xdotool", "key", "Return", "Escape"], check=False)
        # The window answers neither key: both reach the page.
        self.wait_for("keys.join()", "Enter,Escape")
        self.assertIsNone(self.proc.poll())
        self.assertEqual(self.ask("PAGE"), "start")

    def test_keys_reach_the_page_from_the_start_and_f6_moves_to_the_title_strip_and_back(self):
        self.ask("(window.keys = [], document.addEventListener('keydown',"
                 " function (e) { keys.push(e.key); }), 1)")
        # No click first: the page has the keyboard focus as the window appears.
        subprocess.run(["xdotool", "key", "q"], check=True)
        self.wait_for("keys.join()", "q")
        # F6 is the window's: the page never sees it, and loses the focus
        # to the title strip until the next F6.
        subprocess.run(["xdotool", "key", "F6"], check=True)
        self.wait_for("document.hasFocus()", False)
        subprocess.run(["xdotool", "key", "x", "F6"], check=True)
        self.wait_for("document.hasFocus()", True)
        subprocess.run(["xdotool", "key", "y"], check=True)
        self.wait_for("keys.join()", "q,y")

    def test_ctrl_o_f11_and_ctrl_q_work_with_the_page_focused(self):
        self.ask("(window.keys = [], document.addEventListener('keydown',"
                 " function (e) { if (e.key.length == 1 || e.key[0] == 'F') keys.push(e.key); }),"
                 " 1)")
        subprocess.run(["xdotool", "key", "a"], check=True)
        self.wait_for("keys.join()", "a")
        # Ctrl+O shows the open dialog as openFileDialog() does; Escape
        # cancels it.
        subprocess.run(["xdotool", "key", "ctrl+o"], check=True)
        dialog = self.wait_until(lambda: self.find_windows("打开"), message="no open dialog")
        self.assertEqual([line[:2] for line in self.dialog_lines()], [["open", "打开"]])
        subprocess.run(["xdotool", "windowactivate", "--sync", dialog[0], "key", "Escape"],
                       check=True)
        self.wait_until(lambda: not self.find_windows("打开"), message="the dialog stays")
        # F11 turns full screen on and off as showWindowStatus does.
        screen_w, screen_h = self.screen_size()
        subprocess.run(["xdotool", "key", "F11"], check=True)
        self.wait_for("innerHeight", screen_h)
        subprocess.run(["xdotool", "key", "F11"], check=True)
        self.wait_for("innerHeight", screen_h - 24)
        self.assertEqual(self.ask("keys.join()"), "a", "the page saw none of them")
        # Ctrl+Q closes the window as its close button does.
        subprocess.run(["xdotool", "key", "ctrl+q"], check=True)
        self.assertEqual(self.wait_exit(), 0)

    def test_ctrl_j_shows_the_download_list_without_a_download(self):
        self.ask("(window.keys = [], document.addEventListener('keydown',"
                 " function (e) { keys.push(e.key); }), 1)")
        self.assertEqual(self.find_windows("下载"), [])
        subprocess.run(["xdotool", "key", "ctrl+j"], check=True)
        self.wait_until(lambda: self.find_windows("下载"), message="no download window")
        # The shortcut is the window's: the page never sees its letter.
        self.assertNotIn("j", self.ask("keys"))

    def test_close_button_ends_the_client(self):
        wid = self.window_id()
        g = self.window_geometry(wid)
        subprocess.run(["xdotool", "mousemove", str(g["X"] + g["WIDTH"] - 12), str(g["Y"] + 12),
                        "click", "1"], check=False)
        self.assertEqual(self.wait_exit(), 0)


class Navigation(ClientTest):
    def setUp(self):
        super().setUp()
        # The client's diagnostics name each download row's state.
        self.log = os.path.join(self.tmp, "client.log")
        with open(self.log, "w") as out:
            self.proc = self.spawn(env=dict(self.client_env(), QUORBITAL_DEBUG="1"),
                                   stdout=out, stderr=subprocess.STDOUT)
        self.report(event="load", page="start")

    def logged(self, text):
        with open(self.log, encoding="utf-8", errors="replace") as f:
            return text in f.read()

    def test_download_link_asks_where_to_save_and_downloads(self):
        target = os.path.join(self.tmp, "chosen.pdf")
        self.answer_dialog(target)
        self.run_js("location.href = CONTROL + '/slide/download/a%20b.pdf'")
        self.wait_until(lambda: os.path.exists(target))
        self.assertEqual(self.dialog_lines()[0][2], "a b.pdf")
        self.assertTrue(any(p.startswith("/slide/download/a%20b.pdf?skq=")
                            for p in self.server.requests))

    def test_closing_during_a_slow_download_ends_soon_and_leaves_the_folder_as_it_was(self):
        folder = os.path.join(self.tmp, "downloads")
        os.makedirs(folder)
        target = os.path.join(folder, "keep.pdf")
        with open(target, "w") as f:
            f.write("the user's file")
        self.answer_dialog(target)
        self.answer_dialog("yes")  # replace it
        self.run_js("location.href = CONTROL + '/slide/download/slow/keep.pdf'")
        self.wait_until(lambda: self.server.slow_sent >= 256 * 1024)
        wid = self.window_id()
        g = self.window_geometry(wid)
        subprocess.run(["xdotool", "mousemove", str(g["X"] + g["WIDTH"] - 12), str(g["Y"] + 12),
                        "click", "1"], check=False)
        # The rest of the download would take over a minute more.
        self.assertEqual(self.wait_exit(), 0)
        self.assertLess(self.server.slow_sent, 32 << 20)
        self.assertEqual(os.listdir(folder), ["keep.pdf"])
        with open(target) as f:
            self.assertEqual(f.read(), "the user's file")

    def test_a_link_clicked_with_the_server_down_asks_once_and_keeps_the_page(self):
        closed = socket.socket()
        closed.bind(("127.0.0.1", 0))
        url = "http://127.0.0.1:%d/slide/download/offline.zip" % closed.getsockname()[1]
        closed.close()
        self.answer_dialog(os.path.join(self.tmp, "offline.zip"))
        self.run_js("window.kept = 'yes'; var a = document.getElementById('link');"
                    " a.href = %r; a.click();" % url)
        self.wait_until(lambda: self.dialog_lines(), message="no save dialog")
        # The row says why; the page is the one that was clicked, not an
        # error page or a new load.
        self.wait_until(lambda: self.logged("download: offline.zip: 下载失败：无法连接服务器"),
                        message="the row does not say why the download failed")
        self.assertEqual(self.ask("window.kept"), "yes")
        self.assertEqual(len(self.dialog_lines()), 1)
        self.assertFalse(os.path.exists(os.path.join(self.tmp, "offline.zip")))

    def test_instruction_link_is_reported_only_in_lower_case(self):
        self.answer_dialog("cancel")
        self.run_js("location.href = CONTROL + '/files/Instruction.PDF'")
        time.sleep(1.5)  # only to show that no dialog comes
        self.assertEqual(self.dialog_lines(), [])
        self.run_js("location.href = CONTROL + '/files/instruction.pdf'")
        self.wait_until(lambda: self.dialog_lines())
        self.assertEqual(self.dialog_lines()[0][2], "instruction.pdf")


class RememberedWindow(ClientTest):
    def restore_size_of(self, wid):
        """Un-maximises the window with its caption's restore button and
        waits until the window manager has done so."""
        g = self.window_geometry(wid)
        subprocess.run(["xdotool", "mousemove", str(g["X"] + g["WIDTH"] - 54), str(g["Y"] + 12),
                        "click", "1"], check=False)
        self.wait_until(lambda: self.window_geometry(wid)["WIDTH"] < g["WIDTH"],
                        message="the window was not restored")

    def place(self, wid):
        g = self.window_geometry(wid)
        return g["X"], g["Y"], g["WIDTH"], g["HEIGHT"]

    def test_a_restart_opens_maximised_and_restores_to_the_size_and_place_given_before(self):
        self.start()
        self.report(event="load", page="start")
        wid = self.maximised_window_id()
        self.restore_size_of(wid)
        subprocess.run(["xdotool", "windowsize", wid, "900", "600", "windowmove", wid, "100", "80"],
                       check=False)
        self.wait_until(lambda: self.place(wid) == (100, 80, 900, 600),
                        message="the window was not moved")
        self.proc.send_signal(signal.SIGTERM)
        self.assertEqual(self.wait_exit(), 0)
        with open(os.path.join(self.tmp, "config", "quorbital", "window.ini")) as f:
            self.assertIn("restored=100,80,900,600", f.read())

        self.start()
        self.report(event="load", page="start")
        wid = self.maximised_window_id()
        self.restore_size_of(wid)
        self.wait_until(lambda: self.place(wid) == (100, 80, 900, 600),
                        message="the window did not come back to where it was")

        # Only moved, then maximised again before the end: the new place counts.
        subprocess.run(["xdotool", "windowmove", wid, "160", "120"], check=False)
        self.wait_until(lambda: self.place(wid) == (160, 120, 900, 600),
                        message="the window was not moved")
        subprocess.run(["xdotool", "mousemove", "%d" % (160 + 900 - 54), "132", "click", "1"],
                       check=False)  # the caption's maximise button
        self.maximised_window_id()
        self.proc.send_signal(signal.SIGTERM)
        self.assertEqual(self.wait_exit(), 0)
        with open(os.path.join(self.tmp, "config", "quorbital", "window.ini")) as f:
            self.assertIn("restored=160,120,900,600", f.read())


class ChineseLocale(ClientTest):
    """Under a Chinese locale the dialogs speak Chinese: GTK's words where the
    client names none."""

    @classmethod
    def setUpClass(cls):
        cls.locales = tempfile.mkdtemp(prefix="quorbital-locale-")
        subprocess.run(["localedef", "-i", "zh_CN", "-f", "UTF-8",
                        os.path.join(cls.locales, "zh_CN.UTF-8")], check=True)

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.locales, ignore_errors=True)

    def client_env(self):
        env = super().client_env()
        for name in ("LC_ALL", "LC_MESSAGES", "LANGUAGE"):
            env.pop(name, None)
        env.update({"LOCPATH": self.locales, "LANG": "zh_CN.UTF-8"})
        return env

    def test_the_save_dialog_has_chinese_title_and_buttons(self):
        self.start()
        self.report(event="load", page="start")
        self.answer_dialog("cancel")
        self.ask("test2('x')")
        kind, title, _, _, buttons = self.dialog_lines()[0]
        self.assertEqual((kind, title, buttons), ("save", "另存为", "取消(_C)|保存(_S)"))


class Scaling(ClientTest):
    """At GDK_SCALE=2 the layout stays in layout pixels and every device pixel
    of a skin image comes from the image drawn at twice the size."""

    def client_env(self):
        env = super().client_env()
        env["GDK_SCALE"] = "2"
        return env

    def pixels(self, *convert_args):
        return subprocess.run(["convert", *convert_args, "-depth", "8", "rgb:-"],
                              capture_output=True, check=True).stdout

    def test_title_strip_and_images_at_scale_two(self):
        self.start()
        self.report(event="load", page="start")
        wid = self.maximised_window_id()
        g = self.window_geometry(wid)
        # The page measures in layout pixels: half the device pixels.
        self.wait_for("innerWidth", g["WIDTH"] // 2)
        self.wait_for("innerHeight", (g["HEIGHT"] - 48) // 2)
        self.assertEqual(g["WIDTH"] % 2 + g["HEIGHT"] % 2, 0)
        os.makedirs(os.path.join(BINARY_DIR, "artifacts"), exist_ok=True)
        shot = os.path.join(BINARY_DIR, "artifacts", "main_window_scale2.png")
        # The title strip is 24 layout pixels, its one-pixel border included:
        # 48 device rows above the page's white, in a column clear of text
        # and buttons. With accelerated compositing the page's first frame
        # may come a while after its load.
        def column():
            subprocess.run(["import", "-window", wid, shot], check=True)
            pixels = self.pixels(shot, "-crop", "1x50+%d+0" % (g["WIDTH"] // 2))
            return [tuple(pixels[i * 3:i * 3 + 3]) for i in range(50)]
        self.wait_until(lambda: column()[48:] == [(0xFF, 0xFF, 0xFF)] * 2, timeout=60,
                        message="the page was not drawn")
        rows = column()
        self.assertEqual(rows[:2], [(0x2B, 0x35, 0x44)] * 2)
        self.assertEqual(rows[2:48], [(0x1F, 0x29, 0x37)] * 46)
        self.assertEqual(rows[48:], [(0xFF, 0xFF, 0xFF)] * 2)
        # The close glyph (24 layout pixels, 6 from the right end of its
        # 36-pixel button) matches its double-size image pixel for pixel below
        # the window's border; the single-size image stretched would blur
        # every edge of the cross.
        shown = self.pixels(shot, "-crop", "48x46+%d+2" % (g["WIDTH"] - 60))
        image = os.path.join(BINARY_DIR, "Skin", "caption_close_light@2x.png")
        expected = self.pixels(image, "-background", "#1F2937", "-flatten", "-crop", "48x46+0+2")
        self.assertEqual(len(shown), len(expected))
        off = sum(1 for a, b in zip(shown, expected) if abs(a - b) > 8)
        self.assertLess(off, len(expected) // 100, "the close glyph is not drawn from the @2x image")

        # F6 puts the keyboard on the strip's first button (three 36-pixel
        # buttons from the right), whose focus ring is drawn at the device's
        # resolution: on the dark strip a white band of 2 layout pixels (4
        # device pixels) with a blue line of 1 inside it.
        subprocess.run(["xdotool", "key", "F6"], check=True)
        left = g["WIDTH"] - 3 * 72

        def ring():
            subprocess.run(["import", "-window", wid, shot], check=True)
            pixels = self.pixels(shot, "-crop", "8x1+%d+24" % left)
            return [tuple(pixels[i * 3:i * 3 + 3]) for i in range(8)]
        self.wait_until(lambda: ring()[:6] == [(0xFF, 0xFF, 0xFF)] * 4 + [(0x1D, 0x4E, 0xD8)] * 2,
                        message="no focus ring on the minimise button")


if __name__ == "__main__":
    unittest.main()
