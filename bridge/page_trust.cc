// Which frames the page bridge serves: the browser process names the client's
// own places to each renderer, and the renderer notes, for every new document
// of every frame, whether it is one of the client's own. Page functions, the
// page callback and download reports are for those pages only.
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
  std::map<long long, DocumentKind>& frames = frame_documents_[browser->GetIdentifier()];
  // The frames of the main frame's old document end with it; those of the
  // new one are noted as their documents come.
  if (frame->IsMain()) frames.clear();
  frames[frame->GetIdentifier()] = kind;
  return kind == DocumentKind::kOwn;
}

void SimpleApp::OnContextReleased(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                                  CefRefPtr<CefV8Context> /*context*/) {
  CEF_REQUIRE_RENDERER_THREAD();
  auto page = frame_documents_.find(browser->GetIdentifier());
  if (page != frame_documents_.end()) page->second.erase(frame->GetIdentifier());
}

void SimpleApp::OnBrowserDestroyed(CefRefPtr<CefBrowser> browser) {
  CEF_REQUIRE_RENDERER_THREAD();
  frame_documents_.erase(browser->GetIdentifier());
}

bool SimpleApp::IsOwnFrame(CefRefPtr<CefFrame> frame) const {
  CefRefPtr<CefBrowser> browser = frame ? frame->GetBrowser() : nullptr;
  if (!browser) return false;
  auto page = frame_documents_.find(browser->GetIdentifier());
  if (page == frame_documents_.end()) return false;
  auto it = page->second.find(frame->GetIdentifier());
  return it != page->second.end() && it->second == DocumentKind::kOwn;
}

bool SimpleApp::IsOwnPage(CefRefPtr<CefBrowser> browser) const {
  auto page = frame_documents_.find(browser->GetIdentifier());
  if (page == frame_documents_.end()) return false;
  std::vector<long long> identifiers;
  browser->GetFrameIdentifiers(identifiers);
  std::vector<DocumentKind> documents;
  for (long long id : identifiers) {
    // A frame without a note belongs to a document the main frame has
    // left; it runs no script of the page any more.
    auto it = page->second.find(id);
    if (it != page->second.end()) documents.push_back(it->second);
  }
  return ::IsOwnPage(documents);
}
