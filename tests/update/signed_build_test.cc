// The trusted comment of a bundle's signature decides which build an update
// installs: the reply's announcement must match it, and it must be newer.
#include "update/signed_build.h"

#include <gtest/gtest.h>

namespace {

TEST(SignedBuildTest, ProductAndBuildAmongOtherTokens) {
  SignedBuild signedBuild;
  std::string why;
  for (const char* comment :
       {"product:quorbital-bundle build:1235", "build:1235 product:quorbital-bundle",
        "timestamp:1700000000\tfile:updatehtml.zip\tproduct:quorbital-bundle\tbuild:1235\thashed",
        "  product:quorbital-bundle   build:1235  "}) {
    ASSERT_TRUE(ParseTrustedComment(comment, &signedBuild, &why)) << comment << ": " << why;
    EXPECT_EQ(signedBuild.product, "quorbital-bundle");
    EXPECT_EQ(signedBuild.build, "1235");
  }
  // What the comment cannot be read as: missing, twice, or no plain number.
  for (const char* comment :
       {"", "demo-service build 1234", "product:quorbital-bundle", "build:1235",
        "product:quorbital-bundle build:1235 build:1", "product:a product:b build:1",
        "product:quorbital-bundle build:", "product:quorbital-bundle build:+12",
        "product:quorbital-bundle build:12a", "product:quorbital-bundle build:0x10",
        "product:quorbital-bundle build:1234567890123456789",
        "product:quorbital-bundle Build:12"}) {
    why.clear();
    EXPECT_FALSE(ParseTrustedComment(comment, &signedBuild, &why)) << comment;
    EXPECT_FALSE(why.empty()) << comment;
  }
}

TEST(SignedBuildTest, OnlyThisProductOfTheAnnouncedBuildAboveTheInstalledOne) {
  std::string build = "unchanged";
  std::string why;
  const auto check = [&](const char* comment, const char* announced, const char* installed) {
    return CheckSignedBuild(comment, announced, installed, &build, &why);
  };
  EXPECT_EQ(check("product:quorbital-bundle build:1235", "1235", "1234"),
            SignedBuildCheck::kAccepted);
  EXPECT_EQ(build, "1235");
  // Leading zeros are the same number; the record is the plain number.
  EXPECT_EQ(check("product:quorbital-bundle build:007", "0007", ""), SignedBuildCheck::kAccepted);
  EXPECT_EQ(build, "7");

  build = "unchanged";
  // An old archive announced as a newer build, and the other way round.
  EXPECT_EQ(check("product:quorbital-bundle build:1000", "99999", "1234"),
            SignedBuildCheck::kOtherBuild);
  EXPECT_EQ(check("product:quorbital-bundle build:2000", "1235", "1234"),
            SignedBuildCheck::kOtherBuild);
  EXPECT_EQ(check("product:quorbital-bundle build:1235", "1235 ", "1234"),
            SignedBuildCheck::kOtherBuild);
  // Another product's archive, signed with the same key.
  EXPECT_EQ(
      check("product:someone-elses-app file:other-product-setup.zip build:1235", "1235", "1234"),
      SignedBuildCheck::kOtherProduct);
  EXPECT_EQ(check("product:quorbital-bundle-old build:1235", "1235", "1234"),
            SignedBuildCheck::kOtherProduct);
  EXPECT_EQ(check("build 1235", "1235", "1234"), SignedBuildCheck::kUnreadable);
  // No rollback, also to the installed build itself.
  EXPECT_EQ(check("product:quorbital-bundle build:1234", "1234", "1234"),
            SignedBuildCheck::kNotNewer);
  EXPECT_EQ(check("product:quorbital-bundle build:900", "900", " 1234"),
            SignedBuildCheck::kNotNewer);
  EXPECT_EQ(check("product:quorbital-bundle build:999999999999999999", "999999999999999999",
                  "9999999999999999999999"),
            SignedBuildCheck::kNotNewer)
      << "an installed build past the range saturates";
  EXPECT_EQ(build, "unchanged") << "a refused comment records nothing";
}

}  // namespace
