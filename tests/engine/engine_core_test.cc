// The engine layer's pure parts: reference counting, text (JavaScript strings
// included), the command line, process-message arguments and their encoding,
// the load-error table, the URL of a load, which requests count as
// navigations, the signs the rendering path is chosen by, and the page to
// show again after its web process ended.
#include <glib/gstdio.h>
#include <gtest/gtest.h>
#include <webkit2/webkit2.h>

#include "engine/cef_command_line.h"
#include "engine/cef_list_value.h"
#include "engine/cef_process_message.h"
#include "engine/cef_ref_ptr.h"
#include "engine/cef_string.h"
#include "engine/load_error.h"
#include "engine/load_uri.h"
#include "engine/process_message_codec.h"
#include "engine/rendering_path.h"
#include "engine/visible_page.h"
#include "engine/webext/js_text.h"
#include "engine/webext/navigation_filter.h"
#include "platform/own_environment.h"

namespace {

class Counted : public CefBaseRefCounted {
 public:
  explicit Counted(int* deleted) : deleted_(deleted) {}
  ~Counted() override { ++*deleted_; }

 private:
  int* deleted_;
  IMPLEMENT_REFCOUNTING(Counted);
};

TEST(EngineRefPtr, DeletesWithTheLastReferenceAndSurvivesSelfAssignment) {
  int deleted = 0;
  {
    CefRefPtr<Counted> a = new Counted(&deleted);
    CefRefPtr<Counted> b = a;
    EXPECT_FALSE(a->HasOneRef());
    b = a.get();  // the same object again
    a = nullptr;
    const CefRefPtr<Counted>& same = b;
    b = same;  // itself, while it holds the only reference
    EXPECT_EQ(deleted, 0);
    EXPECT_TRUE(b->HasOneRef());
    CefRefPtr<Counted> c = std::move(b);
    EXPECT_EQ(b, nullptr);
    EXPECT_EQ(deleted, 0);
  }
  EXPECT_EQ(deleted, 1);
}

TEST(EngineString, ConvertsBetweenUtf8AndWideText) {
  CefString s("gr\xc3\xbc\xc3\x9f \xf0\x9f\x98\x80");
  EXPECT_EQ(s.ToWString(), L"gr\u00fc\u00df \U0001F600");
  EXPECT_EQ(s.ToString(), "gr\xc3\xbc\xc3\x9f \xf0\x9f\x98\x80");
  // Invalid input becomes a replacement character, never a crash.
  EXPECT_EQ(CefString(std::string("a\xff"
                                  "b"))
                .ToWString(),
            L"a\uFFFDb");
  EXPECT_EQ(CefString(std::wstring(1, static_cast<wchar_t>(0xD800))).ToString(), "\xef\xbf\xbd");
  EXPECT_TRUE(CefString(static_cast<const char*>(nullptr)).empty());
}

TEST(EngineString, JavaScriptStringsKeepEveryUtf16Unit) {
  // Lone surrogates both ways, a pair, a 0 unit and the characters JSON escapes.
  const std::u16string units = {u'A', 0xD800, u'B',  0xD83D, 0xDE00, 0xDC00,
                                u'"', u'\\',  u'\n', 0,      u'z'};
  CefString text;
  text.FromString16(units);
  EXPECT_EQ(text.length(), 10u) << "the pair is one character";
  EXPECT_EQ(text.ToString16(), units);

  JSCContext* context = jsc_context_new();
  JSCValue* value = engine::NewJsString(context, units);
  JSCValue* length = jsc_value_object_get_property(value, "length");
  EXPECT_EQ(jsc_value_to_int32(length), 11);
  EXPECT_EQ(engine::JsStringUnits(value), units);
  g_object_unref(length);
  g_object_unref(value);
  g_object_unref(context);
}

TEST(EngineCommandLine, FindsTheTypeSwitchAndItsValue) {
  auto cl = CefCommandLine::CreateCommandLine();
  cl->InitFromString(L"\"/opt/my app/quorbital\" --type=renderer --lang \"C:\\my docs\\a.zv\"");
  EXPECT_EQ(cl->GetProgram().ToWString(), L"/opt/my app/quorbital");
  EXPECT_TRUE(cl->HasSwitch("type"));
  EXPECT_EQ(cl->GetSwitchValue("type").ToString(), "renderer");
  EXPECT_TRUE(cl->HasSwitch("lang"));
  EXPECT_EQ(cl->GetSwitchValue("lang").ToString(), "");
  EXPECT_FALSE(cl->HasSwitch("renderer"));
  ASSERT_EQ(cl->GetArguments().size(), 1u);
  EXPECT_EQ(cl->GetArguments()[0].ToWString(), L"C:\\my docs\\a.zv");

  cl->InitFromString(L"quorbital -- --type=gpu-process");
  EXPECT_FALSE(cl->HasSwitch("type"));
  cl->InitFromString(L"quorbital --type=");
  EXPECT_TRUE(cl->HasSwitch("type"));
  EXPECT_EQ(cl->GetSwitchValue("type").ToString(), "");
  cl->InitFromString(L"");
  EXPECT_FALSE(cl->HasSwitches());

  const char* argv[] = {"quorbital", "--type=gpu-process", "doc.zv"};
  cl->InitFromArgv(3, argv);
  EXPECT_EQ(cl->GetSwitchValue("type").ToString(), "gpu-process");
}

TEST(EngineListValue, GivesEmptyOrZeroForMissingAndMistypedEntries) {
  auto list = CefListValue::Create();
  EXPECT_TRUE(list->SetString(0, "text"));
  EXPECT_TRUE(list->SetInt(2, -7));
  EXPECT_EQ(list->GetSize(), 3u);
  EXPECT_EQ(list->GetString(0).ToString(), "text");
  EXPECT_EQ(list->GetInt(2), -7);
  EXPECT_EQ(list->GetInt(0), 0);
  EXPECT_EQ(list->GetString(2).ToString(), "");
  EXPECT_EQ(list->GetString(1).ToString(), "");
  EXPECT_EQ(list->GetInt(99), 0);
  EXPECT_FALSE(list->SetInt(1u << 20, 1));
}

TEST(EngineProcessMessage, SurvivesItsEncodingAndToleratesBadParameters) {
  auto message = CefProcessMessage::Create("callback_func");
  message->GetArgumentList()->SetString(0, "h\xc3\xa9");
  message->GetArgumentList()->SetInt(1, 42);
  message->GetArgumentList()->SetSize(3);
  GVariant* encoded = g_variant_ref_sink(engine::EncodeArguments(message->GetArgumentList()));
  auto decoded = engine::DecodeMessage("callback_func", encoded);
  g_variant_unref(encoded);
  EXPECT_EQ(decoded->GetName().ToString(), "callback_func");
  EXPECT_EQ(decoded->GetArgumentList()->GetString(0).ToWString(), L"h\u00e9");
  EXPECT_EQ(decoded->GetArgumentList()->GetInt(1), 42);
  EXPECT_EQ(decoded->GetArgumentList()->GetSize(), 3u);

  GVariant* wrong = g_variant_ref_sink(g_variant_new_string("not a list"));
  auto tolerant = engine::DecodeMessage(nullptr, wrong);
  g_variant_unref(wrong);
  EXPECT_EQ(tolerant->GetName().ToString(), "");
  EXPECT_EQ(tolerant->GetArgumentList()->GetSize(), 0u);
}

TEST(EngineLoadError, MapsWebKitAndNetworkErrorsToTheEngineNumbers) {
  struct Case {
    GQuark domain;
    int code;
    int expected;
    const char* text;
  };
  const Case cases[] = {
      {WEBKIT_NETWORK_ERROR, WEBKIT_NETWORK_ERROR_CANCELLED, -3, "ERR_ABORTED"},
      {WEBKIT_POLICY_ERROR, WEBKIT_POLICY_ERROR_FRAME_LOAD_INTERRUPTED_BY_POLICY_CHANGE, -3,
       "ERR_ABORTED"},
      {G_RESOLVER_ERROR, G_RESOLVER_ERROR_NOT_FOUND, -105, "ERR_NAME_NOT_RESOLVED"},
      {WEBKIT_NETWORK_ERROR, WEBKIT_NETWORK_ERROR_FILE_DOES_NOT_EXIST, -6, "ERR_FILE_NOT_FOUND"},
      {G_IO_ERROR, G_IO_ERROR_NOT_FOUND, -6, "ERR_FILE_NOT_FOUND"},
      {G_IO_ERROR, G_IO_ERROR_CONNECTION_REFUSED, -102, "ERR_CONNECTION_REFUSED"},
      {G_IO_ERROR, G_IO_ERROR_FAILED, -2, "ERR_FAILED"},
      {g_quark_from_static_string("some-other-domain"), 1, -2, "ERR_FAILED"},
  };
  for (const Case& c : cases) {
    GError* error = g_error_new_literal(c.domain, c.code, "x");
    engine::LoadError mapped = engine::MapLoadError(error);
    EXPECT_EQ(mapped.code, c.expected) << g_quark_to_string(c.domain) << " " << c.code;
    EXPECT_EQ(mapped.text, c.text);
    g_error_free(error);
  }
  EXPECT_EQ(engine::MapLoadError(nullptr).code, ERR_FAILED);
}

TEST(EngineLoadUri, TurnsPlainPathsIntoFileUris) {
  EXPECT_EQ(engine::ToLoadUri(L"/home/u/.local/share/vexalio/contentEditor/index.html"),
            "file:///home/u/.local/share/vexalio/contentEditor/index.html");
  EXPECT_EQ(engine::ToLoadUri(
                L"/d/vexalio/contentEditor/editor/index.html?channel=offline&file=/t/a%20b.zv"),
            "file:///d/vexalio/contentEditor/editor/index.html?channel=offline&file=/t/a%20b.zv");
  EXPECT_EQ(engine::ToLoadUri(L"/my docs/\u00e9.html"), "file:///my%20docs/%C3%A9.html");
  EXPECT_EQ(engine::ToLoadUri(L""), "about:blank");
  EXPECT_EQ(engine::ToLoadUri(L"http://h/x?y"), "http://h/x?y");
  EXPECT_EQ(engine::ToLoadUri(L"//host/share"), "//host/share");
}

TEST(EngineNavigationFilter, HttpRequestsAreJudgedByTheirFetchMode) {
  engine::RequestFacts facts;
  facts.has_http_headers = true;
  facts.page_uri = "http://h/index.html";
  facts.frame_uris = {"http://h/index.html", "http://h/frame.html"};
  facts.uri = "http://h/img.png";
  facts.sec_fetch_mode = "no-cors";
  EXPECT_FALSE(engine::MatchNavigation(facts).is_navigation);
  facts.uri = "http://h/frame.html";
  facts.sec_fetch_mode = "navigate";
  auto match = engine::MatchNavigation(facts);
  EXPECT_TRUE(match.is_navigation);
  EXPECT_EQ(match.frame_index, 1);
  facts.uri = "http://h/target.html";
  facts.redirect_from = "http://h/redir";
  EXPECT_TRUE(engine::MatchNavigation(facts).is_navigation);
}

TEST(EngineNavigationFilter, FileRequestsAreNavigationsOnlyForFrameAddresses) {
  int element_queries = 0;
  engine::RequestFacts facts;
  facts.page_uri = "file:///p/index.html";
  facts.frame_uris = {"file:///p/index.html", "file:///p/frame2.html"};
  facts.frame_element_srcs = [&] {
    ++element_queries;
    return std::vector<std::string>{"file:///p/frame.html"};
  };
  facts.uri = "file:///p/index.html";
  EXPECT_TRUE(engine::MatchNavigation(facts).is_navigation);
  facts.uri = "file:///p/frame2.html";
  EXPECT_EQ(engine::MatchNavigation(facts).frame_index, 1);
  EXPECT_EQ(element_queries, 0) << "the element query is the last resort";
  facts.uri = "file:///p/frame.html";
  EXPECT_TRUE(engine::MatchNavigation(facts).is_navigation);
  facts.uri = "file:///p/img.png";
  EXPECT_FALSE(engine::MatchNavigation(facts).is_navigation);
  facts.uri = "";
  EXPECT_FALSE(engine::MatchNavigation(facts).is_navigation);
}

TEST(EngineVisiblePage, TheRequestedPageCountsUntilItsLoadHasComeToAnEnd) {
  engine::VisiblePage page;
  page.Requested("about:blank");
  page.Requested("file:///start.html");
  // The empty page asked for first commits after the real one was asked for.
  page.Committed("about:blank");
  EXPECT_EQ(page.Url(), "file:///start.html");
  page.Committed("file:///start.html");
  // Pages the page itself goes to count once they commit.
  page.Committed("file:///editor.html?file=a");
  EXPECT_EQ(page.Url(), "file:///editor.html?file=a");
  // A load that ends without a document (cancelled, a download) keeps it.
  page.Requested("http://host/slide.pdf");
  page.Ended("http://host/slide.pdf");
  EXPECT_EQ(page.Url(), "file:///editor.html?file=a");
  // A page asked for that its server sends elsewhere commits there, and the
  // pages after it count again.
  page.Requested("http://host/old");
  page.Redirected("http://host/new");
  page.Committed("http://host/new");
  page.Committed("http://host/next");
  EXPECT_EQ(page.Url(), "http://host/next");
  EXPECT_EQ(page.Document(), "http://host/next");
}

TEST(EngineVisiblePage, AnAddressAskedForIsWrittenAsTheViewReportsIt) {
  // Else its commit would never end the request, and a page the client's
  // page went to afterwards would not count as the page shown.
  engine::VisiblePage page;
  page.Requested(engine::ViewAddress(
      engine::ToLoadUri(L"/data/editor/index.html?channel=offline&file=/tmp/x/it's me.zv")));
  page.Committed("file:///data/editor/index.html?channel=offline&file=/tmp/x/it%27s%20me.zv");
  page.Committed("file:///data/index.html");
  EXPECT_EQ(page.Url(), "file:///data/index.html");
  EXPECT_EQ(engine::ViewAddress("HTTP://Host.Example:80/a/../b"), "http://host.example/b");
  EXPECT_EQ(engine::ViewAddress("about:blank"), "about:blank");
}

TEST(EngineRenderingPath, TheVariableForcesOnlyWithOnOrOff) {
  EXPECT_EQ(engine::ForcedRenderingPath("on"), engine::RenderingPath::kAccelerated);
  EXPECT_EQ(engine::ForcedRenderingPath("off"), engine::RenderingPath::kNonAccelerated);
  for (const char* other : {"", "1", "0", "ON", "auto"}) {
    EXPECT_EQ(engine::ForcedRenderingPath(other), std::nullopt) << other;
  }
  EXPECT_EQ(engine::ForcedRenderingPath(nullptr), std::nullopt);
}

TEST(EngineRenderingPath, SoftwareRasterisersAreToldFromGpus) {
  for (const char* software : {"llvmpipe (LLVM 15.0.6, 256 bits)", "softpipe", "Mesa DRI swrast",
                               "Software Rasterizer", ""}) {
    EXPECT_TRUE(engine::IsSoftwareRenderer(software)) << software;
  }
  // Hardware drivers may name LLVM too (their shader compiler).
  for (const char* gpu :
       {"AMD Radeon RX 6600 (navi23, LLVM 15.0.6, DRM 3.49, 6.1.0)",
        "Mesa Intel(R) UHD Graphics 620 (KBL GT2)", "NVIDIA GeForce GTX 1650/PCIe/SSE2",
        "virgl (Intel(R) UHD Graphics 630)"}) {
    EXPECT_FALSE(engine::IsSoftwareRenderer(gpu)) << gpu;
  }
}

TEST(EngineRenderingPath, OnlyRenderNodesCountAsAGpu) {
  gchar* dir = g_dir_make_tmp("dri-XXXXXX", nullptr);
  ASSERT_NE(dir, nullptr);
  const std::string card = std::string(dir) + "/card0";
  const std::string render = std::string(dir) + "/renderD128";
  g_file_set_contents(card.c_str(), "", 0, nullptr);
  EXPECT_FALSE(engine::HasRenderNode(dir));
  g_file_set_contents(render.c_str(), "", 0, nullptr);
  EXPECT_TRUE(engine::HasRenderNode(dir));
  g_remove(render.c_str());
  g_remove(card.c_str());
  g_rmdir(dir);
  EXPECT_FALSE(engine::HasRenderNode(dir));
  g_free(dir);
}

}  // namespace

TEST(EngineRenderingPath, WithoutAGpuWebKitIsToldNotToLoadOpenGlForNothing) {
  const char* const variables[] = {
      engine::kCompositingVariable,      engine::kDisableDmabufVariable,
      engine::kRenderDeviceVariable,     "WEBKIT_FORCE_DMABUF_RENDERER",
      "WEBKIT_DISABLE_COMPOSITING_MODE", "WEBKIT_FORCE_COMPOSITING_MODE"};
  auto clear = [&] {
    for (const char* name : variables) unsetenv(name);
  };
  using Names = std::vector<std::string>;
  clear();
  gchar* dir = g_dir_make_tmp("dri-XXXXXX", nullptr);
  ASSERT_NE(dir, nullptr);
  const std::string render = std::string(dir) + "/renderD128";
  g_file_set_contents(render.c_str(), "", 0, nullptr);
  EXPECT_EQ(engine::PrepareRenderingPath(dir), Names{});  // a GPU: WebKit decides
  setenv(engine::kCompositingVariable, "off", 1);
  EXPECT_EQ(engine::PrepareRenderingPath(dir), Names{engine::kDisableDmabufVariable});
  clear();
  g_remove(render.c_str());
  EXPECT_EQ(engine::PrepareRenderingPath(dir),
            (Names{engine::kDisableDmabufVariable, engine::kRenderDeviceVariable}));
  EXPECT_STREQ(std::getenv(engine::kRenderDeviceVariable), "/dev/null");
  // Programs opened for the user do not inherit them.
  g_autoptr(GAppLaunchContext) others = platform::NewLaunchContextForOthers();
  g_auto(GStrv) environment = g_app_launch_context_get_environment(others);
  EXPECT_EQ(g_environ_getenv(environment, engine::kDisableDmabufVariable), nullptr);
  EXPECT_EQ(g_environ_getenv(environment, engine::kRenderDeviceVariable), nullptr);
  EXPECT_NE(g_environ_getenv(environment, "PATH"), nullptr);
  // What the user set stays, and a forced DMA-BUF renderer is left alone.
  clear();
  setenv(engine::kRenderDeviceVariable, "/dev/dri/card9", 1);
  EXPECT_EQ(engine::PrepareRenderingPath(dir), Names{engine::kDisableDmabufVariable});
  EXPECT_STREQ(std::getenv(engine::kRenderDeviceVariable), "/dev/dri/card9");
  clear();
  setenv("WEBKIT_FORCE_DMABUF_RENDERER", "1", 1);
  EXPECT_EQ(engine::PrepareRenderingPath(dir), Names{});
  clear();
  g_rmdir(dir);
  g_free(dir);
}
