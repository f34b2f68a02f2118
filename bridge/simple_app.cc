// The application object's own part: the handler of each process, and what
// each web process is told when it starts.
#include "bridge/simple_app.h"

#include "engine/cef_thread.h"

namespace {

// Places in the extra information of a web process.
constexpr int kEditorDirEntry = 0;
constexpr int kServiceOriginEntry = 1;

}  // namespace

CefRefPtr<CefBrowserProcessHandler> SimpleApp::GetBrowserProcessHandler() {
  CEF_REQUIRE_UI_THREAD();
  return this;
}

CefRefPtr<CefRenderProcessHandler> SimpleApp::GetRenderProcessHandler() {
  CEF_REQUIRE_RENDERER_THREAD();
  return page_bridge_;
}

void SimpleApp::OnRenderProcessThreadCreated(CefRefPtr<CefListValue> extra_info) {
  CEF_REQUIRE_UI_THREAD();
  PutOwnPlaces(own_places_ ? own_places_() : OwnPlaces(), extra_info);
}

void PutOwnPlaces(const OwnPlaces& places, CefRefPtr<CefListValue> extra_info) {
  extra_info->SetString(kEditorDirEntry, places.editor_dir);
  extra_info->SetString(kServiceOriginEntry, places.service_origin);
}

OwnPlaces TakeOwnPlaces(CefRefPtr<CefListValue> extra_info) {
  OwnPlaces places;
  places.editor_dir = extra_info->GetString(kEditorDirEntry).ToString();
  places.service_origin = extra_info->GetString(kServiceOriginEntry).ToString();
  return places;
}
