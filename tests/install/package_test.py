#!/usr/bin/env python3
"""Builds the Debian package with CPack into a scratch folder and checks what
an administrator gets: the files of the installation under /usr and nothing
else, the control fields with the dependencies, the triggers, valid desktop
and AppStream files, and a lintian run without errors. Installing it is left
to scripts/package-test.sh, which needs root."""

import argparse
import glob
import os
import re
import shutil
import subprocess
import sys
import tempfile
import unittest

ARGS = None


def run(*cmd, **kw):
    return subprocess.run(cmd, capture_output=True, text=True, timeout=kw.pop("timeout", 300), **kw)


class PackageTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.mkdtemp(prefix="quorbital-package.")
        # Packing compresses the whole program: minutes on a machine busy
        # with other builds.
        r = run(ARGS.cpack, "-G", "DEB", "--config", os.path.join(ARGS.build_dir, "CPackConfig.cmake"),
                "-B", cls.tmp, timeout=900)
        debs = glob.glob(os.path.join(cls.tmp, "*.deb"))
        if r.returncode != 0 or len(debs) != 1:
            shutil.rmtree(cls.tmp, ignore_errors=True)
            raise AssertionError("cpack failed:\n" + r.stdout + r.stderr)
        cls.deb = debs[0]
        listing = run("dpkg-deb", "--contents", cls.deb).stdout.splitlines()
        # "drwxr-xr-x root/root 0 2026-12-07 12:00 ./usr/share/" -> "/usr/share"
        cls.files = {line.split(None, 5)[5].split(" -> ")[0].lstrip(".").rstrip("/")
                     for line in listing if not line.startswith("d")}
        cls.root = os.path.join(cls.tmp, "root")
        subprocess.run(["dpkg-deb", "--raw-extract", cls.deb, cls.root], check=True)

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.tmp, ignore_errors=True)

    def field(self, name):
        return run("dpkg-deb", "--field", self.deb, name).stdout.strip()

    def test_name_and_control_fields(self):
        self.assertEqual(os.path.basename(self.deb), "quorbital_%s_amd64.deb" % ARGS.version)
        self.assertEqual(self.field("Package"), "quorbital")
        self.assertEqual(self.field("Version"), ARGS.version)
        self.assertEqual(self.field("Architecture"), "amd64")
        depends = [d.strip() for d in self.field("Depends").split(",")]
        names = {re.split(r"[ (]", d)[0] for d in depends}
        # From the binaries (dpkg-shlibdeps), then what the client needs besides.
        for lib in ("libwebkit2gtk-4.1-0", "libgtk-3-0", "libcurl4", "libminizip1", "libpugixml1v5"):
            self.assertIn(lib, names, depends)
        self.assertIn("fonts-wqy-microhei | fonts-noto-cjk", depends)
        self.assertIn("xdg-utils", names)
        # The changelog's newest entry is this version.
        with open(os.path.join(ARGS.source_dir, "dist", "debian", "changelog"), encoding="utf-8") as f:
            self.assertTrue(f.readline().startswith("quorbital (%s) " % ARGS.version))

    def test_files_are_the_installation_under_usr(self):
        expected = [
            "/usr/bin/quorbital",
            "/usr/share/quorbital/Skin/MainWnd.xml",
            "/usr/share/quorbital/res/icon_101.png",
            "/usr/share/quorbital/bundle/contentEditor/index.html",
            "/usr/share/quorbital/bundle/contentEditor/samples/welcome.zv",
            "/usr/share/applications/quorbital.desktop",
            "/usr/share/mime/packages/quorbital.xml",
            "/usr/share/icons/hicolor/scalable/apps/quorbital.svg",
            "/usr/share/icons/hicolor/48x48/apps/quorbital.png",
            "/usr/share/metainfo/io.vexalio.quorbital.metainfo.xml",
            "/usr/share/man/man1/quorbital.1.gz",
            "/usr/share/doc/quorbital/copyright",
            "/usr/share/doc/quorbital/changelog.gz",
        ]
        for path in expected:
            self.assertIn(path, self.files)
        if ARGS.webext:
            self.assertEqual([f for f in self.files if f.endswith("libquorbital-renderer.so")],
                             ["/usr/lib/quorbital/webext/libquorbital-renderer.so"])
        # Nothing outside /usr, no caches of the building machine, every skin
        # file and no stray build products.
        self.assertEqual([f for f in self.files if not f.startswith("/usr/")], [])
        self.assertEqual([f for f in self.files if re.search(r"\.cache$|/mime/[^p]|\.o$|\.a$", f)], [])
        skins = sorted(os.listdir(os.path.join(ARGS.source_dir, "Skin")))
        self.assertEqual(sorted(f.rsplit("/", 1)[1] for f in self.files
                                if f.startswith("/usr/share/quorbital/Skin/")), skins)

    def test_triggers_and_no_maintainer_scripts(self):
        control = os.path.join(self.root, "DEBIAN")
        with open(os.path.join(control, "triggers")) as f:
            lines = [line.split() for line in f if line.strip() and not line.startswith("#")]
        self.assertEqual(sorted(lines), [["activate-noawait", "/usr/share/applications"],
                                         ["activate-noawait", "/usr/share/icons/hicolor"],
                                         ["activate-noawait", "/usr/share/mime/packages"]])
        for script in ("preinst", "postinst", "prerm", "postrm"):
            self.assertFalse(os.path.exists(os.path.join(control, script)), script)

    def test_desktop_and_appstream_files_validate(self):
        share = os.path.join(self.root, "usr", "share")
        r = run("desktop-file-validate", os.path.join(share, "applications", "quorbital.desktop"))
        self.assertEqual(r.returncode, 0, r.stdout + r.stderr)
        r = run("appstreamcli", "validate", "--no-net", "--pedantic",
                os.path.join(share, "metainfo", "io.vexalio.quorbital.metainfo.xml"))
        self.assertEqual(r.returncode, 0, r.stdout + r.stderr)
        self.assertNotRegex(r.stdout, r"(?m)^[EW]:")

    def test_lintian_reports_no_errors(self):
        # As root lintian warns that it should not be; the package is only read.
        r = run("lintian", "--allow-root", "--tag-display-limit", "0", self.deb, timeout=600)
        errors = [line for line in r.stdout.splitlines() if line.startswith("E:")]
        self.assertEqual(errors, [], r.stdout + r.stderr)
        # The warnings that remain are explained in the README.
        sys.stderr.write("lintian: %s\n" % (r.stdout.strip() or "clean"))


if __name__ == "__main__":
    ap = argparse.ArgumentParser()
    ap.add_argument("--cpack", required=True)
    ap.add_argument("--build-dir", required=True)
    ap.add_argument("--source-dir", required=True)
    ap.add_argument("--version", required=True)
    ap.add_argument("--webext", type=int, default=0)
    ARGS, rest = ap.parse_known_args()
    unittest.main(argv=[sys.argv[0]] + rest)
