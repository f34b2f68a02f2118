// The renderer's browser and frame objects.
#include "engine/webext/renderer_browser.h"

#include "engine/process_message_codec.h"
#include "engine/webext/renderer_state.h"
#include "platform/gobject_ptr.h"

namespace engine {

RendererBrowser::RendererBrowser(WebKitWebPage* page)
    : page_(page), identifier_(static_cast<int>(webkit_web_page_get_id(page))) {}

CefRefPtr<CefFrame> RendererBrowser::GetMainFrame() {
  return page_ ? RendererState::MainFrameOf(page_) : nullptr;
}

void RendererBrowser::GetFrameIdentifiers(std::vector<long long>& identifiers) {
  identifiers.clear();
  if (!page_) return;
  for (const auto& frame : RendererState::FramesOf(page_)) {
    // A frame whose document came without script still holds the context
    // of the one before, which is no longer valid.
    CefRefPtr<CefV8Context> context = frame->GetV8Context();
    if (context && context->IsValid()) identifiers.push_back(frame->GetIdentifier());
  }
}

CefRefPtr<CefFrame> RendererBrowser::GetFrame(long long identifier) {
  if (!page_) return nullptr;
  for (const auto& frame : RendererState::FramesOf(page_)) {
    if (frame->GetIdentifier() == identifier) return frame.get();
  }
  return nullptr;
}

std::size_t RendererBrowser::GetFrameCount() {
  return page_ ? RendererState::FrameCountOf(page_) : 0;
}

bool RendererBrowser::IsSame(CefRefPtr<CefBrowser> that) {
  return that && that->GetIdentifier() == identifier_;
}

bool RendererBrowser::SendProcessMessage(CefProcessId target_process,
                                         CefRefPtr<CefProcessMessage> message) {
  if (target_process != PID_BROWSER || !message || !page_) return false;
  WebKitUserMessage* user_message = webkit_user_message_new(
      message->GetName().ToString().c_str(), EncodeArguments(message->GetArgumentList()));
  webkit_web_page_send_message_to_view(page_, user_message, nullptr, nullptr, nullptr);
  return true;
}

RendererFrame::RendererFrame(CefRefPtr<RendererBrowser> browser, WebKitFrame* frame)
    : browser_(browser),
      is_main_(webkit_frame_is_main_frame(frame)),
      identifier_(static_cast<long long>(webkit_frame_get_id(frame))) {
  g_weak_ref_init(&frame_, frame);
}

RendererFrame::~RendererFrame() { g_weak_ref_clear(&frame_); }

WebKitFrame* RendererFrame::frame() const {
  // WebKit keeps the frame alive while it exists; the extra reference is not
  // needed past this call.
  const platform::GObjectPtr<GObject> object =
      platform::AdoptGObject(static_cast<GObject*>(g_weak_ref_get(&frame_)));
  return object ? WEBKIT_FRAME(object.get()) : nullptr;
}

CefRefPtr<CefV8Context> RendererFrame::GetV8Context() {
  return RendererState::ContextOfFrame(identifier_);
}

CefString RendererFrame::GetURL() {
  WebKitFrame* f = frame();
  const gchar* uri = f ? webkit_frame_get_uri(f) : nullptr;
  return CefString(uri ? uri : "");
}

}  // namespace engine
