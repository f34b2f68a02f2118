"""Signed page-bundle updates end to end, with the demo key of
scripts/demo-update-key/: the signature's trusted comment, not the service's
reply, says which product and build an archive is, an archive is never older
than what is installed, and a key installed beside the client requires a
signature as updateKey does."""

import os
import unittest

from update_support import (DEMO_PUBLIC_KEY, DEMO_SECRET_KEY, NEW_BUILD, OLD_BUILD,
                            UpdateClientTest, bundle_comment, public_key, sign)


class SignedUpdateTest(UpdateClientTest):
    def sign(self, build, product="quorbital-bundle"):
        """The service publishes the demo key's signature of its archive."""
        self.service.signature = sign(DEMO_SECRET_KEY, self.service.bundle,
                                      bundle_comment(build, product), self.tmp)

    def archive_requests(self):
        return [r for r in self.service.requests if r.startswith("/bundle.zip?")]

    def test_archives_signed_as_another_build_or_product_are_refused_then_an_honest_one_installs(
            self):
        self.write_ini("http://127.0.0.1:%d/" % self.service.port,
                       key=public_key(DEMO_PUBLIC_KEY))
        # An old archive offered as a far newer build; a build other than the
        # one announced; another product's archive signed with the same key.
        for announced, signed, product, reason in (
                (99999, OLD_BUILD - 100, "quorbital-bundle", "升级包的版本号与服务器公布的不符"),
                (NEW_BUILD, NEW_BUILD + 1, "quorbital-bundle", "升级包的版本号与服务器公布的不符"),
                (NEW_BUILD, NEW_BUILD, "someone-elses-app", "升级包不是本程序的页面包")):
            with self.subTest(announced=announced, signed=signed, product=product):
                self.service.build = announced
                self.sign(signed, product)
                self.start()
                try:
                    self.assert_refused(reason)
                    self.assertEqual(self.archive_requests(), [], "refused before it is fetched")
                finally:
                    self.restart()

        # The installed build stayed, so the next honest update is offered and
        # installed, and the build recorded is the signed one.
        self.service.build = NEW_BUILD
        self.sign(NEW_BUILD)
        self.start()
        wid = self.find_window("update_dialog")
        self.wait_log("update: start offered")
        self.assertIn("build=%d\n" % NEW_BUILD, self.ini())
        self.click_start(wid)
        self.report(event="load", page="newstart")

    def test_a_key_beside_the_client_requires_a_signature_without_updatekey(self):
        self.use_client_with_keys(DEMO_PUBLIC_KEY)
        self.assertNotIn("updateKey", self.ini())
        # The service publishes no signature: its address answers 404.
        self.start()
        self.assert_refused("升级包没有签名")
        self.assertTrue(any(r.startswith("/bundle.zip.minisig?") for r in self.service.requests))
        self.assertEqual(self.archive_requests(), [])


if __name__ == "__main__":
    unittest.main()
