#!/usr/bin/env python3
"""Installs the build into a staging folder (DESTDIR) and checks that a user
gets the executable, the extension, skins, images, the default bundle, the
desktop entry, the icon and the .zv type, and that the desktop's own tools
accept the entry and the type."""

import argparse
import configparser
import os
import shutil
import subprocess
import sys
import tempfile
import unittest
import xml.etree.ElementTree as ET

ARGS = None
PREFIX = "/opt/quorbital-test"
MIME_NS = "{http://www.freedesktop.org/standards/shared-mime-info}"


class InstallTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.stage = tempfile.mkdtemp(prefix="quorbital-install.")
        env = dict(os.environ, DESTDIR=cls.stage)
        r = subprocess.run([ARGS.cmake, "--install", ARGS.build_dir, "--prefix", PREFIX],
                           env=env, capture_output=True, text=True, timeout=300)
        cls.log = r.stdout + r.stderr
        if r.returncode != 0:
            shutil.rmtree(cls.stage, ignore_errors=True)
            raise AssertionError("cmake --install failed:\n" + cls.log)
        cls.root = cls.stage + PREFIX

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.stage, ignore_errors=True)

    def path(self, *parts):
        return os.path.join(self.root, *parts)

    def test_executable_and_data(self):
        exe = self.path("bin", "quorbital")
        self.assertTrue(os.path.isfile(exe) and os.access(exe, os.X_OK))
        data = self.path("share", "quorbital")
        for d in ("Skin", "res"):
            self.assertTrue(os.path.isdir(os.path.join(data, d)), d)
        # Everything of the source folders arrives, nothing else.
        for d in ("Skin", "res"):
            src = sorted(os.listdir(os.path.join(ARGS.source_dir, d)))
            self.assertEqual(sorted(os.listdir(os.path.join(data, d))), src, d)

    def test_default_bundle(self):
        bundle = self.path("share", "quorbital", "bundle", "contentEditor")
        for f in ("index.html", "editor/index.html", "config.js", "bundle-info.js",
                  "samples/welcome.zv", "samples/orbital-basics.zv"):
            self.assertTrue(os.path.isfile(os.path.join(bundle, f)), f)

    def test_renderer_extension(self):
        if not ARGS.webext:
            self.skipTest("the web process extension is not part of this build")
        found = [os.path.join(d, f) for d, _, files in os.walk(self.root) for f in files
                 if f == "libquorbital-renderer.so"]
        self.assertEqual(len(found), 1, found)
        self.assertTrue(found[0].endswith(os.path.join("quorbital", "webext", "libquorbital-renderer.so")))

    def test_desktop_entry(self):
        entry = self.path("share", "applications", "quorbital.desktop")
        cp = configparser.ConfigParser(interpolation=None)
        cp.optionxform = str
        with open(entry, encoding="utf-8") as f:
            cp.read_file(f)
        de = cp["Desktop Entry"]
        self.assertEqual(de["Type"], "Application")
        self.assertEqual(de["Exec"], "quorbital %f")
        self.assertIn("application/x-zv", de["MimeType"].split(";"))
        icon = de["Icon"]
        self.assertTrue(os.path.isfile(self.path("share", "icons", "hicolor", "scalable", "apps", icon + ".svg")))
        ET.parse(self.path("share", "icons", "hicolor", "scalable", "apps", icon + ".svg"))
        if shutil.which("desktop-file-validate"):
            r = subprocess.run(["desktop-file-validate", entry], capture_output=True, text=True)
            self.assertEqual(r.returncode, 0, r.stdout + r.stderr)

    def test_mime_type(self):
        xml = self.path("share", "mime", "packages", "quorbital.xml")
        types = ET.parse(xml).getroot().findall(MIME_NS + "mime-type")
        self.assertEqual([t.get("type") for t in types], ["application/x-zv"])
        self.assertEqual([g.get("pattern") for g in types[0].findall(MIME_NS + "glob")], ["*.zv"])
        self.assertTrue(os.path.isfile(self.path("share", "icons", "hicolor", "scalable", "mimetypes",
                                                 "application-x-zv.svg")))
        # A staged installation leaves the caches to the target system.
        self.assertFalse(os.path.exists(self.path("share", "mime", "mime.cache")))
        self.assertIn("update-mime-database", self.log)
        tool = shutil.which("update-mime-database")
        if not tool:
            self.skipTest("update-mime-database is not installed")
        mime = tempfile.mkdtemp(prefix="quorbital-mime.")
        try:
            shutil.copytree(self.path("share", "mime"), mime, dirs_exist_ok=True)
            r = subprocess.run([tool, mime], capture_output=True, text=True, timeout=120)
            self.assertEqual(r.returncode, 0, r.stderr)
            with open(os.path.join(mime, "globs2"), encoding="utf-8") as f:
                self.assertIn("application/x-zv:*.zv", f.read())
        finally:
            shutil.rmtree(mime, ignore_errors=True)


if __name__ == "__main__":
    ap = argparse.ArgumentParser()
    ap.add_argument("--cmake", required=True)
    ap.add_argument("--build-dir", required=True)
    ap.add_argument("--source-dir", required=True)
    ap.add_argument("--webext", type=int, default=0)
    ARGS, rest = ap.parse_known_args()
    unittest.main(argv=[sys.argv[0]] + rest)
