// The rules that tell the client's own pages from web pages: file documents
// inside EditorDir after resolving ".." and links, and the service's origin.
#include "app/own_pages.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "tests/support/test_process.h"

namespace fs = std::filesystem;

namespace {

class OwnPagesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/quorbital-trust-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    root_ = tmpl;
    editor_ = root_ + "/data/contentEditor";
    fs::create_directories(editor_ + "/editor");
    fs::create_directories(root_ + "/data/contentEditorX");
    for (const char* name : {"/index.html", "/editor/index.html", "/my doc.html"}) {
      std::ofstream(editor_ + name) << "page";
    }
    std::ofstream(root_ + "/data/contentEditorX/index.html") << "page";
    std::ofstream(root_ + "/outside.html") << "page";
    places_.editor_dir = editor_;
    places_.service_origin = "https://api.example:443";
  }
  void TearDown() override { fs::remove_all(root_); }

  bool Trusted(const std::string& url) {
    return ClassifyDocument(url, places_) == DocumentKind::kOwn;
  }

  std::string root_, editor_;
  OwnPlaces places_;
};

TEST_F(OwnPagesTest, FileDocumentsOnlyInsideTheEditorFolder) {
  EXPECT_TRUE(Trusted("file://" + editor_ + "/index.html"));
  EXPECT_TRUE(Trusted("file://" + editor_ + "/editor/index.html?channel=offline&file=/a%20b.zv"));
  EXPECT_TRUE(Trusted("file://localhost" + editor_ + "/my%20doc.html#top"));
  EXPECT_TRUE(Trusted("FILE://" + editor_ + "/editor/../index.html"));

  EXPECT_FALSE(Trusted("file://" + editor_ + "/../../outside.html"));
  EXPECT_FALSE(Trusted("file://" + editor_ + "/%2E%2E/%2E%2E/outside.html"));
  EXPECT_FALSE(Trusted("file://" + editor_ + "X/index.html")) << "a sibling sharing the prefix";
  EXPECT_FALSE(Trusted("file://" + editor_)) << "the folder itself";
  EXPECT_FALSE(Trusted("file://" + editor_ + "/missing.html"));
  EXPECT_FALSE(Trusted("file://otherhost" + editor_ + "/index.html"));
  EXPECT_FALSE(Trusted("file://" + editor_ + "/index.html%00.x"));
  EXPECT_FALSE(Trusted("about:blank"));
  EXPECT_FALSE(Trusted("data:text/html,page"));
  EXPECT_FALSE(Trusted(""));
  places_.editor_dir.clear();
  EXPECT_FALSE(Trusted("file://" + editor_ + "/index.html"));
}

TEST_F(OwnPagesTest, LinksAreFollowedBeforeTheFolderIsCompared) {
  // A link inside the bundle that leads out of it is not the bundle's.
  fs::create_symlink(root_ + "/outside.html", editor_ + "/out.html");
  EXPECT_FALSE(Trusted("file://" + editor_ + "/out.html"));
  // A data directory reached through a link is still the bundle.
  fs::create_directory_symlink(root_ + "/data", root_ + "/linked");
  places_.editor_dir = root_ + "/linked/contentEditor";
  EXPECT_TRUE(Trusted("file://" + editor_ + "/index.html"));
  EXPECT_TRUE(Trusted("file://" + root_ + "/linked/contentEditor/index.html"));
}

TEST_F(OwnPagesTest, PagesOfTheServiceOriginOnly) {
  EXPECT_TRUE(Trusted("https://api.example/page.html"));
  EXPECT_TRUE(Trusted("HTTPS://API.EXAMPLE:443/x?y#z"));
  EXPECT_FALSE(Trusted("http://api.example/page.html"));
  EXPECT_FALSE(Trusted("https://api.example:8443/page.html"));
  EXPECT_FALSE(Trusted("https://api.example.evil/page.html"));
  EXPECT_FALSE(Trusted("https://api.example@evil.example/page.html"));
  EXPECT_FALSE(Trusted("https://evil.example/https://api.example/"));
  places_.service_origin.clear();
  EXPECT_FALSE(Trusted("https://api.example/page.html"));
}

// The record of a page's frames: kinds decided at each commit, forgotten with
// a new main document; a page is the client's own only when one of its
// frames is and every other holds an about: document, and frames never
// recorded count as web documents.
TEST_F(OwnPagesTest, APageIsOwnOnlyWhenEveryRecordedFrameIs) {
  using K = DocumentKind;
  EXPECT_EQ(ClassifyDocument("about:blank", places_), K::kAbout);
  EXPECT_EQ(ClassifyDocument("About:srcdoc", places_), K::kAbout);
  EXPECT_EQ(ClassifyDocument("data:text/html,x", places_), K::kWeb);
  EXPECT_EQ(ClassifyDocument("file://" + root_ + "/outside.html", places_), K::kLocal);
  EXPECT_EQ(ClassifyDocument("", places_), K::kWeb);

  FrameDocuments page;
  EXPECT_EQ(page.KindOf(1), K::kWeb);
  EXPECT_FALSE(page.IsOwnPage({}, 0));
  page.Commit(1, true, ClassifyDocument("file://" + editor_ + "/index.html", places_));
  page.Commit(2, false, K::kAbout);
  EXPECT_TRUE(page.IsOwnPage({1, 2}, 0));
  EXPECT_FALSE(page.IsOwnPage({1, 2}, 1)) << "a frame never recorded";
  EXPECT_FALSE(page.IsOwnPage({1, 3}, 0)) << "frame 3 was never recorded either";
  EXPECT_FALSE(page.IsOwnPage({2}, 0)) << "about: documents alone";
  page.Commit(2, false, K::kLocal);
  EXPECT_FALSE(page.IsOwnPage({1, 2}, 0));
  page.Commit(2, false, K::kWeb);
  EXPECT_FALSE(page.IsOwnPage({1, 2}, 0));
  page.Forget(2);
  EXPECT_TRUE(page.IsOwnPage({1}, 0));
  page.Commit(2, false, K::kOwn);
  page.Commit(1, true, K::kWeb);
  EXPECT_EQ(page.KindOf(2), K::kWeb) << "the old document's frames went with it";
  EXPECT_FALSE(page.IsOwnPage({1}, 0));
}

TEST(ClientOwnPlaces, EditorFolderAndTheServiceAsTheClientReadsIt) {
  char tmpl[] = "/tmp/quorbital-trust-XXXXXX";
  ASSERT_NE(mkdtemp(tmpl), nullptr);
  const std::string home = tmpl;
  test_support::ScopedEnv xdg("XDG_DATA_HOME", home.c_str());
  OwnPlaces places = ClientOwnPlaces();
  EXPECT_EQ(places.editor_dir, home + "/vexalio/contentEditor");
  EXPECT_EQ(places.service_origin, "https://api.vexalio.example:443") << "the default";
  fs::create_directories(home + "/vexalio");
  std::ofstream(home + "/vexalio/version.ini")
      << "[versionInformation]\ncloudHost=http://127.0.0.1:8123/base/\n";
  EXPECT_EQ(ClientOwnPlaces().service_origin, "http://127.0.0.1:8123");
  fs::remove_all(home);
}

}  // namespace
