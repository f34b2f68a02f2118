// Which frames the page bridge serves: the browser process names the client's
// own places to each renderer, and the renderer notes, for every new document
// of every frame, whether it is one of the client's own. Page functions, the
// page callback and download reports are for those pages only.
#include <utility>
#include <vector>

#include "bridge/simple_app.h"
#include "engine/cef_browser.h"
#include "engine/cef_frame.h"
#include "engine/cef_list_value.h"
#include "engine/cef_thread.h"

void SimpleApp::OnRenderProcessThreadCreated(CefRefPtr<CefListValue> extra_info) {
  const TrustedPlaces places = ClientTrustedPlaces();
  extra_info->SetString(0, places.editor_dir);
  extra_info->SetString(1, places.service_origin);
}

void SimpleApp::OnRenderThreadCreated(CefRefPtr<CefListValue> extra_info) {
  // Without them (a renderer the client did not start) no page is trusted.
  trusted_places_.editor_dir = extra_info->GetString(0).ToString();
  trusted_places_.service_origin = extra_info->GetString(1).ToString();
}

bool SimpleApp::RecordFrameDocument(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame) {
  const DocumentKind kind = ClassifyDocument(frame->GetURL().ToString(), trusted_places_);
  frame_documents_[browser->GetIdentifier()].Commit(frame->GetIdentifier(), frame->IsMain(), kind);
  return kind == DocumentKind::kOwn;
}

void SimpleApp::OnContextReleased(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                                  CefRefPtr<CefV8Context> /*context*/) {
  CEF_REQUIRE_RENDERER_THREAD();
  auto page = frame_documents_.find(browser->GetIdentifier());
  if (page != frame_documents_.end()) page->second.Forget(frame->GetIdentifier());
}

void SimpleApp::OnBrowserDestroyed(CefRefPtr<CefBrowser> browser) {
  CEF_REQUIRE_RENDERER_THREAD();
  frame_documents_.erase(browser->GetIdentifier());
}

bool SimpleApp::IsOwnCaller(CefRefPtr<CefV8Context> caller) const {
  CefRefPtr<CefFrame> frame = caller ? caller->GetFrame() : nullptr;
  CefRefPtr<CefBrowser> browser = frame ? frame->GetBrowser() : nullptr;
  if (!browser) return false;
  auto page = frame_documents_.find(browser->GetIdentifier());
  if (page == frame_documents_.end()) return false;
  // The engine cannot tell which script called: a function runs in its own
  // frame's realm whoever called it. Only documents of one origin reach into
  // each other's frames, and the only ordinary documents that can share an
  // origin with the client's own are local files outside EditorDir (where
  // local files are given access to each other). While the page holds such
  // a document, no call is served in any of its frames.
  return page->second.KindOf(frame->GetIdentifier()) == DocumentKind::kOwn &&
         !page->second.HoldsLocalDocument();
}

bool SimpleApp::IsOwnPage(CefRefPtr<CefBrowser> browser) const {
  auto page = frame_documents_.find(browser->GetIdentifier());
  if (page == frame_documents_.end()) return false;
  std::vector<long long> identifiers;
  browser->GetFrameIdentifiers(identifiers);
  std::vector<std::pair<long long, DocumentKind>> present;
  for (long long id : identifiers) {
    CefRefPtr<CefFrame> frame = browser->GetFrame(id);
    if (!frame) continue;
    // A frame whose document came without script has no valid context: that
    // document was never classified.
    CefRefPtr<CefV8Context> context = frame->GetV8Context();
    const bool recorded = context && context->IsValid();
    present.emplace_back(id, recorded ? page->second.KindOf(id) : DocumentKind::kWeb);
  }
  // Frames whose documents never ran script were never recorded at all.
  const std::size_t count = browser->GetFrameCount();
  const std::size_t unrecorded = count > present.size() || count == 0 ? 1 : 0;
  return page->second.IsOwnPage(present, unrecorded);
}
