// The default bundle's pages in the real engine (WebKitGTK, under Xvfb): the
// editor loads documents named the way the client names them and ends in a
// readable state for every broken one; the start page works with and without
// the page functions the client binds.
#include <gtest/gtest.h>
#include <webkit2/webkit2.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "app/engine_settings.h"
#include "engine/view_settings.h"
#include "tests/support/main_loop.h"
#include "tests/support/page_probe.h"

namespace {

namespace fs = std::filesystem;
using test_support::PumpUntil;

const fs::path kBundle = fs::path(QUORBITAL_SOURCE_DIR) / "bundle" / "contentEditor";

// The client puts a document path into the editor's address with spaces and
// non-ASCII bytes percent-escaped and everything else as it is.
std::string EscapeLikeClient(const std::string& path) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : path) {
    if (c >= 0x80 || c == ' ') {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

std::string FileUri(const fs::path& path) {
  gchar* uri = g_filename_to_uri(path.c_str(), nullptr, nullptr);
  std::string result = uri ? uri : "";
  g_free(uri);
  return result;
}

class EditorPageTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    gtk_init(nullptr, nullptr);
    window_ = gtk_offscreen_window_new();
    gtk_window_set_default_size(GTK_WINDOW(window_), 1280, 800);
    // The client's own settings: its local pages may read local files.
    CefBrowserSettings product;
    FillBrowserSettings(product);
    WebKitSettings* settings = engine::NewViewSettings(product);
    view_ = WEBKIT_WEB_VIEW(webkit_web_view_new_with_settings(settings));
    g_object_unref(settings);
    gtk_container_add(GTK_CONTAINER(window_), GTK_WIDGET(view_));
    gtk_widget_show_all(window_);
    char tmpl[] = "/tmp/quorbital-pages.XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    // A folder name with the characters that are hardest to carry in a query.
    docs_ = fs::path(tmpl) / "我的 文档 #1 & 100%";
    fs::create_directories(docs_);
  }

  static void TearDownTestSuite() {
    gtk_widget_destroy(window_);
    fs::remove_all(docs_.parent_path());
  }

  static fs::path Write(const std::string& name, const std::string& text) {
    fs::path p = docs_ / name;
    std::ofstream(p, std::ios::binary) << text;
    return p;
  }

  static void Load(const std::string& uri) {
    bool finished = false;
    gulong id = g_signal_connect(view_, "load-changed",
                                 G_CALLBACK(+[](WebKitWebView*, WebKitLoadEvent ev, gpointer data) {
                                   if (ev == WEBKIT_LOAD_FINISHED) *static_cast<bool*>(data) = true;
                                 }),
                                 &finished);
    webkit_web_view_load_uri(view_, uri.c_str());
    PumpUntil([&] { return finished; });
    g_signal_handler_disconnect(view_, id);
    ASSERT_TRUE(finished) << uri;
  }

  // Evaluates an expression in the page and returns its value as text.
  static std::string Eval(const std::string& script) {
    return test_support::EvalInView(view_, script);
  }

  // Waits until the expression becomes true in the page.
  static bool WaitFor(const std::string& condition) {
    return PumpUntil([&] { return Eval("!!(" + condition + ")") == "true"; });
  }

  static std::string Text(const std::string& id) {
    return Eval("document.getElementById('" + id + "').textContent");
  }

  void OpenEditor(const std::string& query) {
    Load(FileUri(kBundle / "editor" / "index.html") + query);
    ASSERT_TRUE(WaitFor("document.body.className.indexOf('is-loading') < 0")) << query;
  }

  void OpenDocument(const fs::path& doc) {
    OpenEditor("?channel=offline&file=" + EscapeLikeClient(doc.string()));
  }

  static inline GtkWidget* window_ = nullptr;
  static inline WebKitWebView* view_ = nullptr;
  static inline fs::path docs_;
};

TEST_F(EditorPageTest, ShowsADocumentWhosePathNeedsEscaping) {
  fs::path doc = docs_ / "欢迎 welcome.zv";
  fs::copy_file(kBundle / "samples" / "welcome.zv", doc, fs::copy_options::overwrite_existing);
  OpenDocument(doc);
  EXPECT_EQ(Eval("document.body.className"), "");
  EXPECT_EQ(Eval("document.querySelectorAll('#rail .thumb').length"), "6");
  EXPECT_EQ(Text("slide-title"), "欢迎使用 Quorbital 内容编辑器");
  EXPECT_EQ(Text("counter"), "1 / 6");
  EXPECT_EQ(Eval("document.title"), "欢迎使用 Quorbital - Quorbital");
  // Keyboard navigation moves to the next slide and its bullets.
  Eval("document.dispatchEvent(new KeyboardEvent('keydown', {key: 'ArrowRight'})), 0");
  EXPECT_EQ(Text("counter"), "2 / 6");
  EXPECT_EQ(Eval("document.querySelectorAll('#slide-body li').length"), "3");
}

TEST_F(EditorPageTest, DocumentTextIsNeverParsedAsHtml) {
  fs::path doc = Write(
      "markup.zv",
      R"({"format":"zv","version":1,"title":"<i>t</i>",)"
      R"("slides":[{"title":"<img src=x onerror=window.hit=1>","body":"<b>bold</b>","notes":"<u>n</u>"}]})");
  OpenDocument(doc);
  EXPECT_EQ(Text("slide-title"), "<img src=x onerror=window.hit=1>");
  EXPECT_EQ(
      Eval("document.querySelectorAll('#slide img, #slide b, #notes-text u, #doc-title i').length"),
      "0");
  EXPECT_EQ(Eval("String(window.hit)"), "undefined");
}

TEST_F(EditorPageTest, BrokenDocumentsEndInAReadableMessage) {
  struct Case {
    std::string name, text, title, message_part;
  } cases[] = {
      {"bad-json.zv", "{ \"format\": \"zv\", ", "无法打开文档", "JSON"},
      {"empty.zv", "", "无法打开文档", "为空"},
      {"other.zv", R"({"format":"pptx","version":1,"slides":[]})", "无法打开文档", "不是 .zv"},
      {"newer.zv", R"({"format":"zv","version":9,"slides":[]})", "无法打开文档", "较新版本"},
      {"binary.zv", std::string("\x89PNG\r\n\x1a\n\0\0", 10), "无法打开文档", "JSON"},
  };
  for (const Case& c : cases) {
    OpenDocument(Write(c.name, c.text));
    EXPECT_EQ(Eval("document.body.className"), "is-error") << c.name;
    EXPECT_EQ(Text("state-title"), c.title) << c.name;
    EXPECT_NE(Text("state-message").find(c.message_part), std::string::npos)
        << c.name << ": " << Text("state-message");
    EXPECT_NE(Text("state-path").find(c.name), std::string::npos) << c.name;
  }
}

TEST_F(EditorPageTest, MissingDocumentOrNoneNamed) {
  OpenDocument(docs_ / "does not exist.zv");
  EXPECT_EQ(Eval("document.body.className"), "is-error");
  EXPECT_EQ(Text("state-title"), "找不到文档");
  EXPECT_EQ(Text("state-path"), (docs_ / "does not exist.zv").string());

  OpenEditor("");
  EXPECT_EQ(Eval("document.body.className"), "is-empty");
  EXPECT_EQ(Text("state-title"), "未指定文档");

  // A document without slides is not an error, but says so.
  OpenDocument(Write("no-slides.zv", R"({"format":"zv","version":1,"title":"空","slides":[]})"));
  EXPECT_EQ(Eval("document.body.className"), "is-empty");
  EXPECT_EQ(Text("state-title"), "文档没有幻灯片");
}

TEST_F(EditorPageTest, StartPageWithoutPageFunctionsSaysSo) {
  Load(FileUri(kBundle / "index.html"));
  ASSERT_TRUE(WaitFor("document.getElementById('online-text').textContent !== '网络检测中…'"));
  EXPECT_EQ(Text("env-text"), "浏览器（本机函数不可用）");
  EXPECT_EQ(Text("online-text"), "网络状态未知");
  EXPECT_EQ(Text("callback-state"), "无法注册");
  EXPECT_EQ(Eval("document.querySelectorAll('a[href*=\"/slide/download\"]').length"), "4");
  EXPECT_EQ(Eval("document.querySelectorAll('a[href*=\"instruction.pdf\"]').length"), "1");
  // Opening a document without the client explains itself.
  Eval("document.getElementById('open-btn').click(), 0");
  EXPECT_NE(Eval("document.getElementById('toasts').textContent").find("openFileDialog"),
            std::string::npos);
}

TEST_F(EditorPageTest, StartPageUsesThePageFunctions) {
  // Stand-ins for the functions the client binds, recording their calls.
  const char* kFakes =
      "window.calls = [];"
      "window.getversion = function () { return '1.4.3'; };"
      "window.isonline = function () { calls.push('isonline'); return false; };"
      "window.openFileDialog = function () { calls.push('open'); };"
      "window.showWindowStatus = function (n) { calls.push('status ' + n); };"
      "window.goback = function () {};"
      "window.registercb = function (f) { calls.push('registercb'); f('register call back "
      "function', 0); };";
  WebKitUserContentManager* ucm = webkit_web_view_get_user_content_manager(view_);
  WebKitUserScript* script =
      webkit_user_script_new(kFakes, WEBKIT_USER_CONTENT_INJECT_TOP_FRAME,
                             WEBKIT_USER_SCRIPT_INJECT_AT_DOCUMENT_START, nullptr, nullptr);
  webkit_user_content_manager_add_script(ucm, script);
  webkit_user_script_unref(script);
  Load(FileUri(kBundle / "index.html"));
  ASSERT_TRUE(WaitFor("calls.indexOf('isonline') >= 0"));
  webkit_user_content_manager_remove_all_scripts(ucm);

  EXPECT_EQ(Text("version-text"), "客户端 v1.4.3");
  EXPECT_EQ(Text("online-text"), "离线");
  EXPECT_EQ(Text("callback-args"), "callback(\"register call back function\", 0)");
  EXPECT_EQ(Text("bundle-fact"), "内置默认版本");
  EXPECT_EQ(Eval("getComputedStyle(document.getElementById('bundle-pill')).display"), "none");
  Eval("document.getElementById('open-btn').click(), 0");
  Eval("document.getElementById('fullscreen-btn').click(), 0");
  Eval("document.getElementById('fullscreen-btn').click(), 0");
  EXPECT_EQ(Eval("calls.join(',')"), "registercb,isonline,open,status 1,status 0");
}

// The Chinese characters of the page's text that the engine draws exactly as
// it draws a character no font has (an empty box, or nothing): each distinct
// character is drawn on a canvas in the page's own font and its pixels are
// compared with those of an unassigned code point.
const char kCharactersWithoutGlyphs[] = R"js((function () {
  var text = document.title + document.body.innerText;
  var seen = {}, chars = [];
  Array.from(text).forEach(function (c) {
    if (/[\u3000-\u303f\u3400-\u9fff\uff00-\uffef]/.test(c) && !seen[c]) { seen[c] = 1; chars.push(c); }
  });
  var canvas = document.createElement('canvas');
  canvas.width = canvas.height = 40;
  var ctx = canvas.getContext('2d');
  var family = getComputedStyle(document.body).fontFamily;
  function pixels(c) {
    ctx.clearRect(0, 0, 40, 40);
    ctx.font = '28px ' + family;
    ctx.fillText(c, 4, 30);
    return Array.prototype.join.call(ctx.getImageData(0, 0, 40, 40).data);
  }
  var empty = pixels('\u{10FFFD}');
  return chars.length + ':' + chars.filter(function (c) { return pixels(c) === empty; }).join('');
})())js";

TEST_F(EditorPageTest, ChineseTextsAreDrawnWithRealGlyphs) {
  Load(FileUri(kBundle / "index.html"));
  std::string start = Eval(kCharactersWithoutGlyphs);
  fs::path doc = docs_ / "welcome.zv";
  fs::copy_file(kBundle / "samples" / "welcome.zv", doc, fs::copy_options::overwrite_existing);
  OpenDocument(doc);
  std::string editor = Eval(kCharactersWithoutGlyphs);
  for (const std::string& result : {start, editor}) {
    size_t colon = result.find(':');
    ASSERT_NE(colon, std::string::npos) << result;
    EXPECT_GE(std::stoi(result.substr(0, colon)), 20) << "the pages' Chinese text was not found";
    EXPECT_TRUE(result.substr(colon + 1).empty())
        << "drawn as empty boxes: " << result.substr(colon + 1);
  }
}

}  // namespace
