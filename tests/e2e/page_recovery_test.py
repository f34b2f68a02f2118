"""A page whose web process crashes, hangs or takes too much memory comes
back, and the client ends on request whatever dialog is open, its web
processes with it. Every wait is for an event: a page's report, a line of
the client's log, a window on the display, a process gone."""

import os
import signal
import subprocess
import sys
import unittest

sys.path.insert(0, os.path.dirname(__file__))
from harness import WAIT, ClientTest  # noqa: E402

OFFLINE_PREFIX = "?channel=offline&file="
HANG_BOX = "页面没有响应"
# Script for the page: its main thread stays busy, asking the control server
# (synchronously, so nothing else of the page runs) whether to stop, until
# the test puts "stop" in the queue of page "spin".
SPIN = """report({event: "spinning"});
for (;;) {
  var until = Date.now() + 50;
  while (Date.now() < until) {}
  var x = new XMLHttpRequest();
  x.open("GET", CONTROL + "/command?page=spin", false);
  x.send();
  if (x.responseText === "stop") break;
}
report({event: "spun"});"""


class RecoveryTest(ClientTest):
    def start_logged(self, *args, env=None):
        self.log = os.path.join(self.tmp, "client.log")
        env = dict(env or self.client_env(), QUORBITAL_DEBUG="1")
        with open(self.log, "w") as out:
            self.proc = self.spawn(*args, env=env, stdout=out, stderr=subprocess.STDOUT)

    def log_text(self):
        with open(self.log, encoding="utf-8", errors="replace") as f:
            return f.read()

    def failure_details(self):
        return "client log:\n" + self.log_text()[-3000:]

    def wait_logged(self, text, after=0):
        """Waits until text is in the log after its first `after` characters;
        returns where it ends."""
        def found():
            at = self.log_text().find(text, after)
            return at + len(text) if at >= 0 else None
        return self.wait_until(found, message="%r not logged" % text)

    def kill_web_process(self):
        pids = self.wait_until(self.web_processes, message="no web process")
        for pid in pids:
            os.kill(pid, signal.SIGKILL)

    def press(self, *keys):
        subprocess.run(["xdotool", "key", "--delay", "100", *keys], check=False)

    def box_shown(self):
        return self.find_windows(HANG_BOX)


class CrashedPage(RecoveryTest):
    def test_the_start_page_comes_back_with_its_page_functions(self):
        self.start_logged()
        self.report(event="load", page="start")
        version = self.ask("getversion()")
        self.assertTrue(version)
        self.kill_web_process()
        self.report(event="load", page="start")
        self.assertEqual(self.ask("getversion()"), version)
        self.assertIn("the web process of the page 'file://%s' ended (crashed); loading the page"
                      " again" % os.path.join(self.data_dir, "contentEditor", "index.html"),
                      self.log_text())

    def test_the_same_document_comes_back_then_a_second_crash_shows_the_notice(self):
        self.start_logged("/tmp/x/crash me.zv")
        first = self.report(event="load", page="editor")
        self.kill_web_process()
        again = self.report(event="load", page="editor")
        self.assertEqual(again["href"], first["href"])
        self.assertTrue(again["search"].startswith(OFFLINE_PREFIX))
        self.assertTrue(self.ask("getversion()", page="editor"))

        # Within a minute of the first: no reload loop, the notice page shows.
        self.kill_web_process()
        notice = self.wait_logged("ended twice within a minute, so the notice page shows instead")
        self.wait_logged("engine: loaded '%s'" % first["href"], after=notice)
        self.no_report(seconds=0.5, event="load")
        # "重新加载" has the focus: Return alone loads the document again.
        self.press("Return")
        self.assertEqual(self.report(event="load", page="editor")["href"], first["href"])


class HungPage(RecoveryTest):
    def hang_start_page(self):
        self.start_logged()
        self.report(event="load", page="start")
        self.run_js(SPIN, page="start")
        self.report(event="spinning")
        # The engine finds a page hung by input it leaves unanswered.
        self.press("shift")
        self.wait_until(self.box_shown, message="no box %r" % HANG_BOX)

    def test_escape_keeps_waiting_and_return_loads_the_page_again(self):
        self.hang_start_page()
        self.press("Escape")
        self.wait_until(lambda: not self.box_shown(), message="the box stays after Escape")
        self.assertIn("main window: waiting for the page", self.log_text())
        # Still hung 10 s later: the box is back; Return ends the process and
        # the page loads again.
        self.wait_until(self.box_shown, message="the box did not come back")
        self.press("Return")
        self.report(event="load", page="start")
        self.assertTrue(self.ask("getversion()"))
        self.assertIn("(ended by the client); loading the page again", self.log_text())
        self.assertFalse(self.box_shown())

    def test_the_box_goes_by_itself_when_the_page_answers_again(self):
        self.hang_start_page()
        self.run_js("stop", page="spin")
        self.report(event="spun")
        self.wait_until(lambda: not self.box_shown(), message="the box stays")
        self.assertNotIn("the web process of the page", self.log_text())


class PageOverItsMemory(RecoveryTest):
    ALLOCATE = ("var keep = []; setInterval(function () {"
                " var a = new Uint8Array(8 << 20); a.fill(7); keep.push(a); }, 50);")

    def test_a_page_that_keeps_allocating_is_ended_and_the_notice_says_so(self):
        self.start_logged(env=dict(self.client_env(), QUORBITAL_WEB_MEMORY_MB="400"))
        self.wait_logged("engine: a web process may use at most 400 MiB")
        self.report(event="load", page="start")
        self.run_js(self.ALLOCATE, page="start")
        ended = self.wait_logged("ended (memory limit (内存不足)); loading the page again")
        self.report(event="load", page="start")
        self.run_js(self.ALLOCATE, page="start")
        self.wait_logged("ended (memory limit (内存不足)); it ended twice within a minute, so the"
                         " notice page shows instead", after=ended)


class EndingOnRequest(RecoveryTest):
    def test_sigterm_with_the_print_dialog_open_ends_the_client(self):
        self.start_logged()
        self.report(event="load", page="start")
        self.run_js("window.print(); report({event: 'printed'});", page="start")
        self.wait_until(lambda: self.find_windows("Print") or self.find_windows("打印"),
                        message="no print dialog")
        self.proc.send_signal(signal.SIGTERM)
        self.assertEqual(self.wait_exit(), 0)
        self.assertIn("dialog \"", self.log_text())

    def test_a_spinning_page_ends_with_the_client(self):
        self.start_logged()
        self.report(event="load", page="start")
        # A script that never returns, nor waits for anything.
        self.run_js("report({event: 'spinning'}); for (;;) {}", page="start")
        self.report(event="spinning")
        spinning = self.web_processes()
        self.assertTrue(spinning)
        self.proc.send_signal(signal.SIGTERM)
        self.assertEqual(self.wait_exit(), 0)
        # It spins, so only the client can end it; within a second, given
        # three on a busy machine.
        self.wait_until(lambda: not any(os.path.exists("/proc/%d/exe" % p) and
                                        os.path.realpath("/proc/%d/exe" % p).endswith(
                                            "WebKitWebProcess") for p in spinning),
                        timeout=3, message="the web process outlived the client")


if __name__ == "__main__":
    unittest.main()
