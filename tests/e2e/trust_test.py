"""Which pages get the client's native powers, end to end: the installed page
bundle and the update service's origin get the page functions and local
files; a page of any other origin, however it was reached, gets no page
function, no local file, no other origin's data and no download, and cannot
bring a file:// address into the window. Pages of two ordinary origins are
served on 127.0.0.1 and localhost."""

import json
import os
import sys
import time
import unittest
import urllib.parse

sys.path.insert(0, os.path.dirname(__file__))
from harness import PAGE, ClientTest, ControlServer  # noqa: E402

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

    def client_env(self):
        # The save dialog's folder comes from the private home alone.
        env = super().client_env()
        env.pop("XDG_DOWNLOAD_DIR", None)
        env["XDG_CONFIG_HOME"] = os.path.join(self.tmp, "config")
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
