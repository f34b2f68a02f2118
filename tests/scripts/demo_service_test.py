#!/usr/bin/env python3
"""Tests of scripts/demo-service: the update reply read the way the client
scrapes it, the bundle archive, slide downloads and the instruction PDF."""

import io
import json
import os
import re
import subprocess
import sys
import tempfile
import time
import unittest
import urllib.error
import urllib.request
import zipfile

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), os.pardir, os.pardir))
SERVICE = os.path.join(ROOT, "scripts", "demo-service")
BUNDLE = os.path.join(ROOT, "bundle", "contentEditor")


def scrape(reply, key):
    """The client's scraping: the text between the first ":" after the first
    occurrence of key and the next ","; a missing piece runs to the end."""
    def find(sub, start):
        if start is None:
            return None
        i = reply.find(sub, start)
        return None if i < 0 else i
    c = find(":", find(key, 0))
    e = find(",", c)
    start = 0 if c is None else c + 1
    return reply[start:] if e is None else reply[start:e]


def atoi(text):
    m = re.match(r"\s*([+-]?\d+)", text)
    return int(m.group(1)) if m else 0


def package_url(reply):
    return scrape(reply, "package_url")[1:-1].replace("\\", "")


class Service:
    """One demo service on a free port, stopped by close()."""

    def __init__(self, *args):
        self.proc = subprocess.Popen([sys.executable, SERVICE, "--port", "0", *args],
                                     stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
        line = self.proc.stdout.readline()
        m = re.search(r"(http://127\.0\.0\.1:\d+/) \(build (\d+)\)", line)
        if not m:
            self.close()
            raise AssertionError("service did not start: %r %r" % (line, self.proc.stderr.read()))
        self.base, self.build = m.group(1), int(m.group(2))
        self.key_line = self.proc.stdout.readline()

    def get(self, path, method="GET"):
        req = urllib.request.Request(self.base + path, method=method)
        with urllib.request.urlopen(req, timeout=30) as r:
            return r.status, r.headers, r.read()

    def close(self):
        if self.proc.poll() is None:
            self.proc.terminate()
            try:
                self.proc.wait(timeout=5)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                self.proc.wait()
        self.proc.stdout.close()
        self.proc.stderr.close()


class DemoServiceTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.svc = Service("--build", "1234", "--slow-rate", "512")

    @classmethod
    def tearDownClass(cls):
        cls.svc.close()

    def test_update_reply_scrapes_to_build_and_archive_url(self):
        status, headers, body = self.svc.get("api/software/1")
        self.assertEqual(status, 200)
        reply = body.decode("ascii")
        self.assertEqual(atoi(scrape(reply, "build")), 1234)
        # No blank: the client records the build text exactly as scraped.
        self.assertEqual(scrape(reply, "build"), "1234")
        self.assertIn("\\/", scrape(reply, "package_url"))
        self.assertEqual(package_url(reply), self.svc.base + "updatehtml.zip")
        # The reply stays valid JSON for any other reader.
        self.assertEqual(json.loads(reply)["build"], 1234)

    def test_archive_rebuilds_the_bundle_with_a_marker(self):
        # The client appends a cache-busting query to the package URL.
        status, headers, body = self.svc.get("updatehtml.zip?skq=-17")
        self.assertEqual(status, 200)
        self.assertEqual(int(headers["Content-Length"]), len(body))
        with zipfile.ZipFile(io.BytesIO(body)) as zf:
            self.assertIsNone(zf.testzip())
            names = zf.namelist()
            self.assertIn("contentEditor/index.html", names)
            self.assertIn("contentEditor/editor/index.html", names)
            for n in names:
                self.assertTrue(n.startswith("contentEditor/"), n)
                self.assertNotIn("\\", n)
                self.assertNotIn("..", n)
            for dirpath, _, files in os.walk(BUNDLE):
                for f in files:
                    rel = os.path.relpath(os.path.join(dirpath, f), os.path.dirname(BUNDLE))
                    self.assertIn(rel.replace(os.sep, "/"), names)
            info = zf.read("contentEditor/bundle-info.js").decode("utf-8")
            self.assertIn("build: 1234", info)
            self.assertIn(self.svc.base, info)
            with open(os.path.join(BUNDLE, "index.html"), "rb") as f:
                self.assertEqual(zf.read("contentEditor/index.html"), f.read())

    def test_archive_is_signed_with_the_demo_key(self):
        archive = self.svc.get("updatehtml.zip?skq=5")[2]
        signature = self.svc.get("updatehtml.zip.minisig?skq=5")[2]
        # The comment names the product and the build the reply announces.
        self.assertIn(b"\ntrusted comment: product:quorbital-bundle build:1234 ", signature)
        with tempfile.TemporaryDirectory() as tmp:
            path = os.path.join(tmp, "updatehtml.zip")
            with open(path, "wb") as f:
                f.write(archive)
            with open(path + ".minisig", "wb") as f:
                f.write(signature)
            key = os.path.join(ROOT, "scripts", "demo-update-key", "demo-update-key.pub")
            checked = subprocess.run(["minisign", "-V", "-p", key, "-m", path],
                                     capture_output=True, text=True)
            self.assertEqual(checked.returncode, 0, checked.stderr)
        with open(key) as f:
            self.assertIn(f.read().splitlines()[1], self.svc.key_line)

    def test_slides_have_their_sizes_and_headers(self):
        cases = [
            ("slide/download/intro-deck.zip?skq=99", 48 * 1024),
            ("slide/download/full-course.zip", 24 * 1024 * 1024),
            ("slide/download/other.zip", 2 * 1024 * 1024),
            ("slide/download/x.bin?size=1000?skq=5", 1000),
            ("slide/download/empty.bin?size=0", 0),
        ]
        for path, size in cases:
            with self.subTest(path=path):
                status, headers, body = self.svc.get(path)
                self.assertEqual(status, 200)
                self.assertEqual(len(body), size)
                self.assertEqual(int(headers["Content-Length"]), size)
                self.assertIn("attachment", headers["Content-Disposition"])

    def test_download_without_length(self):
        for path in ("slide/download/nolength/handouts.zip?skq=1", "slide/download/h.zip?nolength=1?skq=2"):
            with self.subTest(path=path):
                status, headers, body = self.svc.get(path)
                self.assertIsNone(headers["Content-Length"])
                self.assertEqual(len(body), 2 * 1024 * 1024)

    def test_names_are_decoded_and_kept_in_the_disposition(self):
        status, headers, body = self.svc.get("slide/download/%E7%AC%AC%E4%BA%8C.zip")
        self.assertEqual(status, 200)
        self.assertIn("UTF-8''%E7%AC%AC%E4%BA%8C.zip", headers["Content-Disposition"])
        self.assertTrue(body.startswith("Quorbital demo slide download: 第二.zip".encode("utf-8")))

    def test_slow_mode_trickles(self):
        start = time.monotonic()
        status, headers, body = self.svc.get("slide/download/slow/s.zip?size=262144")
        self.assertEqual(len(body), 262144)
        # 256 KiB at 512 KiB/s: four chunks, a pause after each.
        self.assertGreater(time.monotonic() - start, 0.3)

    def test_missing_and_unknown_paths_fail(self):
        for path in ("slide/download/missing/a.zip", "slide/download/", "nothing", "api/software/2"):
            with self.subTest(path=path):
                with self.assertRaises(urllib.error.HTTPError) as cm:
                    self.svc.get(path)
                self.assertEqual(cm.exception.code, 404)
                cm.exception.close()

    def test_instruction_pdf_is_well_formed(self):
        status, headers, pdf = self.svc.get("instruction.pdf?skq=3")
        self.assertEqual(headers["Content-Type"], "application/pdf")
        self.assertTrue(pdf.startswith(b"%PDF-1."))
        self.assertTrue(pdf.rstrip().endswith(b"%%EOF"))
        xref_at = int(re.search(rb"startxref\s+(\d+)", pdf).group(1))
        self.assertTrue(pdf[xref_at:].startswith(b"xref"))
        offsets = re.findall(rb"(\d{10}) 00000 n ", pdf)
        self.assertEqual(len(offsets), 6)
        for i, off in enumerate(offsets, 1):
            self.assertTrue(pdf[int(off):].startswith(b"%d 0 obj" % i))
        length = int(re.search(rb"/Length (\d+)", pdf).group(1))
        stream = pdf.index(b"stream\n") + len(b"stream\n")
        self.assertEqual(pdf[stream + length:stream + length + 10], b"\nendstream")

    def test_head_sends_headers_only(self):
        status, headers, body = self.svc.get("slide/download/intro-deck.zip", method="HEAD")
        self.assertEqual(int(headers["Content-Length"]), 48 * 1024)
        self.assertEqual(body, b"")


class DemoServiceOptionsTest(unittest.TestCase):
    def test_default_build_is_newer_than_earlier_runs(self):
        svc = Service()
        try:
            # The start time in seconds: above every build an earlier run
            # published, and still a 32-bit number for the client's atoi.
            self.assertGreaterEqual(svc.build, int(time.time()) - 60)
            self.assertLess(svc.build, 2**31)
            reply = svc.get("api/software/1")[2].decode("ascii")
            self.assertEqual(atoi(scrape(reply, "build")), svc.build)
        finally:
            svc.close()

    def test_bad_arguments_are_refused(self):
        for args in (["--build", "-1"], ["--build", str(2**31)], ["--bundle", "/nonexistent"]):
            with self.subTest(args=args):
                r = subprocess.run([sys.executable, SERVICE, "--port", "0", *args],
                                   capture_output=True, text=True, timeout=30)
                self.assertNotEqual(r.returncode, 0)


if __name__ == "__main__":
    unittest.main()
