// The browser's view, its placement, its signals turned into the client's
// handler calls, and its end.
#include "engine/browser_impl.h"

#include <cmath>

#include "engine/browser_frame.h"
#include "engine/browser_window.h"
#include "engine/cef_context_menu_handler.h"
#include "engine/cef_display_handler.h"
#include "engine/cef_life_span_handler.h"
#include "engine/cef_load_handler.h"
#include "engine/cef_process_message.h"
#include "engine/context_menu.h"
#include "engine/engine_context.h"
#include "engine/frame_reports.h"
#include "engine/load_error.h"
#include "engine/load_uri.h"
#include "engine/page_view.h"
#include "engine/process_message_codec.h"
#include "engine/view_file_drops.h"
#include "engine/view_settings.h"
#include "platform/copydata_channel.h"
#include "platform/log.h"
#include "platform/main_thread.h"

namespace engine {

BrowserImpl::BrowserImpl(CefRefPtr<CefClient> client, const CefWindowInfo& window_info)
    : client_(client), window_info_(window_info) {}

BrowserImpl::~BrowserImpl() = default;

CefRefPtr<BrowserImpl> BrowserImpl::Create(const CefWindowInfo& window_info,
                                           CefRefPtr<CefClient> client, const CefString& url,
                                           const CefBrowserSettings& settings) {
  if (!IsInitialized()) return nullptr;
  CefRefPtr<BrowserImpl> browser = new BrowserImpl(client, window_info);
  if (!browser->Attach(settings)) return nullptr;
  AddBrowser(browser.get());
  if (client) {
    if (CefRefPtr<CefLifeSpanHandler> life = client->GetLifeSpanHandler()) {
      life->OnAfterCreated(browser.get());
    }
  }
  if (!url.empty() && !browser->closed_) browser->GetMainFrame()->LoadURL(url);
  return browser;
}

bool BrowserImpl::Attach(const CefBrowserSettings& settings) {
  platform::NativeWindow* parent = platform::LookupWindow(window_info_.parent_window);
  if (!parent) return false;
  view_settings_ = platform::AdoptGObject(NewViewSettings(settings));
  // The local-file powers and full screen wait for a document of the
  // client's own.
  grants_file_access_ = settings.file_access_from_file_urls == STATE_ENABLED;
  grants_universal_access_ = settings.universal_access_from_file_urls == STATE_ENABLED;
  webkit_settings_set_allow_file_access_from_file_urls(view_settings_.get(), FALSE);
  webkit_settings_set_allow_universal_access_from_file_urls(view_settings_.get(), FALSE);
  webkit_settings_set_enable_fullscreen(view_settings_.get(), FALSE);
  if (WebKitWebView* related = RelatedViewForNewBrowser()) {
    // Shares the web process that was started with the engine (same context).
    view_ = platform::RefSinkGObject(WEBKIT_WEB_VIEW(g_object_new(
        PageViewType(), "related-view", related, "settings", view_settings_.get(), nullptr)));
    WatchFirstLoad(view_.get());
  } else {
    view_ = platform::RefSinkGObject(WEBKIT_WEB_VIEW(g_object_new(
        PageViewType(), "web-context", WebContext(), "settings", view_settings_.get(), nullptr)));
  }
  const cef_color_t argb = BackgroundColor();
  GdkRGBA color = {((argb >> 16) & 0xFF) / 255.0, ((argb >> 8) & 0xFF) / 255.0,
                   (argb & 0xFF) / 255.0, ((argb >> 24) & 0xFF) / 255.0};
  webkit_web_view_set_background_color(view_.get(), &color);
  identifier_ = static_cast<int>(webkit_web_view_get_page_id(view_.get()));

  RECT rect = {window_info_.x, window_info_.y, window_info_.x + window_info_.width,
               window_info_.y + window_info_.height};
  if (!parent->AddChild(view_.get(), rect)) {
    platform::LogWarning("engine: window %p takes no child; no browser",
                         window_info_.parent_window);
    gtk_widget_destroy(GTK_WIDGET(view_.get()));
    return false;
  }
  if (window_info_.style & WS_VISIBLE) gtk_widget_show(GTK_WIDGET(view_.get()));
  window_ = std::make_unique<BrowserWindow>(this, window_info_.parent_window, view_.get(), rect,
                                            static_cast<LONG>(window_info_.style));
  hwnd_ = platform::RegisterWindow(window_.get());
  ConnectSignals();
  // The parent top-level is unrealized before any handler of its own
  // "destroy" runs, so ending the browser there means the client has dropped
  // it before the parent's final message, whatever order the toolkit uses.
  parent_widget_ = platform::RefGObject(static_cast<GtkWidget*>(parent->NativeHandle()));
  if (parent_widget_) {
    g_signal_connect(parent_widget_.get(), "unrealize", G_CALLBACK(OnParentUnrealize), this);
  }
  return true;
}

void BrowserImpl::ConnectSignals() {
  g_signal_connect(view_.get(), "destroy", G_CALLBACK(OnViewDestroy), this);
  g_signal_connect(view_.get(), "create", G_CALLBACK(OnCreate), this);
  g_signal_connect(view_.get(), "decide-policy", G_CALLBACK(OnDecidePolicy), this);
  g_signal_connect(view_.get(), "load-failed", G_CALLBACK(OnLoadFailed), this);
  g_signal_connect(view_.get(), "load-changed", G_CALLBACK(OnLoadChanged), this);
  g_signal_connect(view_.get(), "context-menu", G_CALLBACK(OnContextMenu), this);
  g_signal_connect(view_.get(), "notify::uri", G_CALLBACK(OnUriChanged), this);
  g_signal_connect(view_.get(), "notify::title", G_CALLBACK(OnTitleChanged), this);
  g_signal_connect(view_.get(), "user-message-received", G_CALLBACK(OnUserMessage), this);
  g_signal_connect(view_.get(), "enter-fullscreen", G_CALLBACK(OnEnterFullscreen), this);
  g_signal_connect(view_.get(), "web-process-terminated", G_CALLBACK(OnWebProcessTerminated), this);
  g_signal_connect(view_.get(), "notify::is-web-process-responsive",
                   G_CALLBACK(OnResponsiveChanged), this);
  g_signal_connect(view_.get(), "scroll-event", G_CALLBACK(OnScroll), this);
  ForwardFileDrops(view_.get(), window_info_.parent_window);
}

CefRefPtr<CefFrame> BrowserImpl::GetMainFrame() { return new BrowserFrame(this); }

namespace {

constexpr double kZoomStep = 1.2;

}  // namespace

double BrowserImpl::GetZoomLevel() {
  WebKitWebView* v = view();
  return v != nullptr ? std::log(webkit_web_view_get_zoom_level(v)) / std::log(kZoomStep) : 0;
}

void BrowserImpl::SetZoomLevel(double zoomLevel) {
  if (WebKitWebView* v = view()) webkit_web_view_set_zoom_level(v, std::pow(kZoomStep, zoomLevel));
}

gboolean BrowserImpl::OnScroll(GtkWidget*, GdkEventScroll* event, gpointer data) {
  auto* self = static_cast<BrowserImpl*>(data);
  if ((event->state & GDK_CONTROL_MASK) == 0) return FALSE;
  // Notches of 120 as the wheel message counts them, up (away from the
  // person) positive; a touchpad's smooth steps in proportion.
  double notches = 0;
  if (event->direction == GDK_SCROLL_UP) notches = 1;
  if (event->direction == GDK_SCROLL_DOWN) notches = -1;
  if (event->direction == GDK_SCROLL_SMOOTH) notches = -event->delta_y;
  const int delta = static_cast<int>(std::lround(notches * WHEEL_DELTA));
  if (delta == 0) return TRUE;
  SendMessageW(self->window_info_.parent_window, WM_MOUSEWHEEL,
               MAKEWPARAM(MK_CONTROL, static_cast<WORD>(static_cast<short>(delta))),
               MAKELPARAM(static_cast<WORD>(static_cast<short>(event->x_root)),
                          static_cast<WORD>(static_cast<short>(event->y_root))));
  return TRUE;
}

void BrowserImpl::GetFrameIdentifiers(std::vector<long long>& identifiers) {
  std::lock_guard<std::mutex> guard(frames_lock_);
  identifiers.assign(1, identifier_);
  for (const auto& entry : frames_) identifiers.push_back(entry.first);
}

CefRefPtr<CefFrame> BrowserImpl::GetFrame(long long identifier) {
  if (identifier == identifier_) return GetMainFrame();
  std::lock_guard<std::mutex> guard(frames_lock_);
  auto it = frames_.find(identifier);
  if (it == frames_.end()) return nullptr;
  return new ReportedFrame(this, identifier, it->second);
}

std::string BrowserImpl::CommittedUrl() {
  std::lock_guard<std::mutex> guard(frames_lock_);
  return visible_.Document();
}

CefRefPtr<CefNavigationEntry> BrowserImpl::GetVisibleNavigationEntry() {
  std::lock_guard<std::mutex> guard(frames_lock_);
  return new CefNavigationEntry(CefString(visible_.Url()));
}

void BrowserImpl::NoteRequestedLoad(const std::string& uri) {
  // Not the view's address read back: inside some of its signals that still
  // names the page before this request.
  std::string address = ViewAddress(uri);
  std::lock_guard<std::mutex> guard(frames_lock_);
  visible_.Requested(std::move(address));
}

bool BrowserImpl::IsSenderOfCurrentMessage() {
  const platform::channel::MessageSender* sender = platform::channel::CurrentMessageSender();
  return sender != nullptr && !renderer_credential_.empty() &&
         sender->credential == renderer_credential_;
}

bool BrowserImpl::IsOwnDocument(const std::string& url) {
  CefRefPtr<CefRequestHandler> handler = client_ ? client_->GetRequestHandler() : nullptr;
  return handler && !url.empty() && handler->IsOwnDocument(this, CefString(url));
}

void BrowserImpl::SetPowersFor(const std::string& url) {
  const bool own = IsOwnDocument(url);
  // Settings that do not change are not sent to the web process again.
  webkit_settings_set_allow_file_access_from_file_urls(view_settings_.get(),
                                                       own && grants_file_access_);
  webkit_settings_set_allow_universal_access_from_file_urls(view_settings_.get(),
                                                            own && grants_universal_access_);
  // Without it, requestFullscreen fails in the page.
  webkit_settings_set_enable_fullscreen(view_settings_.get(), own);
}

std::size_t BrowserImpl::GetFrameCount() {
  std::lock_guard<std::mutex> guard(frames_lock_);
  return 1 + frames_.size();
}

bool BrowserImpl::TakeFrameReport(WebKitUserMessage* message) {
  const char* name = webkit_user_message_get_name(message);
  GVariant* parameters = webkit_user_message_get_parameters(message);
  if (g_strcmp0(name, kRendererMessage) == 0) {
    if (parameters && g_variant_is_of_type(parameters, G_VARIANT_TYPE("(s)"))) {
      const gchar* credential = nullptr;
      g_variant_get(parameters, "(&s)", &credential);
      // Only a secret this engine gave a web process of its own.
      if (credential && IsIssuedCredential(credential)) renderer_credential_ = credential;
    }
    return true;
  }
  if (g_strcmp0(name, kOrderMessage) == 0) {
    if (parameters && g_variant_is_of_type(parameters, G_VARIANT_TYPE("(st)"))) {
      const gchar* credential = nullptr;
      guint64 number = 0;
      g_variant_get(parameters, "(&st)", &credential, &number);
      if (credential) TakeInBarrier(credential, number);
    }
    return true;
  }
  if (g_strcmp0(name, kFrameDocumentMessage) == 0) {
    if (parameters && g_variant_is_of_type(parameters, G_VARIANT_TYPE("(tbs)"))) {
      guint64 id = 0;
      gboolean is_main = FALSE;
      const gchar* url = nullptr;
      g_variant_get(parameters, "(tb&s)", &id, &is_main, &url);
      {
        std::lock_guard<std::mutex> guard(frames_lock_);
        // A new document in the main frame ends every frame of the old one
        // (also those a process left behind when the page moved to another);
        // the main frame's own document is the one the view saw commit.
        if (is_main) {
          frames_.clear();
          return true;
        }
        frames_[static_cast<long long>(id)] = url ? url : "";
      }
      CefRefPtr<CefLoadHandler> load = client_ ? client_->GetLoadHandler() : nullptr;
      if (load) {
        load->OnLoadStart(this,
                          new ReportedFrame(this, static_cast<long long>(id), url ? url : ""));
      }
    }
    return true;
  }
  if (g_strcmp0(name, kNavigationTakenMessage) == 0) {
    // The renderer's handler took the navigation over: its answer is
    // ignored and its failure counts as aborted, so the page stays. Stopping
    // the view instead would also stop what the page itself is loading.
    if (parameters && g_variant_is_of_type(parameters, G_VARIANT_TYPE("(s)"))) {
      const gchar* url = nullptr;
      g_variant_get(parameters, "(&s)", &url);
      taken_navigation_ = url ? url : "";
    }
    return true;
  }
  if (g_strcmp0(name, kFrameGoneMessage) == 0) {
    if (parameters && g_variant_is_of_type(parameters, G_VARIANT_TYPE("(t)"))) {
      guint64 id = 0;
      g_variant_get(parameters, "(t)", &id);
      std::lock_guard<std::mutex> guard(frames_lock_);
      frames_.erase(static_cast<long long>(id));
    }
    return true;
  }
  return false;
}

bool BrowserImpl::IsSame(CefRefPtr<CefBrowser> that) {
  return that && that->GetIdentifier() == identifier_ &&
         static_cast<CefBrowser*>(this) == that.get();
}

HWND BrowserImpl::GetWindowHandle() { return hwnd_; }

void BrowserImpl::CloseBrowser(bool) {
  CefRefPtr<BrowserImpl> self = this;
  auto close = [self] { self->Close(); };
  if (platform::IsMainThread()) {
    close();
  } else {
    platform::PostToMainThread(close);
  }
}

bool BrowserImpl::SendProcessMessage(CefProcessId target_process,
                                     CefRefPtr<CefProcessMessage> message) {
  if (target_process != PID_RENDERER || !message || closed_) return false;
  const std::string name = message->GetName().ToString();
  GVariant* parameters = g_variant_ref_sink(EncodeArguments(message->GetArgumentList()));
  CefRefPtr<BrowserImpl> self = this;
  // Queued like loads, so a sender on another thread never waits for the
  // main thread.
  auto send = [self, name, parameters] {
    if (WebKitWebView* view = self->view()) {
      webkit_web_view_send_message_to_page(view, webkit_user_message_new(name.c_str(), parameters),
                                           nullptr, nullptr, nullptr);
    }
    g_variant_unref(parameters);
  };
  if (platform::IsMainThread()) {
    send();
  } else {
    platform::PostToMainThread(send);
  }
  return true;
}

void BrowserImpl::Close() {
  if (closed_) return;
  closed_ = true;
  CefRefPtr<BrowserImpl> self = this;  // the engine's list may hold the last reference
  CefRefPtr<CefLifeSpanHandler> life = client_ ? client_->GetLifeSpanHandler() : nullptr;
  // The client may not veto the end here: the window is already going.
  if (life) life->DoClose(this);

  if (parent_widget_) {
    g_signal_handlers_disconnect_by_data(parent_widget_.get(), this);
    parent_widget_.reset();
  }
  if (HWND hwnd = hwnd_.exchange(nullptr)) platform::UnregisterWindow(hwnd);
  if (view_ && !view_destroying_) {
    g_signal_handlers_disconnect_by_data(view_.get(), this);
    // The page's web process ends with the browser, now: left to notice the
    // end by itself, one busy with a script that never returns would keep a
    // core busy for seconds after the program has gone.
    webkit_web_view_terminate_web_process(view_.get());
    if (platform::NativeWindow* parent = platform::LookupWindow(window_info_.parent_window)) {
      parent->RemoveChild(view_.get());
    }
    gtk_widget_destroy(GTK_WIDGET(view_.get()));
  }
  if (life) life->OnBeforeClose(this);
  RemoveBrowser(this);
  client_ = nullptr;
  // view_ keeps its (now destroyed) object until the browser itself goes, so
  // calls that arrive late find a view that does nothing.
}

void BrowserImpl::OnViewDestroy(GtkWidget* view, gpointer self) {
  auto* browser = static_cast<BrowserImpl*>(self);
  browser->view_destroying_ = true;
  g_signal_handlers_disconnect_by_data(view, self);
  browser->Close();
}

void BrowserImpl::OnParentUnrealize(GtkWidget*, gpointer self) {
  static_cast<BrowserImpl*>(self)->Close();
}

}  // namespace engine

bool CefBrowserHost::CreateBrowser(const CefWindowInfo& window_info, CefRefPtr<CefClient> client,
                                   const CefString& url, const CefBrowserSettings& settings,
                                   CefRefPtr<CefRequestContext> /*request_context*/) {
  if (!engine::IsInitialized()) return false;
  if (platform::IsMainThread() && !platform::LookupWindow(window_info.parent_window)) return false;
  // Like the engine it stands in for, the browser comes into being after the
  // caller has returned (the caller is often still setting up the parent).
  platform::PostToMainThread([window_info, client, url, settings] {
    engine::BrowserImpl::Create(window_info, client, url, settings);
  });
  return true;
}
