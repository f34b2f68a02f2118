#!/usr/bin/env python3
"""scripts/with-display.sh (and so scripts/run.sh, which ends in it) ends with
the status of the command it ran, with and without a private home, on a
display of its own."""

import os
import subprocess
import unittest

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), os.pardir, os.pardir))
WRAPPER = os.path.join(ROOT, "scripts", "with-display.sh")


class EndsWithTheCommandsStatus(unittest.TestCase):
    def test_status_passes_through(self):
        for private in ("0", "1"):
            for status in (0, 1, 7):
                with self.subTest(private_home=private, status=status):
                    env = dict(os.environ, FORCE_XVFB="1", PRIVATE_HOME=private)
                    done = subprocess.run([WRAPPER, "sh", "-c", 'test -n "$DISPLAY" && exit %d'
                                           % status], env=env, timeout=60)
                    self.assertEqual(done.returncode, status)


if __name__ == "__main__":
    unittest.main()
