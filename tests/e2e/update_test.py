"""Content updates end to end: the real client under the test display, a
local update service on 127.0.0.1 named by cloudHost in version.ini, and the
update window driven with xdotool as a user would. Signatures are made with
the minisign tool and keys made for the run."""

import io
import os
import signal
import threading
import time
import unittest
import zipfile

from update_support import (NEW_BUILD, OLD_BUILD, WAIT, Keys, UpdateClientTest,
                            UpdateService, xdotool)


def bomb(entries=1, zeros=0):
    """A bundle with a start page and either entries - 1 empty files or one
    file of that many zero bytes (compressed a thousandfold)."""
    out = io.BytesIO()
    with zipfile.ZipFile(out, "w", zipfile.ZIP_DEFLATED) as z:
        z.writestr("contentEditor/index.html", b"<title>bomb</title>")
        for i in range(entries - 1):
            z.writestr("contentEditor/f/%d" % i, b"")
        if zeros:
            chunk = bytes(1 << 20)
            info = zipfile.ZipInfo("contentEditor/zeros.bin")
            info.compress_type = zipfile.ZIP_DEFLATED
            with z.open(info, "w", force_zip64=True) as f:
                for _ in range(zeros // len(chunk)):
                    f.write(chunk)
    return out.getvalue()


def disk_use(top):
    """Bytes of the blocks that everything under top takes."""
    total = 0
    for dirpath, dirnames, filenames in os.walk(top):
        for name in dirnames + filenames:
            try:
                total += os.lstat(os.path.join(dirpath, name)).st_blocks * 512
            except OSError:
                pass  # removed meanwhile
    return total


class UpdateTest(UpdateClientTest):
    def test_newer_build_is_installed_and_its_start_page_loaded(self):
        self.service.archive = "held"
        started = time.monotonic()
        self.start()
        wid = self.find_window("update_dialog")
        self.assertGreaterEqual(time.monotonic() - started, 1.0, "not before a second has passed")

        # Closing is refused with a message box while the archive downloads,
        # with the close button, Escape and Alt+F4 alike.
        self.assertTrue(self.service.half_sent.wait(WAIT), "the archive is downloading")
        for close in (lambda: self.click_close(wid),
                      lambda: xdotool("windowactivate", "--sync", wid, "key", "Escape"),
                      lambda: xdotool("windowactivate", "--sync", wid, "key", "alt+F4")):
            close()
            box = self.find_window("提示")
            xdotool("windowactivate", "--sync", box)
            xdotool("key", "Return")
            self.wait_until(lambda: not self.find_windows("提示"), message="the message box stays")
            self.assertEqual(self.find_windows("update_dialog"), [wid], "the window stays")
        self.service.release.set()

        self.wait_log("update: start offered")
        progress = [int(line.split()[-1]) for line in self.log_lines("update: progress")]
        self.assertGreaterEqual(len(progress), 2, "the bar moves")
        self.assertEqual(progress, sorted(progress))
        self.assertEqual(progress[-1], 100)
        states = self.log_lines("update: state")
        self.assertEqual(states, ["update: state 0", "update: state 1", "update: state 3"])
        self.assertIn("build=%d" % NEW_BUILD, self.ini())
        self.assertFalse(os.path.exists(os.path.join(self.data_dir, "updatehtml.zip")))
        # A signature is looked for first; this service publishes none.
        self.assertTrue(self.service.requests[1].startswith("/bundle.zip.minisig?skq="))
        self.assertTrue(self.service.requests[2].startswith("/bundle.zip?skq="))

        # The first page waits for the window; "start" closes it.
        self.no_report(seconds=0.5, event="load")
        self.click_start(wid)
        self.report(event="load", page="newstart")

    def test_the_document_opens_in_the_new_editor_after_the_update(self):
        self.start("/tmp/x/my docs/a.zv")
        wid = self.find_window("update_dialog")
        self.wait_log("update: start offered")
        # "start" has the keyboard focus once offered: Return goes on.
        xdotool("windowactivate", "--sync", wid, "key", "Return")
        r = self.report(event="load", page="neweditor")
        self.assertEqual(r["search"], "?channel=offline&file=/tmp/x/my%20docs/a.zv")

    def test_a_document_handed_over_during_the_update_window_opens_after_it(self):
        self.start()
        wid = self.find_window("update_dialog")
        second = self.spawn("/tmp/x/handed over.zv")
        self.addCleanup(lambda: second.poll() is None and second.kill())
        self.assertEqual(second.wait(WAIT), 0, "the running client takes the document")
        self.wait_log("update: start offered")
        self.click_start(wid)
        # The first page is the handed document, from the new bundle.
        r = self.report(event="load")
        self.assertEqual(r["page"], "neweditor")
        self.assertEqual(r["search"], "?channel=offline&file=/tmp/x/handed%20over.zv")
        self.no_report(seconds=1.0, event="load")

    def test_a_bad_archive_keeps_the_old_bundle(self):
        self.service.archive = "bad"
        self.start()
        wid = self.find_window("update_dialog")
        self.wait_log("update: state 4")
        self.click_close(wid)
        self.report(event="load", page="start")
        self.assertIn("build=%d" % OLD_BUILD, self.ini())
        self.assertIn('"start"', self.read("contentEditor", "index.html"))
        self.assertFalse(os.path.exists(os.path.join(self.data_dir, "updatehtml.zip")))

    def test_archives_past_the_bounds_are_refused_with_disk_use_bounded(self):
        for archive, reason, writes in ((bomb(zeros=700 << 20), "升级包解压后过大", True),
                                        (bomb(entries=20001), "升级包文件过多", False)):
            with self.subTest(reason=reason):
                self.service.bundle = archive
                before = disk_use(self.data_dir)
                peak = [0]
                stop = threading.Event()

                def watch():
                    while not stop.is_set():
                        peak[0] = max(peak[0], disk_use(self.data_dir))
                        time.sleep(0.02)

                watcher = threading.Thread(target=watch)
                watcher.start()
                try:
                    self.start()
                    self.assert_refused(reason)
                finally:
                    stop.set()
                    watcher.join()
                    self.restart()
                # At most the bound and the archive beside what was there
                # (and a little for the folders of the staging).
                self.assertLess(peak[0], before + (512 << 20) + len(archive) + (1 << 20))
                if writes:
                    self.assertGreater(peak[0], before + (100 << 20), "the watch saw the writes")

    def test_an_unsigned_archive_from_elsewhere_over_http_is_refused_before_it_is_fetched(self):
        elsewhere = UpdateService(self.server.port)
        self.addCleanup(elsewhere.close)
        for url in ("http://127.0.0.1:%d/bundle.zip" % elsewhere.port,
                    "http://127.0.0.1:%d/away.zip" % self.service.port):
            with self.subTest(url=url):
                self.service.package_url = url
                self.service.redirect = "http://127.0.0.1:%d/bundle.zip" % elsewhere.port
                self.start()
                try:
                    self.assert_refused("升级包来源不可信")
                finally:
                    self.restart()
                self.assertEqual(elsewhere.requests, [])

    def test_signed_archives_need_a_trusted_key_and_updatekey_needs_a_signature(self):
        keys = Keys()
        self.addCleanup(keys.close)
        elsewhere = UpdateService(self.server.port)
        self.addCleanup(elsewhere.close)
        self.write_ini("http://127.0.0.1:%d/" % self.service.port, key=keys.public("a"))

        # Unsigned, though from the service itself.
        self.start()
        self.assert_refused("升级包没有签名")
        self.assertFalse(any(r.startswith("/bundle.zip?") for r in self.service.requests))
        self.restart()

        # From plain http elsewhere: signed by another key, then by the key.
        self.service.package_url = "http://127.0.0.1:%d/bundle.zip" % elsewhere.port
        elsewhere.signature = keys.sign("b", elsewhere.bundle)
        self.start()
        self.assert_refused("升级包签名无效")
        self.assertFalse(any(r.startswith("/bundle.zip?") for r in elsewhere.requests))
        self.restart()

        elsewhere.requests.clear()
        elsewhere.signature = keys.sign("a", elsewhere.bundle)
        self.start()
        wid = self.find_window("update_dialog")
        self.wait_log("update: start offered")
        self.assertIn("build=%d" % NEW_BUILD, self.ini())
        self.assertTrue(elsewhere.requests[0].startswith("/bundle.zip.minisig?skq="))
        self.assertTrue(elsewhere.requests[1].startswith("/bundle.zip?skq="))
        self.click_start(wid)
        self.report(event="load", page="newstart")

    def test_a_cloud_host_of_sixty_characters_is_used_whole(self):
        base = "http://127.0.0.1:%d/" % self.service.port
        self.service.prefix = "/" + "u" * (60 - len(base) - 1) + "/"
        host = base + self.service.prefix[1:]
        self.assertEqual(len(host), 60)
        self.write_ini(host)
        self.start()
        self.wait_log("update: start offered")
        self.assertEqual(self.service.requests[0], self.service.prefix + "api/software/1")

    def test_a_killed_update_leaves_nothing_and_the_next_start_cleans_up_and_installs(self):
        self.service.archive = "held"
        self.start()
        self.assertTrue(self.service.half_sent.wait(WAIT), "the archive is downloading")
        self.wait_log("update: state 0")
        os.killpg(self.proc.pid, signal.SIGKILL)
        self.proc.wait(10)
        self.service.archive = "slow"
        self.service.release.set()
        self.assertEqual(self.scratch_names(), [])
        self.assertIn("build=%d" % OLD_BUILD, self.ini())
        self.assertIn('"start"', self.read("contentEditor", "index.html"))

        # What a run that died at another moment would have left.
        os.makedirs(os.path.join(self.data_dir, ".bundle-staging-Xy12Zw", "new", "contentEditor"))
        for name in ("updatehtml.zip", "updateinfo.txt", ".qdl-AbCd1234"):
            with open(os.path.join(self.data_dir, name), "w") as f:
                f.write("left over")
        self.start()
        wid = self.find_window("update_dialog")
        self.wait_log("update: start offered")
        self.assertEqual(self.scratch_names(), [])
        self.assertIn("build=%d" % NEW_BUILD, self.ini())

    def test_no_update_window_without_a_newer_build(self):
        # A build past 18 digits is no number a build can be compared with,
        # nor one an update could ever pass: it offers nothing.
        for build, host in ((OLD_BUILD, None), ("999999999999999999999", None),
                            (NEW_BUILD, "http://127.0.0.1:9/")):
            with self.subTest(build=build, host=host):
                self.service.build = build
                if host:
                    self.write_ini(host)
                self.start()
                self.report(event="load", page="start")
                # The update window would have come before the first page.
                self.assertEqual(self.find_windows("update_dialog"), [])
                self.assertIn("build=%d" % OLD_BUILD, self.ini())
                self.assertFalse(any(r.startswith("/bundle") for r in self.service.requests))
                self.proc.terminate()
                self.proc.wait(10)
                try:
                    os.killpg(self.proc.pid, signal.SIGKILL)
                except OSError:
                    pass


if __name__ == "__main__":
    unittest.main()
