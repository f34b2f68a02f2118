// A browser of the browser process: one WebKitWebView placed as a child of a
// window of this process, its client, and its main frame. Lives on the main
// thread; the public calls that may come from other threads hand their work
// to it.
#pragma once

#include <webkit2/webkit2.h>

#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "engine/cef_browser.h"
#include "engine/cef_browser_host.h"
#include "engine/cef_client.h"
#include "engine/cef_frame.h"
#include "engine/visible_page.h"
#include "platform/gobject_ptr.h"

namespace engine {

class BrowserWindow;

class BrowserImpl : public CefBrowser, public CefBrowserHost {
 public:
  // Creates the view inside window_info's parent and tells the client.
  // Null when the parent is not a window of this process that takes children.
  static CefRefPtr<BrowserImpl> Create(const CefWindowInfo& window_info,
                                       CefRefPtr<CefClient> client, const CefString& url,
                                       const CefBrowserSettings& settings);

  // CefBrowser
  CefRefPtr<CefBrowserHost> GetHost() override { return this; }
  CefRefPtr<CefFrame> GetMainFrame() override;
  void GetFrameIdentifiers(std::vector<long long>& identifiers) override;
  CefRefPtr<CefFrame> GetFrame(long long identifier) override;
  std::size_t GetFrameCount() override;
  int GetIdentifier() override { return identifier_; }
  bool IsSame(CefRefPtr<CefBrowser> that) override;
  bool SendProcessMessage(CefProcessId target_process,
                          CefRefPtr<CefProcessMessage> message) override;

  // CefBrowserHost
  CefRefPtr<CefBrowser> GetBrowser() override { return this; }
  HWND GetWindowHandle() override;
  void CloseBrowser(bool force_close) override;
  double GetZoomLevel() override;
  void SetZoomLevel(double zoomLevel) override;
  bool IsSenderOfCurrentMessage() override;
  CefRefPtr<CefNavigationEntry> GetVisibleNavigationEntry() override;

  // Any thread: the address of the main frame's committed document, as the
  // view reported its commit ("" before the first).
  std::string CommittedUrl();

  // Main thread. Null once the browser has closed.
  WebKitWebView* view() const { return closed_ ? nullptr : view_.get(); }
  CefRefPtr<CefClient> client() const { return client_; }
  // Ends the browser: the view goes, the client hears OnBeforeClose. Runs
  // once; later calls do nothing.
  void Close();
  // Main thread: ends the page's web process if it is still the one that
  // was counted generation (browser_process_watch.cc).
  void TerminateRenderProcess(int generation);
  // Main thread: the client has asked the view for the page at uri
  // (LoadURL, LoadString), as it gave the view the address.
  void NoteRequestedLoad(const std::string& uri);

 private:
  BrowserImpl(CefRefPtr<CefClient> client, const CefWindowInfo& window_info);
  ~BrowserImpl() override;

  bool Attach(const CefBrowserSettings& settings);
  void ConnectSignals();

  static void OnViewDestroy(GtkWidget* view, gpointer self);
  static void OnParentUnrealize(GtkWidget* parent, gpointer self);
  static GtkWidget* OnCreate(WebKitWebView* view, WebKitNavigationAction* action, gpointer self);
  static gboolean OnDecidePolicy(WebKitWebView* view, WebKitPolicyDecision* decision,
                                 WebKitPolicyDecisionType type, gpointer self);
  static gboolean OnLoadFailed(WebKitWebView* view, WebKitLoadEvent event, gchar* uri,
                               GError* error, gpointer self);
  static void OnLoadChanged(WebKitWebView* view, WebKitLoadEvent event, gpointer self);
  static gboolean OnContextMenu(WebKitWebView* view, WebKitContextMenu* menu, GdkEvent* event,
                                WebKitHitTestResult* hit, gpointer self);
  static void OnUriChanged(GObject* view, GParamSpec* pspec, gpointer self);
  static void OnTitleChanged(GObject* view, GParamSpec* pspec, gpointer self);
  static gboolean OnUserMessage(WebKitWebView* view, WebKitUserMessage* message, gpointer self);
  static gboolean OnEnterFullscreen(WebKitWebView* view, gpointer self);
  static void OnWebProcessTerminated(WebKitWebView* view, WebKitWebProcessTerminationReason reason,
                                     gpointer self);
  static void OnResponsiveChanged(GObject* view, GParamSpec* pspec, gpointer self);
  // The wheel with Control held over the page is the window's (it zooms):
  // WM_MOUSEWHEEL with MK_CONTROL goes to the parent window.
  static gboolean OnScroll(GtkWidget* view, GdkEventScroll* event, gpointer self);

  // Whether the client counts the document at url as one of its own.
  bool IsOwnDocument(const std::string& url);
  // Gives the next main-frame document the local-file powers of the
  // browser's settings and element full screen when the one at url is the
  // client's own, and neither otherwise: WebKit fixes a document's file
  // access from the view's settings when it makes the document.
  void SetPowersFor(const std::string& url);

  // The client's request handler sees every navigation first; true when it
  // cancelled this one.
  bool CancelNavigation(WebKitNavigationAction* action);
  // Every popup request ends here: the client decides, no window opens.
  void RequestPopup(WebKitNavigationAction* action, WindowOpenDisposition disposition);
  // The engine's own frame reports from the web process; false for any
  // other message.
  bool TakeFrameReport(WebKitUserMessage* message);
  // Whether uri is the navigation the renderer's handler took over last.
  bool IsTakenNavigation(const char* uri) const {
    return uri != nullptr && !taken_navigation_.empty() && taken_navigation_ == uri;
  }

  // The page's iframes as its web process reported them: their documents'
  // addresses by frame identifier. Written on the main thread, read from any
  // thread.
  std::mutex frames_lock_;
  std::map<long long, std::string> frames_;
  // Main thread: the address of the navigation the renderer's handler took
  // over last; its load ends as aborted, whatever else ended it.
  std::string taken_navigation_;
  // The page shown and the one asked for. Guarded by frames_lock_.
  VisiblePage visible_;
  // The secret of the web process that shows the page now, as that process
  // told this view (WebKit delivers a view's messages only from the process
  // of its page). Main thread.
  std::string renderer_credential_;
  // Main thread: how many web processes of the page have ended; a callback
  // for an unresponsive process ends only the one it was given for.
  int process_generation_ = 0;
  // The view's settings and the file powers the browser's settings grant
  // the client's own pages.
  platform::GObjectPtr<WebKitSettings> view_settings_;
  bool grants_file_access_ = false;
  bool grants_universal_access_ = false;

  CefRefPtr<CefClient> client_;
  CefWindowInfo window_info_;
  platform::GObjectPtr<WebKitWebView> view_;
  platform::GObjectPtr<GtkWidget> parent_widget_;  // until closed
  std::atomic<HWND> hwnd_{nullptr};                // read from any thread
  std::atomic<bool> closed_{false};
  int identifier_ = 0;
  bool view_destroying_ = false;
  std::unique_ptr<BrowserWindow> window_;

  IMPLEMENT_REFCOUNTING(BrowserImpl);
};

}  // namespace engine
