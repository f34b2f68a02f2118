#!/usr/bin/env python3
"""The installed package as a user meets it (run by scripts/package-test.sh
after `apt-get install`, under a private display and home): /usr/bin/quorbital
installs the default bundle and shows its start page, the desktop knows the
client as the handler of .zv documents, and a sample opened through the
desktop entry reaches the running client."""

import os
import re
import shutil
import signal
import subprocess
import sys
import time
import unittest

DATA = os.path.join(os.environ["XDG_DATA_HOME"], "vexalio")
SAMPLES = "/usr/share/quorbital/bundle/contentEditor/samples"


class InstalledClient(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        # No update service is reachable: the address answers nothing at once.
        os.makedirs(DATA, exist_ok=True)
        with open(os.path.join(DATA, "version.ini"), "w") as f:
            f.write("[versionInformation]\ncloudHost=http://127.0.0.1:9/\n")
        cls.log_path = os.path.join(os.environ["HOME"], "client.log")
        cls.log = open(cls.log_path, "w")
        cls.proc = subprocess.Popen(["/usr/bin/quorbital"], env=dict(os.environ, QUORBITAL_DEBUG="1"),
                                    stdout=cls.log, stderr=subprocess.STDOUT, start_new_session=True)

    @classmethod
    def tearDownClass(cls):
        if cls.proc.poll() is None:
            cls.proc.kill()
            cls.proc.wait()
        try:
            os.killpg(cls.proc.pid, signal.SIGKILL)
        except OSError:
            pass
        cls.log.close()

    def wait_log(self, pattern, timeout=30):
        deadline = time.time() + timeout
        while time.time() < deadline:
            with open(self.log_path, encoding="utf-8", errors="replace") as f:
                text = f.read()
            if re.search(pattern, text):
                return
            self.assertIsNone(self.proc.poll(), "the client ended:\n" + text)
            time.sleep(0.2)
        self.fail("no %r in the client's diagnostics:\n%s" % (pattern, text))

    def test_1_start_page_of_the_installed_bundle(self):
        self.wait_log(r"renderer extension in '/usr/(bin/\.\./)?lib/quorbital/webext'")
        self.wait_log(r"engine: loaded 'file://%s/contentEditor/index\.html'" % re.escape(DATA))
        self.assertTrue(os.path.isfile(os.path.join(DATA, "contentEditor", "samples", "welcome.zv")))

    def test_2_desktop_knows_the_document_type(self):
        query = subprocess.run(["xdg-mime", "query", "default", "application/x-zv"],
                               capture_output=True, text=True, timeout=30)
        self.assertEqual(query.stdout.strip(), "quorbital.desktop", query.stderr)
        # The glob wins over the content (a .zv document is JSON inside).
        kind = subprocess.run(["gio", "info", "--attributes=standard::content-type",
                               os.path.join(SAMPLES, "welcome.zv")], capture_output=True, text=True, timeout=30)
        self.assertIn("standard::content-type: application/x-zv", kind.stdout, kind.stderr)

    def test_3_sample_opened_through_the_desktop_entry(self):
        sample = os.path.join(os.environ["HOME"], "我的 文档", "welcome.zv")
        os.makedirs(os.path.dirname(sample))
        shutil.copy(os.path.join(SAMPLES, "welcome.zv"), sample)
        launch = subprocess.run(["gio", "launch", "/usr/share/applications/quorbital.desktop", sample],
                                capture_output=True, text=True, timeout=30)
        self.assertEqual(launch.returncode, 0, launch.stderr)
        # The launched start hands the document to the running client.
        self.wait_log(r"engine: loaded 'file://.*/editor/index\.html\?channel=offline&file=.*welcome\.zv'")

    def test_4_ends_cleanly(self):
        self.proc.send_signal(signal.SIGTERM)
        self.assertEqual(self.proc.wait(20), 0)


if __name__ == "__main__":
    unittest.main(argv=[sys.argv[0], "-v"])
