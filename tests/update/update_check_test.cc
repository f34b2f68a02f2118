// The update check: scraping of the service's reply at its edges, the build
// comparison, and the whole check against a local service on 127.0.0.1.
#include "update/update_check.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tests/support/http_server.h"
namespace fs = std::filesystem;

namespace {

struct Scraped {
  std::string build;
  std::string url;
};

Scraped Scrape(const std::string& reply) {
  Scraped s;
  ScrapeUpdateReply(reply, s.build, s.url);
  return s;
}

TEST(ScrapeUpdateReplyTest, TypicalReplyWithEscapedSlashes) {
  const Scraped s = Scrape(
      R"({"code":0,"data":{"build":1234,"package_url":"http:\/\/cdn.example\/b\/1234.zip","size":9}})");
  EXPECT_EQ(s.build, "1234");
  EXPECT_EQ(s.url, "http://cdn.example/b/1234.zip");
}

TEST(ScrapeUpdateReplyTest, BuildTextIsKeptAsWritten) {
  // A quoted build keeps its quotes and reads as 0; a blank stays in front.
  EXPECT_EQ(Scrape(R"({"build":"1234","package_url":"u1",})").build, "\"1234\"");
  EXPECT_EQ(Scrape(R"({"build": 1234,"package_url":"u1",})").build, " 1234");
  // A build with no comma after it runs to the end of the reply.
  EXPECT_EQ(Scrape(R"({"package_url":"u1","build":1234})").build, "1234}");
}

TEST(ScrapeUpdateReplyTest, PackageUrlAsTheLastMemberRunsToTheEnd) {
  // The reply's first and last characters are not the quotes: the value keeps
  // its closing quote and what stood before the reply's last character.
  EXPECT_EQ(Scrape(R"({"build":1234,"package_url":"http:\/\/h\/b.zip"})").url, "http://h/b.zip\"");
  EXPECT_EQ(Scrape("{\"build\":1234,\"package_url\":\"http://h/b.zip\"}\n").url,
            "http://h/b.zip\"}");
}

TEST(ScrapeUpdateReplyTest, MissingKeysAndEmptyReplies) {
  // Without "build" the whole reply is the build text.
  const std::string noBuild = R"({"version":7,"package_url":"u1",})";
  EXPECT_EQ(Scrape(noBuild).build, noBuild);
  EXPECT_EQ(Scrape(noBuild).url, "u1");
  EXPECT_EQ(Scrape("").build, "");
  EXPECT_EQ(Scrape("").url, "");
  EXPECT_EQ(Scrape(R"({"build":5,"package_url":x,})").url, "");
  EXPECT_EQ(Scrape(R"({"build":5,"package_url":"",})").url, "");
  EXPECT_EQ(Scrape(R"({"build":5,"package_url":"\\",})").url, "");
}

TEST(ParseBuildNumberTest, ReadsLikeAtoiWithoutOverflow) {
  EXPECT_EQ(ParseBuildNumber(" 1234"), 1234);
  EXPECT_EQ(ParseBuildNumber("\t+12x"), 12);
  EXPECT_EQ(ParseBuildNumber("-3"), -3);
  EXPECT_EQ(ParseBuildNumber("\"1234\""), 0);
  EXPECT_EQ(ParseBuildNumber(""), 0);
  EXPECT_EQ(ParseBuildNumber("999999999999999999"), 999999999999999999);
  EXPECT_EQ(ParseBuildNumber("99999999999999999999"), LLONG_MAX);
  EXPECT_EQ(ParseBuildNumber("-99999999999999999999"), LLONG_MIN);
}

TEST(PublishedBuildDigitsTest, OnlyOneToEighteenDigitsBetweenBlanks) {
  EXPECT_EQ(PublishedBuildDigits("1234"), "1234");
  EXPECT_EQ(PublishedBuildDigits(" \t1234 \r\n"), "1234");
  EXPECT_EQ(PublishedBuildDigits(std::string(18, '9')), std::string(18, '9'));
  for (const std::string& bad :
       std::vector<std::string>{"", "  ", "12\n34", "abc", "\"1234\"", "+12", "-3", "12x", "1 2",
                                std::string(19, '1')}) {
    EXPECT_EQ(PublishedBuildDigits(bad), "") << bad;
  }
}

// The whole check against a file server on 127.0.0.1 serving a private
// directory, shared by the tests of the suite.
class CheckForUpdateTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    std::string tmpl = (fs::temp_directory_path() / "qchk-XXXXXX").string();
    ASSERT_NE(mkdtemp(tmpl.data()), nullptr);
    root_ = tmpl;
    fs::create_directories(root_ / "www");
    server_ = new test_support::HttpServer({"--dir", root_ / "www", "--log", root_ / "log"});
    ASSERT_GT(server_->port(), 0);
  }

  static void TearDownTestSuite() {
    delete server_;
    server_ = nullptr;
    std::error_code ec;
    fs::remove_all(root_, ec);
  }

  void SetUp() override {
    data_ = root_ / ::testing::UnitTest::GetInstance()->current_test_info()->name();
    fs::create_directories(data_);
  }

  static std::string Base() { return server_->Base() + "/"; }

  void Publish(const std::string& path, const std::string& reply) {
    fs::create_directories((root_ / "www" / path).parent_path());
    std::ofstream(root_ / "www" / path, std::ios::binary) << reply;
  }

  void WriteIni(const std::string& text) { std::ofstream(data_ / "version.ini") << text; }

  std::vector<std::string> Files() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(data_))
      names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    return names;
  }

  bool Check(std::string& build, std::string& url) {
    const std::vector<std::string> before = Files();
    const bool result = CheckForUpdate(data_.wstring(), build, url);
    EXPECT_EQ(Files(), before) << "the check writes nothing";
    return result;
  }

  static fs::path root_;
  static test_support::HttpServer* server_;
  fs::path data_;
};

fs::path CheckForUpdateTest::root_;
test_support::HttpServer* CheckForUpdateTest::server_ = nullptr;

TEST_F(CheckForUpdateTest, NewerBuildOnlyWhenStrictlyGreater) {
  Publish("api/software/1", R"({"build":1234,"package_url":"http:\/\/127.0.0.1\/b.zip","x":1})");
  for (const auto& [local, expected] :
       {std::pair{"1233", true}, std::pair{"1234", false}, std::pair{"1235", false}}) {
    WriteIni("[versionInformation]\nbuild=" + std::string(local) + "\ncloudHost=" + Base() + "\n");
    std::string build, url;
    EXPECT_EQ(Check(build, url), expected) << local;
    // The scraped values are handed back either way once a reply was read.
    EXPECT_EQ(build, "1234");
    EXPECT_EQ(url, "http://127.0.0.1/b.zip");
  }
  // No installed build at all counts as 0.
  WriteIni("[versionInformation]\ncloudHost=" + Base() + "\n");
  std::string build, url;
  EXPECT_TRUE(Check(build, url));
}

TEST_F(CheckForUpdateTest, QuotedBuildAndEmptyPackageOfferNothing) {
  WriteIni("[versionInformation]\ncloudHost=" + Base() + "\n");
  Publish("api/software/1", R"({"build":"1234","package_url":"http:\/\/h\/b.zip",})");
  std::string build, url;
  EXPECT_FALSE(Check(build, url));
  EXPECT_EQ(build, "\"1234\"");

  Publish("api/software/1", R"({"build":1234,"package_url":"",})");
  build.clear();
  url.clear();
  EXPECT_FALSE(Check(build, url));

  Publish("api/software/1", "");
  EXPECT_FALSE(Check(build, url));
}

TEST_F(CheckForUpdateTest, OnlyAPlainNumberIsOfferedAndComparedInFull) {
  WriteIni("[versionInformation]\nbuild=100000000000000000\ncloudHost=" + Base() + "\n");
  for (const std::string& bad : std::vector<std::string>{"12\n34", "abc", std::string(19, '9')}) {
    Publish("api/software/1", "{\"build\":" + bad + ",\"package_url\":\"http:\\/\\/h\\/b.zip\",}");
    std::string build, url;
    EXPECT_FALSE(Check(build, url)) << bad;
  }
  // Eighteen digits compare as numbers, beyond the range of an int.
  Publish("api/software/1", R"({"build": 100000000000000001 ,"package_url":"http:\/\/h\/b.zip",})");
  std::string build, url;
  EXPECT_TRUE(Check(build, url));
  EXPECT_EQ(build, "100000000000000001") << "the build is recorded as its digits";
}

TEST_F(CheckForUpdateTest, RepliesPastTheSizeBoundOfferNothing) {
  WriteIni("[versionInformation]\nbuild=1\ncloudHost=" + Base() + "\n");
  const std::string head = R"({"build":1234,"package_url":"http:\/\/h\/b.zip","pad":")";
  for (const auto& [size, expected] :
       {std::pair{64 * 1024, true}, std::pair{64 * 1024 + 1, false}, std::pair{4 << 20, false}}) {
    Publish("api/software/1", head + std::string(size - head.size(), 'x'));
    std::string build, url;
    EXPECT_EQ(Check(build, url), expected) << size;
    EXPECT_EQ(url, expected ? "http://h/b.zip" : "") << size;
  }
}

TEST_F(CheckForUpdateTest, CloudHostIsReadWholeAndOnlyAWebAddressIsAsked) {
  // 60 characters, all of them part of the address.
  std::string host = Base();
  host += std::string(60 - host.size() - 1, 'p') + "/";
  ASSERT_EQ(host.size(), 60u);
  Publish(host.substr(Base().size()) + "api/software/1",
          R"({"build":7,"package_url":"http:\/\/h\/whole.zip",})");
  WriteIni("[versionInformation]\nbuild=6\ncloudHost=" + host + "\n");
  std::string build, url;
  EXPECT_TRUE(Check(build, url));
  EXPECT_EQ(url, "http://h/whole.zip");

  // Too long to be taken whole, or no web address: nothing is asked.
  const std::size_t asked = server_->Requests().size();
  for (const std::string& bad : {Base() + "/" + std::string(2048, 'p') + "/", std::string(),
                                 std::string("ftp://127.0.0.1/"), std::string("127.0.0.1:80/")}) {
    WriteIni("[versionInformation]\nbuild=6\ncloudHost=" + bad + "\n");
    build.clear();
    url.clear();
    EXPECT_FALSE(Check(build, url)) << bad;
  }
  EXPECT_EQ(server_->Requests().size(), asked);
}

TEST_F(CheckForUpdateTest, TheReplyIsNotTakenFromAnotherOriginOverHttp) {
  // localhost is another origin than 127.0.0.1, though the same server.
  const std::string elsewhere =
      "http://localhost:" + std::to_string(server_->port()) + "/elsewhere/api/software/1";
  Publish("elsewhere/api/software/1", R"({"build":7,"package_url":"http:\/\/h\/b.zip",})");
  Publish("here/api/software/1", R"({"build":7,"package_url":"http:\/\/h\/b.zip",})");
  WriteIni("[versionInformation]\nbuild=6\ncloudHost=" + Base() + "redirect/here/\n");
  std::string build, url;
  EXPECT_TRUE(Check(build, url)) << "a redirect within the origin is followed";
  WriteIni("[versionInformation]\nbuild=6\ncloudHost=" + Base() + "redirect?to=" + elsewhere +
           "&x=\n");
  EXPECT_FALSE(Check(build, url));
  const std::vector<std::string> requests = server_->Requests();
  EXPECT_EQ(std::count(requests.begin(), requests.end(), "/elsewhere/api/software/1"), 0);
}

TEST_F(CheckForUpdateTest, FailedRequestsLeaveTheStringsEmpty) {
  std::string build, url;
  // An empty cloudHost makes the request "api/software/1" alone.
  WriteIni("[versionInformation]\ncloudHost=\n");
  EXPECT_FALSE(Check(build, url));
  // A service that does not know the path.
  WriteIni("[versionInformation]\ncloudHost=" + Base() + "missing/\n");
  EXPECT_FALSE(Check(build, url));
  // Nobody listening.
  WriteIni("[versionInformation]\ncloudHost=http://127.0.0.1:1/\n");
  EXPECT_FALSE(Check(build, url));
  EXPECT_EQ(build, "");
  EXPECT_EQ(url, "");
  // A data directory that does not exist, or none at all.
  EXPECT_FALSE(CheckForUpdate((data_ / "nowhere").wstring(), build, url));
  EXPECT_FALSE(CheckForUpdate(L"", build, url));
  EXPECT_EQ(build, "");
}

}  // namespace
