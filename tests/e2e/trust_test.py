"""Which pages get the client's native powers, end to end: the installed page
bundle and the update service's origin get the page functions and local
files; a page of any other origin, however it was reached, gets no page
function, no local file, no other origin's data and no download, and cannot
bring a file:// address into the window. Local files outside the bundle are
ordinary pages too, a page without script does not inherit the trust of the
one it replaced, only the client's own pages may go full screen, the web
processes run confined (and out of reach of the second start's hand-off),
the main window carries out page commands only for the web process that
shows a page of the client's own, and takes documents only from new starts. Pages of two
ordinary origins are served on 127.0.0.1 and localhost."""

import json
import os
import shutil
import socket
import subprocess
import sys
import tempfile
import time
import unittest
import urllib.parse

sys.path.insert(0, os.path.dirname(__file__))
from harness import BINARY_DIR, PAGE, ClientTest, ControlServer  # noqa: E402

BOUND = ["myfunc", "test2", "registercb", "showWindowStatus", "openFileDialog", "goback",
         "isonline", "getversion", "qt", "filepath"]


class TrustTest(ClientTest):
    def setUp(self):
        super().setUp()
        self.other = ControlServer(control_port=self.server.port)
        self.origin_a = "http://127.0.0.1:%d" % self.server.port
        self.origin_b = "http://localhost:%d" % self.other.port
        self.private = os.path.join(self.tmp, "private.txt")
        with open(self.private, "w") as f:
            f.write("local secret")
        leak = os.path.join(self.tmp, "leak.html")
        with open(leak, "w") as f:
            f.write(PAGE % {"name": "leak", "port": self.server.port})
        self.leak = "file://" + leak

    def tearDown(self):
        super().tearDown()
        self.other.close()
        if getattr(self, "log", None):
            self.log.close()

    def start(self, *args):
        # What the client says on standard error, for the refusals it logs.
        self.log = open(os.path.join(self.tmp, "client.log"), "w")
        self.proc = self.spawn(*args, stderr=self.log)

    def log_lines(self, text):
        with open(os.path.join(self.tmp, "client.log"), encoding="utf-8", errors="replace") as f:
            return [line for line in f if text in line]

    def client_env(self):
        # The save dialog's folder comes from the private home alone.
        env = super().client_env()
        env.pop("XDG_DOWNLOAD_DIR", None)
        env["XDG_CONFIG_HOME"] = os.path.join(self.tmp, "config")
        env["QUORBITAL_DEBUG"] = "1"  # the popup requests in the log
        return env

    def start_at_start_page(self):
        self.start()
        self.report(event="load", page="start")

    def ask_later(self, page, promise):
        """The value a promise made in the page settles to; "refused: ..."
        when it is rejected."""
        token = "%f" % time.time()
        self.run_js("Promise.resolve().then(function () { return %s; }).then("
                    "function (v) { report({token: %s, value: v}); },"
                    "function (e) { report({token: %s, value: 'refused: ' + e}); })"
                    % (promise, json.dumps(token), json.dumps(token)), page)
        return self.report(token=token).get("value")

    def bound(self, page):
        return self.ask("%s.filter(function (n) { return n in window; })" % json.dumps(BOUND),
                        page=page)

    def read_file_by_xhr(self, page):
        return self.ask("(function () { var x = new XMLHttpRequest(); try {"
                        " x.open('GET', %s, false); x.send(); return x.responseText; }"
                        " catch (e) { return 'refused: ' + e; } })()"
                        % json.dumps("file://" + self.private), page=page)


class UntrustedPages(TrustTest):
    def check_untrusted(self, page, other_origin, top="location"):
        self.assertEqual(self.bound(page), [])
        self.assertTrue(self.read_file_by_xhr(page).startswith("refused"))
        fetched = self.ask_later(page, "fetch(%s).then(function (r) { return r.text(); })"
                                 % json.dumps("file://" + self.private))
        self.assertTrue(fetched.startswith("refused"), fetched)
        other = self.ask_later(page, "fetch(%s).then(function (r) { return r.text(); })"
                               % json.dumps(other_origin + "/secret"))
        self.assertTrue(other.startswith("refused"), other)

        # Its download links open no save dialog; it stays where it was.
        self.answer_dialog("cancel")
        self.run_js("%s.href = location.origin + '/slide/download/a.pdf'" % top, page)
        self.no_report(seconds=1.5, event="load")
        self.assertEqual(self.dialog_lines(), [])

        # No file:// address in a frame, a popup or the top frame, directly
        # or through a redirect.
        self.run_js("function frame(src) { var f = document.createElement('iframe'); f.src = src;"
                    " document.body.appendChild(f); }"
                    "frame(%(leak)s); frame(%(redirect)s); window.open(%(leak)s);"
                    "window.open(%(redirect)s); %(top)s.href = %(leak)s"
                    % {"leak": json.dumps(self.leak), "top": top,
                       "redirect": "location.origin + '/redirect?to=' + encodeURIComponent(%s)"
                       % json.dumps(self.leak)},
                    page)
        self.no_report(seconds=2, page="leak")
        self.assertEqual(self.ask("PAGE", page=page), page)

    def test_a_page_reached_by_a_link(self):
        self.start_at_start_page()
        self.run_js("location.href = %s" % json.dumps(self.origin_a + "/page/linked"), "start")
        self.report(event="load", page="linked")
        self.check_untrusted("linked", self.origin_b)

    def test_a_page_reached_by_a_redirect(self):
        self.start_at_start_page()
        target = urllib.parse.quote(self.origin_b + "/page/redirected", safe="")
        self.run_js("location.href = %s" % json.dumps(self.origin_a + "/redirect?to=" + target),
                    "start")
        self.report(event="load", page="redirected")
        self.check_untrusted("redirected", self.origin_a)

    def test_a_page_opened_by_window_open(self):
        self.start_at_start_page()
        self.run_js("window.open(%s)" % json.dumps(self.origin_b + "/page/opened"), "start")
        self.report(event="load", page="opened")
        self.check_untrusted("opened", self.origin_a)

    def test_a_cross_origin_frame_inside_a_bundle_page(self):
        self.start_at_start_page()
        self.run_js("var f = document.createElement('iframe'); f.src = %s;"
                    "document.body.appendChild(f)" % json.dumps(self.origin_b + "/page/framed"),
                    "start")
        self.report(event="load", page="framed")
        self.assertIs(self.ask("(function () { try { return !!parent.document.body; }"
                               " catch (e) { return false; } })()", page="framed"), False)
        self.check_untrusted("framed", self.origin_a, top="top.location")
        # The bundle page around it keeps its functions.
        self.assertEqual(self.bound("start"), BOUND)
        self.assertEqual(self.ask("getversion()", page="start"), "1.4.3")


class TrustedPages(TrustTest):
    def setUp(self):
        super().setUp()
        self.service = ControlServer(control_port=self.server.port)
        self.service_origin = "http://127.0.0.1:%d" % self.service.port
        with open(os.path.join(self.data_dir, "version.ini"), "w") as f:
            f.write("[versionInformation]\nbuild=1\ncloudHost=%s/\n" % self.service_origin)

    def tearDown(self):
        super().tearDown()
        self.service.close()

    def test_bundle_pages_keep_their_functions_and_local_files(self):
        self.start_at_start_page()
        self.assertEqual(self.bound("start"), BOUND)
        self.assertEqual(self.read_file_by_xhr("start"), "local secret")
        self.run_js("location.href = location.href.replace('index.html', 'editor/index.html')",
                    "start")
        self.report(event="load", page="editor")
        self.assertEqual(self.bound("editor"), BOUND)
        fetched = self.ask_later("editor", "fetch(%s).then(function (r) { return r.text(); })"
                                 % json.dumps("file://" + self.private))
        self.assertEqual(fetched, "local secret")

    def test_the_editor_reads_documents_in_tmp_and_in_the_home_folder(self):
        handle, in_tmp = tempfile.mkstemp(suffix=".zv", dir="/tmp")
        self.addCleanup(os.remove, in_tmp)
        in_home = os.path.join(self.tmp, "home", "doc.zv")
        os.makedirs(os.path.dirname(in_home), exist_ok=True)
        documents = [(in_tmp, "document in /tmp"), (in_home, "document at home")]
        os.close(handle)
        for path, content in documents:
            with open(path, "w") as f:
                f.write(content)
        self.start(documents[1][0])
        self.report(event="load", page="editor")
        self.assertEqual(self.bound("editor"), BOUND)
        for path, content in documents:
            got = self.ask_later("editor", "fetch(%s).then(function (r) { return r.text(); })"
                                 % json.dumps("file://" + path))
            self.assertEqual(got, content)

    def test_a_page_of_the_update_service_origin_gets_every_function(self):
        self.start_at_start_page()
        self.run_js("location.href = %s" % json.dumps(self.service_origin + "/page/service"),
                    "start")
        self.report(event="load", page="service")
        self.assertEqual(self.bound("service"), BOUND)
        self.assertEqual(self.ask("[getversion(), qt, filepath, typeof isonline()].join()",
                                  page="service"), "1.4.3,qt,,boolean")
        self.answer_dialog("cancel")
        self.run_js("location.href = '/slide/download/s.pdf'", "service")
        self.wait_until(lambda: self.dialog_lines())
        self.assertEqual(self.dialog_lines()[0][2], "s.pdf")
        self.run_js("goback()", "service")
        self.report(event="load", page="start")


class LocalFiles(TrustTest):
    """Files dropped on the window are ordinary pages: no page function, no
    other local file, no other origin, and no way into a bundle page."""

    def refused(self, page, call):
        return self.ask("(function () { try { return String(%s); }"
                        " catch (e) { return 'refused: ' + e.name; } })()" % call, page=page)

    def test_a_dropped_page_reads_nothing_and_reaches_no_bundle_page(self):
        dropped = os.path.join(self.tmp, "dropped.html")
        with open(dropped, "w") as f:
            f.write(PAGE % {"name": "dropped", "port": self.server.port})
        self.start_at_start_page()
        self.window_id()
        self.drop([dropped])
        self.assertEqual(self.bound("dropped"), [])
        self.assertTrue(self.read_file_by_xhr("dropped").startswith("refused"))
        for url in ("file://" + self.private, self.origin_b + "/secret"):
            got = self.ask_later("dropped", "fetch(%s).then(function (r) { return r.text(); })"
                                 % json.dumps(url))
            self.assertTrue(got.startswith("refused"), got)

        # A bundle page in a frame of it: out of its reach, and it serves no
        # call while the dropped page holds it.
        bundle = "file://" + os.path.join(self.data_dir, "contentEditor", "index.html")
        self.run_js("var f = document.createElement('iframe'); f.src = %s;"
                    "document.body.appendChild(f)" % json.dumps(bundle), "dropped")
        self.report(event="load", page="start")
        for call in ("frames[0].getversion()", "frames[0].showWindowStatus(1)",
                     "document.querySelector('iframe').contentWindow.openFileDialog()",
                     "frames[0].registercb(function () {})"):
            self.assertTrue(self.refused("dropped", call).startswith("refused: "), call)
        self.assertEqual(self.ask("typeof getversion + ' ' + String(getversion())", page="start"),
                         "function undefined")
        self.run_js("showWindowStatus(1); openFileDialog()", "start")
        self.no_report(seconds=1, event="load")
        self.assertEqual(self.dialog_lines(), [])
        self.assertLess(self.ask("innerHeight", page="dropped"), self.screen_size()[1])

    def test_a_dropped_svg_reads_nothing(self):
        svg = os.path.join(self.tmp, "dropped.svg")
        with open(svg, "w") as f:
            f.write("""<svg xmlns="http://www.w3.org/2000/svg" width="400" height="400">
<rect width="400" height="400" fill="#eee"/><script><![CDATA[
var r = {event: 'load', page: 'svg'};
try { var x = new XMLHttpRequest(); x.open('GET', %(file)s, false); x.send(); r.file = x.responseText; }
catch (e) { r.file = 'refused'; }
fetch(%(other)s).then(function (a) { return a.text(); }).then(
  function (t) { r.other = t; }, function () { r.other = 'refused'; }).then(function () {
  var x = new XMLHttpRequest(); x.open('POST', 'http://127.0.0.1:%(port)d/report', false);
  x.send(JSON.stringify(r)); });
]]></script></svg>""" % {"file": json.dumps("file://" + self.private),
                         "other": json.dumps(self.origin_b + "/secret"), "port": self.server.port})
        self.start_at_start_page()
        self.window_id()
        r = self.drop([svg], page="svg")
        self.assertNotEqual(r["file"], "local secret")
        self.assertNotEqual(r["other"], "private data")


class ScriptlessPages(TrustTest):
    """A page whose policy forbids its script replaces a bundle page: the
    bundle page's trust does not pass to it."""

    def click_link_of_sandboxed_page(self, href, target="_self"):
        """Shows a page without script whose one link, over the whole page on
        a red ground, leads to href, and clicks it once it is drawn."""
        self.start_at_start_page()
        self.window_id()
        html = ('<body style="margin:0;background:#f00"><a target="%s" href="%s" style="display:'
                'block;width:100vw;height:100vh"></a></body>' % (target, href.replace('"', "&quot;")))
        url = self.origin_a + "/sandboxed?html=" + urllib.parse.quote(html, safe="")
        self.run_js("location.href = %s" % json.dumps(url), "start")
        width, height = self.screen_size()

        def red_and_clicked():
            pixel = subprocess.run(["import", "-window", "root", "-crop", "1x1+%d+%d"
                                    % (width // 2, height // 2), "-depth", "8", "txt:-"],
                                   capture_output=True, text=True).stdout
            if "#FF0000" not in pixel:
                return False
            subprocess.run(["xdotool", "mousemove", str(width // 2), str(height // 2), "click",
                            "1"], check=False)
            return True
        self.wait_until(red_and_clicked, message="the page was not drawn")

    def test_its_download_link_opens_no_save_dialog(self):
        self.answer_dialog("cancel")
        self.click_link_of_sandboxed_page("/slide/download/evil.desktop")
        self.wait_until(lambda: "/slide/download/evil.desktop" in self.server.requests)
        self.no_report(seconds=1.5, event="load")
        self.assertEqual(self.dialog_lines(), [])
        self.assertEqual(self.log_lines("page command"), [], "the web process sent nothing")

    def test_its_popups_open_no_inline_document(self):
        popup = ("data:text/html,<script>var x = new XMLHttpRequest();"
                 "x.open('POST', 'http://127.0.0.1:%d/report', false);"
                 "x.send(JSON.stringify({event: 'load', page: 'popup'}))</script>" % self.server.port)
        self.click_link_of_sandboxed_page(popup, target="_blank")
        self.wait_until(lambda: self.log_lines("popup request for 'data:"),
                        message="the click asked for no popup")
        self.no_report(seconds=2, page="popup")


class FullScreen(TrustTest):
    def test_an_untrusted_page_cannot_put_an_element_in_full_screen(self):
        self.start_at_start_page()
        self.assertEqual(self.ask("typeof document.documentElement.requestFullscreen",
                                  page="start"), "function")
        self.run_js("location.href = %s" % json.dumps(self.origin_a + "/page/web"), "start")
        self.report(event="load", page="web")
        self.run_js("document.onclick = function () { var e = document.documentElement;"
                    " report({event: 'click', full: typeof e.requestFullscreen +"
                    " typeof e.webkitRequestFullscreen}); }", "web")
        width, height = self.screen_size()

        def clicked():
            subprocess.run(["xdotool", "mousemove", str(width // 2), str(height // 2), "click",
                            "1"], check=False)
            try:
                return self.report(timeout=0.5, event="click")
            except AssertionError:
                return None
        self.assertEqual(self.wait_until(clicked)["full"], "undefinedundefined")
        self.assertLess(self.ask("innerHeight", page="web"), height)


def registry_addresses(run_dir, registry):
    """The socket addresses of the windows published in a registry folder."""
    addresses = []
    folder = os.path.join(run_dir, registry)
    for name in os.listdir(folder):
        if name.endswith(".window"):
            with open(os.path.join(folder, name)) as f:
                addresses += [line.split("=", 1)[1].strip() for line in f
                              if line.startswith("address=")]
    return addresses


def connects(address):
    """Whether a Unix socket at address takes a connection."""
    with socket.socket(socket.AF_UNIX, socket.SOCK_STREAM) as s:
        try:
            s.connect(address)
            return True
        except OSError:
            return False


def utf16_hex(text):
    """A copy-data text record as the hand-off sends it, in hex."""
    return (text + "\0").encode("utf-16-le").hex()


OPEN_DOCUMENT = 0x8051


class Confinement(TrustTest):
    def skip_without_sandbox(self):
        if not shutil.which("bwrap") or subprocess.run(
                ["bwrap", "--unshare-pid", "--unshare-net", "--ro-bind", "/", "/", "--proc",
                 "/proc", "--dev", "/dev", "true"], capture_output=True).returncode != 0:
            self.skipTest("bubblewrap cannot run here: the client runs without a sandbox")

    def test_the_hand_off_socket_is_out_of_the_web_process_reach(self):
        self.skip_without_sandbox()
        # Where the runtime folder would fall back to, made so that it could
        # be seen.
        state = os.path.join(self.tmp, "home", ".local", "state")
        os.makedirs(state)
        self.start_at_start_page()
        run = self.client_env()["XDG_RUNTIME_DIR"]
        hand_off = registry_addresses(run, "quorbital-windows")
        bridge = registry_addresses(run, "quorbital-bridge")
        self.assertTrue(hand_off and bridge)
        self.assertTrue(all(connects(a) for a in hand_off + bridge))
        for pid in self.wait_until(self.web_processes):
            # What the web process sees, by its own root: the bridge, and of
            # the hand-off neither its sockets nor their folders.
            root = "/proc/%d/root" % pid
            for address in hand_off:
                self.assertFalse(os.path.exists(root + os.path.dirname(address)), address)
                self.assertFalse(connects(root + address), address)
            self.assertTrue(all(connects(root + a) for a in bridge))
            self.assertTrue(os.path.isdir(root + self.data_dir), "the view is the process's")
            self.assertFalse(os.path.exists(root + state))

    def test_the_web_process_sees_the_bundle_and_not_the_home_folder(self):
        self.skip_without_sandbox()
        home_file = os.path.join(self.tmp, "home", "private.zv")
        os.makedirs(os.path.dirname(home_file), exist_ok=True)
        with open(home_file, "w") as f:
            f.write("home secret")
        self.start_at_start_page()
        for pid in self.wait_until(self.web_processes):
            root = "/proc/%d/root" % pid
            self.assertNotEqual(os.readlink("/proc/%d/ns/mnt" % pid),
                                os.readlink("/proc/%d/ns/mnt" % self.proc.pid))
            self.assertFalse(os.path.exists(root + home_file))
            self.assertTrue(os.path.exists(
                root + os.path.join(self.data_dir, "contentEditor", "index.html")))
        # The bundle's pages still read local documents anywhere.
        self.run_js("location.href = location.href.replace('index.html', 'editor/index.html')",
                    "start")
        self.report(event="load", page="editor")
        got = self.ask_later("editor", "fetch(%s).then(function (r) { return r.text(); })"
                             % json.dumps("file://" + home_file))
        self.assertEqual(got, "home secret")


class PageCommands(TrustTest):
    """The main window carries out a page command only for the web process
    that shows a page of the client's own, and takes a document only from a
    new start of the client."""

    def test_a_document_is_handed_over_only_by_the_route_of_new_starts(self):
        self.start_at_start_page()
        peer = os.path.join(BINARY_DIR, "tests", "platform", "copydata_peer")
        bridge = os.path.join(self.client_env()["XDG_RUNTIME_DIR"], "quorbital-bridge")
        hand_off = ["msg=%d" % OPEN_DOCUMENT, "0:" + utf16_hex("/tmp/x/handed.zv")]
        for route in (["registry=" + bridge], ["registry=" + bridge, "credential=" + "0" * 32]):
            out = subprocess.run([peer, "send", "main_wnd_class", "Quorbital", *route, *hand_off],
                                 env=self.client_env(), capture_output=True, text=True,
                                 timeout=30).stdout
            self.assertEqual(out, "result 0\n", route)
        self.no_report(seconds=1, event="load")
        self.assertEqual(len(self.log_lines("handed over by a web process")), 1)
        # The same message from a process of the user outside any sandbox.
        out = subprocess.run([peer, "send", "main_wnd_class", "Quorbital", *hand_off],
                             env=self.client_env(), capture_output=True, text=True,
                             timeout=30).stdout
        self.assertEqual(out, "result 1\n")
        self.assertEqual(self.report(event="load")["search"],
                         "?channel=offline&file=/tmp/x/handed.zv")

    def test_a_process_that_is_no_web_process_of_the_client_gets_nothing_done(self):
        self.start_at_start_page()
        peer = os.path.join(BINARY_DIR, "tests", "platform", "copydata_peer")
        env = self.client_env()
        for credential in ([], ["credential=" + "0" * 32]):
            out = subprocess.run([peer, "send", "main_wnd_class", "Quorbital", *credential,
                                  "2:01000000", "3:01000000", "4:01000000"],
                                 env=env, capture_output=True, text=True, timeout=30).stdout
            self.assertEqual(out.split("\n")[:3], ["result 0"] * 3)
        self.no_report(seconds=1, event="load")
        self.assertEqual(self.dialog_lines(), [])
        self.assertLess(self.ask("innerHeight", page="start"), self.screen_size()[1])
        self.assertEqual(len(self.log_lines("page command")), 6)

    def test_a_web_process_that_shows_a_web_page_gets_nothing_done(self):
        service = ControlServer(control_port=self.server.port)
        self.addCleanup(service.close)
        with open(os.path.join(self.data_dir, "version.ini"), "w") as f:
            f.write("[versionInformation]\nbuild=1\ncloudHost=http://127.0.0.1:%d/\n"
                    % service.port)
        self.start_at_start_page()
        self.run_js("location.href = %s" % json.dumps(self.origin_b + "/page/web"), "start")
        self.report(event="load", page="web")
        # A page of the service's origin in a frame of a web page has its
        # functions, but what it asks for is not done.
        self.run_js("var f = document.createElement('iframe'); f.src = %s;"
                    "document.body.appendChild(f)"
                    % json.dumps("http://127.0.0.1:%d/page/framed" % service.port), "web")
        self.report(event="load", page="framed")
        self.assertEqual(self.ask("typeof showWindowStatus", page="framed"), "function")
        self.run_js("showWindowStatus(1); openFileDialog(); goback()", "framed")
        self.no_report(seconds=1.5, event="load")
        self.assertEqual(self.dialog_lines(), [])
        self.assertLess(self.ask("innerHeight", page="web"), self.screen_size()[1])
        self.assertEqual(len(self.log_lines("page command")), 3)


class Popups(TrustTest):
    def check_stays(self, page, targets):
        for target in targets:
            self.run_js("window.open(%s)" % target, page)
        self.no_report(seconds=1.5, event="load")
        self.assertEqual(self.ask("PAGE", page=page), page)

    def test_open_without_an_address_leaves_every_page_as_it_is(self):
        self.start_at_start_page()
        self.check_stays("start", ["", "''", "'javascript:void(0)'"])
        self.run_js("location.href = %s" % json.dumps(self.origin_a + "/page/web"), "start")
        self.report(event="load", page="web")
        self.check_stays("web", ["", "''", "'javascript:report({event: \"load\"})'",
                                 "'about:blank'",
                                 "'data:text/html,<script>opener.report({event: \"load\"})</script>'"])


class SaveDialog(TrustTest):
    def test_saving_over_an_existing_file_asks_first(self):
        downloads = os.path.join(self.tmp, "home", "Downloads")
        os.makedirs(downloads)
        existing = os.path.join(downloads, "bashrc")
        with open(existing, "wb") as f:
            f.write(b"keep me\n")
        self.start_at_start_page()
        self.answer_dialog(existing)
        self.answer_dialog("no")
        self.run_js("location.href = %s"
                    % json.dumps(self.origin_a + "/slide/download/..%5C..%5C.bashrc"), "start")
        self.wait_until(lambda: len(self.dialog_lines()) >= 2, message="no two dialogs")
        save, confirm = self.dialog_lines()[:2]
        self.assertEqual((save[0], save[2], save[3]), ("save", "bashrc", downloads))
        self.assertEqual((confirm[0], confirm[2]), ("confirm", existing))
        self.no_report(seconds=1, event="load")
        with open(existing, "rb") as f:
            self.assertEqual(f.read(), b"keep me\n")
        self.assertFalse(any("?skq=" in p for p in self.server.requests))

        self.answer_dialog(existing)
        self.answer_dialog("yes")
        self.run_js("location.href = %s" % json.dumps(self.origin_a + "/slide/download/x.pdf"),
                    "start")

        def replaced():
            with open(existing, "rb") as f:
                return f.read().startswith(b"%PDF")
        self.wait_until(replaced, message="the file was not replaced after yes")


if __name__ == "__main__":
    unittest.main()
