"""Downloads end to end: what the server sees of a click on a slide link, what
the client holds of the chosen folder and its disk while and after it saves,
and the download list a person reads."""

import os
import subprocess
import sys
import unittest

sys.path.insert(0, os.path.dirname(__file__))
from harness import ClientTest  # noqa: E402


class DownloadTest(ClientTest):
    """A client whose diagnostics (each row's state) go to a log."""

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

    def click_link(self, url, target):
        """Answers the save dialog with target and clicks a link to url on the
        start page, as a person would."""
        self.answer_dialog(target)
        self.run_js("var a = document.getElementById('link'); a.href = %r; a.click();" % url,
                    page="start")

    def requests_for(self, path):
        return [r for r in self.server.requests if r.partition("?")[0] == path]


class OneRequest(DownloadTest):
    def test_a_click_makes_exactly_the_clients_own_request(self):
        base = "http://127.0.0.1:%d" % self.server.port
        target = os.path.join(self.folder, "once.pdf")
        self.click_link(base + "/slide/download/once.pdf", target)
        self.wait_until(lambda: os.path.exists(target), message="nothing saved")
        requests = self.requests_for("/slide/download/once.pdf")
        self.assertEqual(len(requests), 1, requests)
        self.assertRegex(requests[0], r"\?skq=-?\d+$")
        # A link that leads there by a redirect: the redirect is the page's,
        # the download's address is asked for once, by the client.
        target = os.path.join(self.folder, "moved.pdf")
        self.click_link(base + "/redirect?to=/slide/download/moved.pdf", target)
        self.wait_until(lambda: os.path.exists(target), message="nothing saved")
        self.assertEqual(len(self.requests_for("/slide/download/moved.pdf")), 1)
        # The page that was clicked is still there.
        self.assertEqual(self.ask("PAGE", page="start"), "start")


if __name__ == "__main__":
    unittest.main()
