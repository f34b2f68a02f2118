// The page's web process watched: its end (a crash, its memory bound, or on
// request) and its answering input, told to the client's request handler.
#include "engine/browser_impl.h"
#include "engine/cef_request_handler.h"
#include "engine/cef_unresponsive_process_callback.h"
#include "engine/engine_context.h"
#include "platform/log.h"
#include "platform/main_thread.h"

namespace engine {
namespace {

class UnresponsiveProcessCallback : public CefUnresponsiveProcessCallback {
 public:
  UnresponsiveProcessCallback(CefRefPtr<BrowserImpl> browser, int generation)
      : browser_(std::move(browser)), generation_(generation) {}

  void Wait() override {}
  void Terminate() override {
    CefRefPtr<BrowserImpl> browser = browser_;
    const int generation = generation_;
    auto end = [browser, generation] { browser->TerminateRenderProcess(generation); };
    if (platform::IsMainThread()) {
      end();
    } else {
      platform::PostToMainThread(end);
    }
  }

 private:
  CefRefPtr<BrowserImpl> browser_;
  const int generation_;

  IMPLEMENT_REFCOUNTING(UnresponsiveProcessCallback);
};

TerminationStatus StatusOf(WebKitWebProcessTerminationReason reason) {
  switch (reason) {
    case WEBKIT_WEB_PROCESS_CRASHED:
      return TS_PROCESS_CRASHED;
    case WEBKIT_WEB_PROCESS_EXCEEDED_MEMORY_LIMIT:
      return TS_PROCESS_OOM;
    case WEBKIT_WEB_PROCESS_TERMINATED_BY_API:
      return TS_PROCESS_WAS_KILLED;
  }
  return TS_ABNORMAL_TERMINATION;
}

const char* ReasonText(TerminationStatus status) {
  switch (status) {
    case TS_PROCESS_CRASHED:
      return "crashed";
    case TS_PROCESS_OOM:
      return "memory limit";
    case TS_PROCESS_WAS_KILLED:
      return "ended on request";
    case TS_ABNORMAL_TERMINATION:
      break;
  }
  return "ended";
}

}  // namespace

void BrowserImpl::TerminateRenderProcess(int generation) {
  WebKitWebView* view = this->view();
  if (view == nullptr || generation != process_generation_) return;
  webkit_web_view_terminate_web_process(view);
}

void BrowserImpl::OnWebProcessTerminated(WebKitWebView*, WebKitWebProcessTerminationReason reason,
                                         gpointer self) {
  auto* browser = static_cast<BrowserImpl*>(self);
  CefRefPtr<BrowserImpl> keep = browser;
  ++browser->process_generation_;
  // Whatever the ended process was and had said is over: its secret opens
  // nothing any more, and its frames are gone with it. The next load brings
  // a new process, which tells its own secret.
  if (!browser->renderer_credential_.empty()) RetireCredential(browser->renderer_credential_);
  browser->renderer_credential_.clear();
  {
    std::lock_guard<std::mutex> guard(browser->frames_lock_);
    browser->frames_.clear();
  }
  const TerminationStatus status = StatusOf(reason);
  platform::Log("engine: the web process of '%s' %s",
                browser->GetVisibleNavigationEntry()->GetURL().ToString().c_str(),
                ReasonText(status));
  CefRefPtr<CefRequestHandler> handler =
      browser->client_ ? browser->client_->GetRequestHandler() : nullptr;
  if (handler) handler->OnRenderProcessTerminated(browser, status);
}

void BrowserImpl::OnResponsiveChanged(GObject* view, GParamSpec*, gpointer self) {
  auto* browser = static_cast<BrowserImpl*>(self);
  CefRefPtr<BrowserImpl> keep = browser;
  const bool responsive = webkit_web_view_get_is_web_process_responsive(WEBKIT_WEB_VIEW(view));
  platform::Log("engine: the web process of '%s' %s", browser->CommittedUrl().c_str(),
                responsive ? "answers again" : "does not answer");
  CefRefPtr<CefRequestHandler> handler =
      browser->client_ ? browser->client_->GetRequestHandler() : nullptr;
  if (!handler) return;
  if (responsive) {
    handler->OnRenderProcessResponsive(browser);
  } else {
    handler->OnRenderProcessUnresponsive(
        browser, new UnresponsiveProcessCallback(browser, browser->process_generation_));
  }
}

}  // namespace engine
