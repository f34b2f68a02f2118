// The view's signals, turned into calls of the client's handlers: popups,
// load errors and load state, context menus, address and title, and messages
// from the renderer.
#include "engine/browser_impl.h"
#include "engine/cef_context_menu_handler.h"
#include "engine/cef_display_handler.h"
#include "engine/cef_life_span_handler.h"
#include "engine/cef_load_handler.h"
#include "engine/cef_request_handler.h"
#include "engine/context_menu.h"
#include "engine/load_error.h"
#include "engine/navigation_decision.h"
#include "engine/process_message_codec.h"
#include "platform/gobject_ptr.h"
#include "platform/log.h"

namespace engine {
namespace {

bool IsDownloadResponse(WebKitResponsePolicyDecision* decision) {
  if (!webkit_response_policy_decision_is_mime_type_supported(decision)) return true;
  WebKitURIResponse* response = webkit_response_policy_decision_get_response(decision);
  SoupMessageHeaders* headers = response ? webkit_uri_response_get_http_headers(response) : nullptr;
  const char* disposition =
      headers ? soup_message_headers_get_one(headers, "Content-Disposition") : nullptr;
  return disposition && g_ascii_strncasecmp(disposition, "attachment", 10) == 0;
}

}  // namespace

void BrowserImpl::RequestPopup(WebKitNavigationAction* action, WindowOpenDisposition disposition) {
  CefRefPtr<BrowserImpl> self = this;
  CefRefPtr<CefLifeSpanHandler> life = client_ ? client_->GetLifeSpanHandler() : nullptr;
  if (!life || !action) return;
  WebKitURIRequest* request = webkit_navigation_action_get_request(action);
  const gchar* uri = request ? webkit_uri_request_get_uri(request) : nullptr;
  const gchar* frame_name = webkit_navigation_action_get_frame_name(action);
  platform::Log("engine: popup request for '%s'", uri ? uri : "");
  CefWindowInfo window_info;
  CefRefPtr<CefClient> client = client_;
  CefBrowserSettings settings;
  CefPopupFeatures features;
  bool no_javascript_access = false;
  life->OnBeforePopup(this, GetMainFrame(), CefString(uri ? uri : ""),
                      CefString(frame_name ? frame_name : ""), disposition,
                      webkit_navigation_action_is_user_gesture(action), features, window_info,
                      client, settings, &no_javascript_access);
}

bool BrowserImpl::CancelNavigation(WebKitNavigationAction* action) {
  CefRefPtr<BrowserImpl> self = this;
  CefRefPtr<CefRequestHandler> handler = client_ ? client_->GetRequestHandler() : nullptr;
  if (!handler || !action) return false;
  WebKitURIRequest* uri_request = webkit_navigation_action_get_request(action);
  const gchar* uri = uri_request ? webkit_uri_request_get_uri(uri_request) : nullptr;
  CefRefPtr<CefRequest> request = CefRequest::Create();
  request->SetURL(CefString(uri ? uri : ""));
  return handler->OnBeforeBrowse(this, GetMainFrame(), request,
                                 webkit_navigation_action_is_user_gesture(action),
                                 webkit_navigation_action_is_redirect(action));
}

// window.open: returning no view means no window opens.
GtkWidget* BrowserImpl::OnCreate(WebKitWebView*, WebKitNavigationAction* action, gpointer self) {
  static_cast<BrowserImpl*>(self)->RequestPopup(action, WOD_NEW_POPUP);
  return nullptr;
}

// Links with a target of a new window arrive as a new-window decision first;
// ignoring it keeps WebKit from asking for a view as well.
gboolean BrowserImpl::OnDecidePolicy(WebKitWebView* view, WebKitPolicyDecision* decision,
                                     WebKitPolicyDecisionType type, gpointer self) {
  if (type == WEBKIT_POLICY_DECISION_TYPE_RESPONSE) {
    // The engine has no download handler: a response the view would save
    // instead of showing ends the load (reported as aborted), and nothing
    // is written anywhere.
    auto* response_decision = WEBKIT_RESPONSE_POLICY_DECISION(decision);
    if (IsDownloadResponse(response_decision) ||
        static_cast<BrowserImpl*>(self)->IsTakenNavigation(webkit_uri_request_get_uri(
            webkit_response_policy_decision_get_request(response_decision)))) {
      webkit_policy_decision_ignore(decision);
      return TRUE;
    }
    // The last moment before the main frame's new document is made, and the
    // web process waits for this answer: settings changed now reach it first.
    if (webkit_response_policy_decision_is_main_frame_main_resource(response_decision)) {
      WebKitURIResponse* response = webkit_response_policy_decision_get_response(response_decision);
      const gchar* uri = response ? webkit_uri_response_get_uri(response) : nullptr;
      static_cast<BrowserImpl*>(self)->SetPowersFor(uri ? uri : "");
    }
    return FALSE;
  }
  WebKitNavigationAction* action = webkit_navigation_policy_decision_get_navigation_action(
      WEBKIT_NAVIGATION_POLICY_DECISION(decision));
  if (type == WEBKIT_POLICY_DECISION_TYPE_NAVIGATION_ACTION) {
    auto* browser = static_cast<BrowserImpl*>(self);
    if (!browser->CancelNavigation(action)) {
      // Then the renderer's handler, before any request of it is made.
      return AskRendererAboutNavigation(view, decision);
    }
    webkit_policy_decision_ignore(decision);
    WebKitURIRequest* request = webkit_navigation_action_get_request(action);
    const gchar* uri = request ? webkit_uri_request_get_uri(request) : nullptr;
    std::lock_guard<std::mutex> guard(browser->frames_lock_);
    browser->visible_.Ended(uri ? uri : "");
    return TRUE;
  }
  if (type != WEBKIT_POLICY_DECISION_TYPE_NEW_WINDOW_ACTION) return FALSE;
  // The action belongs to the decision, which must outlive the popup's handling.
  const platform::GObjectPtr<WebKitPolicyDecision> held = platform::RefGObject(decision);
  webkit_policy_decision_ignore(decision);
  static_cast<BrowserImpl*>(self)->RequestPopup(action, WOD_NEW_FOREGROUND_TAB);
  return TRUE;
}

gboolean BrowserImpl::OnLoadFailed(WebKitWebView*, WebKitLoadEvent, gchar* uri, GError* error,
                                   gpointer self) {
  auto* browser = static_cast<BrowserImpl*>(self);
  CefRefPtr<BrowserImpl> keep = browser;
  // The page that stays keeps its powers; a document that comes instead
  // (an error page) is judged when it commits.
  browser->SetPowersFor(browser->CommittedUrl());
  {
    std::lock_guard<std::mutex> guard(browser->frames_lock_);
    browser->visible_.Ended(uri ? uri : "");
  }
  CefRefPtr<CefLoadHandler> load = browser->client_ ? browser->client_->GetLoadHandler() : nullptr;
  if (!load) return FALSE;  // WebKit's own error page
  // A navigation the renderer took over keeps the page like a cancelled one.
  const LoadError mapped =
      browser->IsTakenNavigation(uri) ? LoadError{ERR_ABORTED, "ERR_ABORTED"} : MapLoadError(error);
  platform::Log("engine: load of '%s' failed: %s %d (%s)", uri ? uri : "",
                error ? g_quark_to_string(error->domain) : "-", error ? error->code : 0,
                mapped.text.c_str());
  load->OnLoadError(browser, browser->GetMainFrame(), mapped.code, CefString(mapped.text),
                    CefString(uri ? uri : ""));
  return TRUE;
}

void BrowserImpl::OnLoadChanged(WebKitWebView* view, WebKitLoadEvent event, gpointer self) {
  auto* browser = static_cast<BrowserImpl*>(self);
  CefRefPtr<BrowserImpl> keep = browser;
  if (event == WEBKIT_LOAD_COMMITTED) {
    // A new document ends whatever the renderer took over before it.
    browser->taken_navigation_.clear();
    // The view's own account of the new document, whatever its web process
    // may say later. Documents that had no response of their own (an error
    // page, about:blank) are judged here.
    const gchar* uri = webkit_web_view_get_uri(view);
    {
      std::lock_guard<std::mutex> guard(browser->frames_lock_);
      browser->visible_.Committed(uri ? uri : "");
    }
    browser->SetPowersFor(uri ? uri : "");
    {
      std::lock_guard<std::mutex> guard(browser->frames_lock_);
      browser->frames_.clear();
    }
    if (CefRefPtr<CefLoadHandler> load =
            browser->client_ ? browser->client_->GetLoadHandler() : nullptr) {
      load->OnLoadStart(browser, browser->GetMainFrame());
    }
  }
  if (event == WEBKIT_LOAD_REDIRECTED) {
    const gchar* uri = webkit_web_view_get_uri(view);
    std::lock_guard<std::mutex> guard(browser->frames_lock_);
    browser->visible_.Redirected(uri ? uri : "");
  }
  if (event == WEBKIT_LOAD_FINISHED) {
    // The document that finished: the view's address may already name a
    // page asked for since.
    platform::Log("engine: loaded '%s'", browser->CommittedUrl().c_str());
  }
  CefRefPtr<CefLoadHandler> load = browser->client_ ? browser->client_->GetLoadHandler() : nullptr;
  if (!load) return;
  if (event == WEBKIT_LOAD_STARTED) {
    load->OnLoadingStateChange(browser, true, webkit_web_view_can_go_back(view),
                               webkit_web_view_can_go_forward(view));
  } else if (event == WEBKIT_LOAD_FINISHED) {
    load->OnLoadEnd(browser, browser->GetMainFrame(), 200);
    load->OnLoadingStateChange(browser, false, webkit_web_view_can_go_back(view),
                               webkit_web_view_can_go_forward(view));
  }
}

gboolean BrowserImpl::OnContextMenu(WebKitWebView*, WebKitContextMenu* menu, GdkEvent*,
                                    WebKitHitTestResult* hit, gpointer self) {
  auto* browser = static_cast<BrowserImpl*>(self);
  CefRefPtr<BrowserImpl> keep = browser;
  CefRefPtr<CefContextMenuHandler> handler =
      browser->client_ ? browser->client_->GetContextMenuHandler() : nullptr;
  if (handler) {
    CefRefPtr<ContextMenuParams> params = new ContextMenuParams(hit, menu);
    CefRefPtr<MenuModel> model = new MenuModel(menu);
    handler->OnBeforeContextMenu(browser, browser->GetMainFrame(), params.get(), model.get());
    model->Detach();
  }
  // An emptied model shows no menu at all.
  return webkit_context_menu_get_n_items(menu) == 0;
}

void BrowserImpl::OnUriChanged(GObject* view, GParamSpec*, gpointer self) {
  auto* browser = static_cast<BrowserImpl*>(self);
  CefRefPtr<BrowserImpl> keep = browser;
  CefRefPtr<CefDisplayHandler> display =
      browser->client_ ? browser->client_->GetDisplayHandler() : nullptr;
  if (!display) return;
  const gchar* uri = webkit_web_view_get_uri(WEBKIT_WEB_VIEW(view));
  display->OnAddressChange(browser, browser->GetMainFrame(), CefString(uri ? uri : ""));
}

void BrowserImpl::OnTitleChanged(GObject* view, GParamSpec*, gpointer self) {
  auto* browser = static_cast<BrowserImpl*>(self);
  CefRefPtr<BrowserImpl> keep = browser;
  CefRefPtr<CefDisplayHandler> display =
      browser->client_ ? browser->client_->GetDisplayHandler() : nullptr;
  if (!display) return;
  const gchar* title = webkit_web_view_get_title(WEBKIT_WEB_VIEW(view));
  display->OnTitleChange(browser, CefString(title ? title : ""));
}

// Element full screen (requestFullscreen) is for the client's own pages; any
// other page's request is refused, so no page covers the screen unasked.
// The main window's own full screen is not this.
gboolean BrowserImpl::OnEnterFullscreen(WebKitWebView*, gpointer self) {
  auto* browser = static_cast<BrowserImpl*>(self);
  CefRefPtr<BrowserImpl> keep = browser;
  const std::string url = browser->CommittedUrl();
  if (browser->IsOwnDocument(url)) return FALSE;
  platform::LogWarning(
      "engine: full screen refused to '%s', which is not one of the client's pages", url.c_str());
  return TRUE;
}

gboolean BrowserImpl::OnUserMessage(WebKitWebView*, WebKitUserMessage* message, gpointer self) {
  auto* browser = static_cast<BrowserImpl*>(self);
  CefRefPtr<BrowserImpl> keep = browser;
  if (browser->TakeFrameReport(message)) return TRUE;
  if (!browser->client_) return FALSE;
  CefRefPtr<CefProcessMessage> decoded = DecodeMessage(webkit_user_message_get_name(message),
                                                       webkit_user_message_get_parameters(message));
  return browser->client_->OnProcessMessageReceived(browser, PID_RENDERER, decoded);
}

}  // namespace engine
