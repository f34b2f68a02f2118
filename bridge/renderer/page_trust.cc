// Which frames the page bridge serves: the client names its own places to
// each web process (SimpleApp), and the page bridge notes, for every new
// document of every frame, whether it is one of the client's own. Page
// functions, the page callback and download reports are for those pages
// only.
#include "bridge/renderer/page_bridge.h"
#include "bridge/simple_app.h"
#include "engine/cef_browser.h"
#include "engine/cef_frame.h"
#include "engine/cef_list_value.h"
#include "engine/cef_thread.h"

void PageBridge::OnRenderThreadCreated(CefRefPtr<CefListValue> extra_info) {
  CEF_REQUIRE_RENDERER_THREAD();
  own_places_ = TakeOwnPlaces(extra_info);
}

bool PageBridge::RecordFrameDocument(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame) {
  const DocumentKind kind = ClassifyDocument(frame->GetURL().ToString(), own_places_);
  frame_documents_[browser->GetIdentifier()].Commit(frame->GetIdentifier(), frame->IsMain(), kind);
  return kind == DocumentKind::kOwn;
}

void PageBridge::OnContextReleased(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                                   CefRefPtr<CefV8Context> /*context*/) {
  CEF_REQUIRE_RENDERER_THREAD();
  auto page = frame_documents_.find(browser->GetIdentifier());
  if (page != frame_documents_.end()) page->second.Forget(frame->GetIdentifier());
}

void PageBridge::OnBrowserDestroyed(CefRefPtr<CefBrowser> browser) {
  CEF_REQUIRE_RENDERER_THREAD();
  frame_documents_.erase(browser->GetIdentifier());
}

const FrameDocuments& PageBridge::DocumentsOf(CefRefPtr<CefBrowser> browser) const {
  static const FrameDocuments kNone;  // a page never seen: nothing recorded
  auto page = browser ? frame_documents_.find(browser->GetIdentifier()) : frame_documents_.end();
  return page == frame_documents_.end() ? kNone : page->second;
}

bool PageBridge::IsOwnCaller(CefRefPtr<CefV8Context> caller) const {
  CefRefPtr<CefFrame> frame = caller ? caller->GetFrame() : nullptr;
  CefRefPtr<CefBrowser> browser = frame ? frame->GetBrowser() : nullptr;
  if (!browser) return false;
  const FrameDocuments& page = DocumentsOf(browser);
  // The engine cannot tell which script called: a function runs in its own
  // frame's realm whoever called it. Only documents of one origin reach into
  // each other's frames, and the only ordinary documents that can share an
  // origin with the client's own are local files outside EditorDir (where
  // local files are given access to each other). While the page holds such
  // a document, no call is served in any of its frames.
  return page.KindOf(frame->GetIdentifier()) == DocumentKind::kOwn &&
         !page.HoldsLocalDocument(browser);
}
