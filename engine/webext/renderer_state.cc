// Pages, frames and contexts of the web process, and the signals that reach
// the render-process handler.
#include "engine/webext/renderer_state.h"

#include <algorithm>
#include <deque>
#include <map>
#include <memory>
#include <utility>
#include <vector>

#include "engine/cef_request.h"
#include "engine/frame_reports.h"
#include "engine/process_message_codec.h"
#include "engine/webext/frame_reports.h"
#include "engine/webext/navigation_filter.h"
#include "engine/webext/v8_context_impl.h"
#include "platform/gobject_ptr.h"
#include "platform/log.h"

namespace engine {
namespace {

struct PageState {
  CefRefPtr<RendererBrowser> browser;
  // Frames that have had a window object, by frame id, while they exist.
  std::map<guint64, CefRefPtr<RendererFrame>> frames;
  // Web addresses whose navigation the handler saw when the view decided
  // about it and let go on: their requests are not shown to it again.
  std::deque<std::string> decided;
};

// A frame whose end is watched: its page and its id.
struct WatchedFrame {
  WebKitWebPage* page;
  guint64 id;
};

struct State {
  CefRefPtr<CefApp> app;
  std::string credential;
  CefRefPtr<CefListValue> extra_info;
  std::map<WebKitWebPage*, std::unique_ptr<PageState>> pages;
  std::map<guint64, CefRefPtr<V8ContextImpl>> contexts;  // live context per frame
  std::map<guint64, unsigned> generations;
  // Every frame in a page's table carries a weak reference of ours, so its
  // entries go when WebKit destroys the frame (an iframe removed, say),
  // not only when the whole page goes.
  std::map<GObject*, WatchedFrame> watched;
  WebKitScriptWorld* probe_world = nullptr;  // isolated world for the frame-element query
  // The last barrier sent to the views, and how many reports had been sent
  // by then (itself included).
  std::uint64_t barrier = 0;
  guint64 reports_at_barrier = 0;
};
State g_state;

CefRefPtr<CefRenderProcessHandler> Handler() {
  return g_state.app ? g_state.app->GetRenderProcessHandler() : nullptr;
}

PageState* StateOf(WebKitWebPage* page) {
  auto it = g_state.pages.find(page);
  return it == g_state.pages.end() ? nullptr : it->second.get();
}

// Drops a frame's context from the table (from then on it is not valid and
// is never entered) and tells the handler.
void ReleaseContext(CefRefPtr<RendererBrowser> browser, CefRefPtr<RendererFrame> frame,
                    guint64 id) {
  auto it = g_state.contexts.find(id);
  g_state.generations.erase(id);
  if (it == g_state.contexts.end()) return;
  CefRefPtr<V8ContextImpl> context = it->second;
  g_state.contexts.erase(it);
  if (auto handler = Handler()) handler->OnContextReleased(browser, frame, context.get());
  context->Detach();
}

void OnFrameGone(gpointer, GObject* frame) {
  auto it = g_state.watched.find(frame);
  if (it == g_state.watched.end()) return;
  const WatchedFrame watched = it->second;
  g_state.watched.erase(it);
  PageState* state = StateOf(watched.page);
  if (!state) return;
  auto entry = state->frames.find(watched.id);
  // A living frame in the entry is a newer one under the same id.
  if (entry == state->frames.end() || entry->second->frame()) return;
  ReportFrameGone(watched.page, watched.id);
  CefRefPtr<RendererFrame> wrapped = entry->second;
  state->frames.erase(entry);
  ReleaseContext(state->browser, wrapped, watched.id);
}

void OnPageGone(gpointer, GObject* page) {
  auto it = g_state.pages.find(reinterpret_cast<WebKitWebPage*>(page));
  if (it == g_state.pages.end()) return;
  std::unique_ptr<PageState> state = std::move(it->second);
  g_state.pages.erase(it);
  for (const auto& entry : state->frames) {
    if (WebKitFrame* frame = entry.second->frame()) {
      g_object_weak_unref(G_OBJECT(frame), OnFrameGone, nullptr);
      g_state.watched.erase(G_OBJECT(frame));
    }
    ReleaseContext(state->browser, entry.second, entry.first);
  }
  state->browser->PageGone();
  if (auto handler = Handler()) handler->OnBrowserDestroyed(state->browser);
}

CefRefPtr<RendererFrame> FrameOf(WebKitWebPage* page, PageState* state, WebKitFrame* frame) {
  const guint64 id = webkit_frame_get_id(frame);
  auto it = state->frames.find(id);
  if (it != state->frames.end() && it->second->frame() == frame) return it->second;
  CefRefPtr<RendererFrame> wrapped = new RendererFrame(state->browser, frame);
  state->frames[id] = wrapped;
  g_object_weak_ref(G_OBJECT(frame), OnFrameGone, nullptr);
  g_state.watched[G_OBJECT(frame)] = WatchedFrame{page, id};
  return wrapped;
}

WebKitScriptWorld* ProbeWorld() {
  if (!g_state.probe_world) g_state.probe_world = webkit_script_world_new();
  return g_state.probe_world;
}

// The resolved src of every iframe and frame element of the page's known
// frames, read in a script world of our own so page script cannot interfere.
std::vector<std::string> FrameElementSources(PageState* state) {
  std::vector<std::string> out;
  // Script runs below, so the table is not walked while it could change.
  std::vector<CefRefPtr<RendererFrame>> frames;
  for (const auto& entry : state->frames) frames.push_back(entry.second);
  for (const auto& wrapped : frames) {
    WebKitFrame* frame = wrapped->frame();
    if (!frame) continue;
    const platform::GObjectPtr<JSCContext> context =
        platform::AdoptGObject(webkit_frame_get_js_context_for_script_world(frame, ProbeWorld()));
    if (!context) continue;
    const platform::GObjectPtr<JSCValue> list = platform::AdoptGObject(jsc_context_evaluate(
        context.get(),
        "Array.from(document.querySelectorAll('iframe,frame'), function (f) { return f.src; })"
        ".join('\\n')",
        -1));
    if (list && jsc_value_is_string(list.get())) {
      g_autofree gchar* text = jsc_value_to_string(list.get());
      g_auto(GStrv) parts = g_strsplit(text, "\n", -1);
      for (gchar** p = parts; *p; ++p) {
        if (**p) out.emplace_back(*p);
      }
    }
    jsc_context_clear_exception(context.get());
  }
  return out;
}

// The documents of a frame are told apart by a mark the engine sets on each
// one it makes a context for, in its own script world (page script cannot
// see or change it there): the context's generation. 0: no mark, or no way
// to read one.
constexpr char kDocumentMark[] = "quorbitalDocument";

unsigned DocumentMark(WebKitFrame* frame) {
  const platform::GObjectPtr<JSCContext> context = platform::AdoptGObject(
      frame ? webkit_frame_get_js_context_for_script_world(frame, ProbeWorld()) : nullptr);
  if (!context) return 0;
  const platform::GObjectPtr<JSCValue> document =
      platform::AdoptGObject(jsc_context_evaluate(context.get(), "document", -1));
  const platform::GObjectPtr<JSCValue> mark =
      platform::AdoptGObject(document && jsc_value_is_object(document.get())
                                 ? jsc_value_object_get_property(document.get(), kDocumentMark)
                                 : nullptr);
  const unsigned generation = mark && jsc_value_is_number(mark.get())
                                  ? static_cast<unsigned>(jsc_value_to_double(mark.get()))
                                  : 0;
  jsc_context_clear_exception(context.get());
  return generation;
}

void MarkDocument(WebKitFrame* frame, unsigned generation) {
  const platform::GObjectPtr<JSCContext> context =
      platform::AdoptGObject(webkit_frame_get_js_context_for_script_world(frame, ProbeWorld()));
  if (!context) return;
  const platform::GObjectPtr<JSCValue> document =
      platform::AdoptGObject(jsc_context_evaluate(context.get(), "document", -1));
  if (document && jsc_value_is_object(document.get())) {
    const platform::GObjectPtr<JSCValue> mark =
        platform::AdoptGObject(jsc_value_new_number(context.get(), generation));
    jsc_value_object_set_property(document.get(), kDocumentMark, mark.get());
  }
  jsc_context_clear_exception(context.get());
}

// The live context of the page's top frame: values the handler creates
// outside any script call (for a process message, say) belong to it.
CefRefPtr<CefV8Context> TopContext(PageState* state) {
  for (const auto& entry : state->frames) {
    if (!entry.second->IsMain()) continue;
    auto it = g_state.contexts.find(entry.first);
    if (it != g_state.contexts.end()) return it->second.get();
  }
  return nullptr;
}

gboolean OnSendRequest(WebKitWebPage* page, WebKitURIRequest* request,
                       WebKitURIResponse* redirected_response, gpointer) {
  PageState* state = StateOf(page);
  CefRefPtr<CefRenderProcessHandler> handler = Handler();
  if (!state || !handler) return FALSE;

  RequestFacts facts;
  const gchar* uri = webkit_uri_request_get_uri(request);
  facts.uri = uri ? uri : "";
  if (SoupMessageHeaders* headers = webkit_uri_request_get_http_headers(request)) {
    facts.has_http_headers = true;
    const char* mode = soup_message_headers_get_one(headers, "Sec-Fetch-Mode");
    facts.sec_fetch_mode = mode ? mode : "";
  }
  if (redirected_response) {
    const gchar* from = webkit_uri_response_get_uri(redirected_response);
    facts.redirect_from = from ? from : "";
  }
  const gchar* page_uri = webkit_web_page_get_uri(page);
  facts.page_uri = page_uri ? page_uri : "";
  std::vector<CefRefPtr<RendererFrame>> frames;
  for (const auto& entry : state->frames) {
    if (!entry.second->frame()) continue;
    frames.push_back(entry.second);
    facts.frame_uris.push_back(entry.second->GetURL().ToString());
  }
  facts.frame_element_srcs = [state] { return FrameElementSources(state); };

  const NavigationMatch match = MatchNavigation(facts);
  if (!match.is_navigation) return FALSE;
  auto decided = std::find(state->decided.begin(), state->decided.end(), facts.uri);
  if (decided != state->decided.end()) {
    state->decided.erase(decided);
    return FALSE;
  }
  CefRefPtr<CefFrame> frame = match.frame_index >= 0
                                  ? CefRefPtr<CefFrame>(frames[match.frame_index])
                                  : state->browser->GetMainFrame();
  CefRefPtr<CefRequest> cef_request = CefRequest::Create();
  cef_request->SetURL(facts.uri);
  ContextScope scope(TopContext(state));
  const bool cancel = handler->OnBeforeNavigation(state->browser, frame, cef_request,
                                                  NAVIGATION_OTHER, redirected_response != nullptr);
  // A cancelled navigation is ended by the browser side, as aborted.
  // Dropping the request here instead would have WebKit commit an empty
  // document in place of the page. The browser side hears of it before the
  // answer or failure of the request, which reach it later on the same
  // connection.
  if (cancel) ReportNavigationTaken(page, facts.uri.c_str());
  return FALSE;
}

// The view asks before it lets a navigation of the page start: the handler
// sees it now, and a navigation it takes over never makes a request.
void AnswerNavigationQuery(PageState* state, CefRefPtr<CefRenderProcessHandler> handler,
                           WebKitUserMessage* message) {
  GVariant* parameters = webkit_user_message_get_parameters(message);
  bool cancel = false;
  if (parameters && g_variant_is_of_type(parameters, G_VARIANT_TYPE("(sbu)"))) {
    const gchar* uri = nullptr;
    gboolean is_redirect = FALSE;
    guint32 type = 0;
    g_variant_get(parameters, "(&sbu)", &uri, &is_redirect, &type);
    CefRefPtr<CefRequest> request = CefRequest::Create();
    request->SetURL(uri);
    ContextScope scope(TopContext(state));
    // WebKit's navigation types are the engine's, in the same order.
    const auto navigation_type =
        type <= NAVIGATION_OTHER ? static_cast<NavigationType>(type) : NAVIGATION_OTHER;
    cancel = handler->OnBeforeNavigation(state->browser, state->browser->GetMainFrame(), request,
                                         navigation_type, is_redirect);
    if (!cancel) {
      constexpr size_t kDecidedKept = 16;
      if (state->decided.size() == kDecidedKept) state->decided.pop_front();
      state->decided.emplace_back(uri);
    }
  }
  webkit_user_message_send_reply(
      message, webkit_user_message_new(kNavigationQueryMessage, g_variant_new("(b)", cancel)));
}

// A click on a link of the web is shown to the handler when it is about to
// be followed, before the engine starts the navigation: the engine opens a
// connection to a link's server as soon as the navigation starts, so one the
// handler takes over would cost that server a connection of its own. The
// handler sees navigations that start otherwise when the view decides about
// them (AnswerNavigationQuery).
gboolean OnLinkFollowed(const char* href, gpointer page) {
  PageState* state = StateOf(static_cast<WebKitWebPage*>(page));
  CefRefPtr<CefRenderProcessHandler> handler = Handler();
  if (!state || !handler || !href) return FALSE;
  CefRefPtr<CefRequest> request = CefRequest::Create();
  request->SetURL(href);
  ContextScope scope(TopContext(state));
  return handler->OnBeforeNavigation(state->browser, state->browser->GetMainFrame(), request,
                                     NAVIGATION_LINK_CLICKED, false);
}

// Watches the frame's clicks from our own script world, where page script
// cannot see or remove the listener. It listens on the window as the click
// bubbles up, so the listeners of the link and of the elements around it have
// had their say (those the page puts on the window itself come after it); a
// click the page kept from its link, or one that opens the link elsewhere (a
// modifier, another target, a download attribute), is left alone.
void WatchLinkClicks(WebKitWebPage* page, WebKitFrame* frame) {
  const platform::GObjectPtr<JSCContext> context =
      platform::AdoptGObject(webkit_frame_get_js_context_for_script_world(frame, ProbeWorld()));
  if (!context) return;
  const platform::GObjectPtr<JSCValue> watch = platform::AdoptGObject(jsc_context_evaluate(
      context.get(),
      "(function (follow) { window.addEventListener('click', function (e) {"
      " if (e.defaultPrevented || e.button !== 0 || e.ctrlKey || e.shiftKey || e.altKey ||"
      " e.metaKey || !e.target || !e.target.closest) return;"
      " var a = e.target.closest('a[href], area[href]');"
      " if (!a || a.hasAttribute('download')) return;"
      " var to = (a.getAttribute('target') || '').toLowerCase();"
      " if (to !== '' && to !== '_self' && to !== '_top' && to !== '_parent') return;"
      " if (/^https?:/i.test(a.href) && follow(a.href)) e.preventDefault();"
      " }); })",
      -1));
  const platform::GObjectPtr<JSCValue> follow = platform::AdoptGObject(
      jsc_value_new_function(context.get(), nullptr, G_CALLBACK(OnLinkFollowed), page, nullptr,
                             G_TYPE_BOOLEAN, 1, G_TYPE_STRING));
  if (watch && jsc_value_is_function(watch.get())) {
    platform::AdoptGObject(
        jsc_value_function_call(watch.get(), JSC_TYPE_VALUE, follow.get(), G_TYPE_NONE));
  }
  jsc_context_clear_exception(context.get());
}

gboolean OnUserMessage(WebKitWebPage* page, WebKitUserMessage* message, gpointer) {
  PageState* state = StateOf(page);
  CefRefPtr<CefRenderProcessHandler> handler = Handler();
  if (!state || !handler) return FALSE;
  if (g_strcmp0(webkit_user_message_get_name(message), kNavigationQueryMessage) == 0) {
    AnswerNavigationQuery(state, handler, message);
    return TRUE;
  }
  CefRefPtr<CefProcessMessage> decoded = DecodeMessage(webkit_user_message_get_name(message),
                                                       webkit_user_message_get_parameters(message));
  ContextScope scope(TopContext(state));
  return handler->OnProcessMessageReceived(state->browser, PID_BROWSER, decoded);
}

// Tells the browser side whether a right-click was inside an iframe (its
// view sees only the page): the menu carries {"frame": true} as user data.
gboolean OnContextMenu(WebKitWebPage*, WebKitContextMenu* menu, WebKitWebHitTestResult* hit,
                       gpointer) {
  bool in_frame = false;
  {
    const platform::GObjectPtr<JSCValue> node =
        platform::AdoptGObject(webkit_web_hit_test_result_get_js_node(hit, ProbeWorld()));
    if (!node) return FALSE;
    JSCContext* context = jsc_value_get_context(node.get());
    const platform::GObjectPtr<JSCValue> test = platform::AdoptGObject(
        jsc_context_evaluate(context,
                             "(function (n) { var d = n.ownerDocument || n; var w = d.defaultView;"
                             " return !!w && w !== w.top; })",
                             -1));
    const platform::GObjectPtr<JSCValue> result = platform::AdoptGObject(
        jsc_value_function_call(test.get(), JSC_TYPE_VALUE, node.get(), G_TYPE_NONE));
    in_frame = result && jsc_value_to_boolean(result.get());
    jsc_context_clear_exception(context);
  }
  GVariantDict dict;
  g_variant_dict_init(&dict, nullptr);
  g_variant_dict_insert(&dict, "frame", "b", in_frame);
  webkit_context_menu_set_user_data(menu, g_variant_dict_end(&dict));
  return FALSE;
}

// The page's address changes when a load starts and when its document
// commits, script or not: each time the page's view hears again which
// process shows it (only the process that does can reach the view).
void OnPageUriChanged(GObject* page, GParamSpec*, gpointer) {
  ReportRenderer(WEBKIT_WEB_PAGE(page), g_state.credential.c_str());
}

void OnPageCreated(WebKitWebExtension*, WebKitWebPage* page, gpointer) {
  auto state = std::make_unique<PageState>();
  state->browser = new RendererBrowser(page);
  CefRefPtr<RendererBrowser> browser = state->browser;
  g_state.pages[page] = std::move(state);
  g_object_weak_ref(G_OBJECT(page), OnPageGone, nullptr);
  g_signal_connect(page, "send-request", G_CALLBACK(OnSendRequest), nullptr);
  g_signal_connect(page, "user-message-received", G_CALLBACK(OnUserMessage), nullptr);
  g_signal_connect(page, "context-menu", G_CALLBACK(OnContextMenu), nullptr);
  g_signal_connect(page, "notify::uri", G_CALLBACK(OnPageUriChanged), nullptr);
  ReportRenderer(page, g_state.credential.c_str());
  if (auto handler = Handler()) handler->OnBrowserCreated(browser);
}

void OnWindowObjectCleared(WebKitScriptWorld* world, WebKitWebPage* page, WebKitFrame* frame,
                           gpointer) {
  PageState* state = StateOf(page);
  if (!state) return;
  CefRefPtr<RendererFrame> wrapped = FrameOf(page, state, frame);
  ReportFrameDocument(page, frame);
  const guint64 id = webkit_frame_get_id(frame);
  platform::GObjectPtr<JSCContext> jsc =
      platform::AdoptGObject(webkit_frame_get_js_context_for_script_world(frame, world));
  if (!jsc) return;
  CefRefPtr<V8ContextImpl> previous = g_state.contexts.count(id) ? g_state.contexts[id] : nullptr;
  CefRefPtr<V8ContextImpl> context =
      new V8ContextImpl(std::move(jsc), state->browser, wrapped, ++g_state.generations[id]);
  MarkDocument(frame, context->generation());
  WatchLinkClicks(page, frame);
  g_state.contexts[id] = context;
  CefRefPtr<CefRenderProcessHandler> handler = Handler();
  if (previous) {
    if (handler) handler->OnContextReleased(state->browser, wrapped, previous.get());
    previous->Detach();
  }
  if (!handler) return;
  ContextScope scope(context.get());
  handler->OnContextCreated(state->browser, wrapped, context.get());
}

}  // namespace

void RendererState::Start(WebKitWebExtension* extension) {
  g_signal_connect(extension, "page-created", G_CALLBACK(OnPageCreated), nullptr);
  g_signal_connect(webkit_script_world_get_default(), "window-object-cleared",
                   G_CALLBACK(OnWindowObjectCleared), nullptr);
}

void RendererState::SetCredential(const std::string& credential) {
  g_state.credential = credential;
}

std::uint64_t RendererState::OrderForNextMessage() {
  if (ReportsSent() != g_state.reports_at_barrier && !g_state.pages.empty()) {
    // Every page's view, since the message's page is not known here; the
    // pages of one process share one channel, so any view's barrier follows
    // all of it.
    ++g_state.barrier;
    for (const auto& entry : g_state.pages) {
      ReportOrder(entry.first, g_state.credential.c_str(), g_state.barrier);
    }
    g_state.reports_at_barrier = ReportsSent();
  }
  return g_state.barrier;
}

std::size_t RendererState::FrameCountOf(WebKitWebPage* page) {
  // The top frame as the engine knows it: a page whose top frame never had
  // a document with script cannot be counted.
  CefRefPtr<RendererFrame> main = MainFrameOf(page);
  WebKitFrame* top = main ? main->frame() : nullptr;
  const platform::GObjectPtr<JSCContext> context = platform::AdoptGObject(
      top ? webkit_frame_get_js_context_for_script_world(top, ProbeWorld()) : nullptr);
  if (!context) return 0;
  // Cross-origin frames still give their length and their frames.
  const platform::GObjectPtr<JSCValue> count = platform::AdoptGObject(jsc_context_evaluate(
      context.get(),
      "(function count(w) { var n = w.length, all = 1;"
      " for (var i = 0; i < n; ++i) all += count(w[i]); return all; })(window)",
      -1));
  const std::size_t frames = count && jsc_value_is_number(count.get())
                                 ? static_cast<std::size_t>(jsc_value_to_int32(count.get()))
                                 : 0;
  jsc_context_clear_exception(context.get());
  return frames;
}

void RendererState::SetExtraInfo(CefRefPtr<CefListValue> extra_info) {
  g_state.extra_info = extra_info;
}

void RendererState::AdoptApp(CefRefPtr<CefApp> app) {
  g_state.app = app;
  if (auto handler = Handler()) {
    handler->OnRenderThreadCreated(g_state.extra_info ? g_state.extra_info
                                                      : CefListValue::Create());
    handler->OnWebKitInitialized();
  }
}

CefRefPtr<RendererFrame> RendererState::MainFrameOf(WebKitWebPage* page) {
  PageState* state = StateOf(page);
  if (!state) return nullptr;
  for (const auto& entry : state->frames) {
    if (entry.second->IsMain() && entry.second->frame()) return entry.second;
  }
  return nullptr;
}

CefRefPtr<CefV8Context> RendererState::ContextFor(JSCContext* context) {
  if (!context) return nullptr;
  for (const auto& entry : g_state.contexts) {
    if (entry.second->context() == context) return entry.second.get();
  }
  return nullptr;
}

std::vector<CefRefPtr<RendererFrame>> RendererState::FramesOf(WebKitWebPage* page) {
  std::vector<CefRefPtr<RendererFrame>> out;
  if (PageState* state = StateOf(page)) {
    for (const auto& entry : state->frames) {
      if (entry.second->frame()) out.push_back(entry.second);
    }
  }
  return out;
}

CefRefPtr<CefV8Context> RendererState::ContextOfFrame(long long frame_id) {
  auto it = g_state.contexts.find(static_cast<guint64>(frame_id));
  return it == g_state.contexts.end() ? nullptr : it->second.get();
}

bool RendererState::IsCurrentContext(const V8ContextImpl* context) {
  auto it = g_state.contexts.find(static_cast<guint64>(context->frame_id()));
  if (it == g_state.contexts.end() || it->second.get() != context) return false;
  auto* wrapped = static_cast<RendererFrame*>(context->frame().get());
  return wrapped && DocumentMark(wrapped->frame()) == context->generation();
}

}  // namespace engine
