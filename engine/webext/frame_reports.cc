// Frame reports from the web process to the browser side.
#include "engine/webext/frame_reports.h"

#include "engine/frame_reports.h"

namespace engine {
namespace {

guint64 g_reports_sent = 0;

void Send(WebKitWebPage* page, const char* name, GVariant* parameters) {
  webkit_web_page_send_message_to_view(page, webkit_user_message_new(name, parameters), nullptr,
                                       nullptr, nullptr);
  ++g_reports_sent;
}

}  // namespace

void ReportFrameDocument(WebKitWebPage* page, WebKitFrame* frame) {
  const gchar* uri = webkit_frame_get_uri(frame);
  Send(page, kFrameDocumentMessage,
       g_variant_new("(tbs)", webkit_frame_get_id(frame), webkit_frame_is_main_frame(frame),
                     uri ? uri : ""));
}

void ReportFrameGone(WebKitWebPage* page, guint64 id) {
  Send(page, kFrameGoneMessage, g_variant_new("(t)", id));
}

void ReportNavigationTaken(WebKitWebPage* page, const char* uri) {
  Send(page, kNavigationTakenMessage, g_variant_new("(s)", uri));
}

void ReportRenderer(WebKitWebPage* page, const char* credential) {
  Send(page, kRendererMessage, g_variant_new("(s)", credential));
}

void ReportOrder(WebKitWebPage* page, const char* credential, guint64 number) {
  Send(page, kOrderMessage, g_variant_new("(st)", credential, number));
}

guint64 ReportsSent() { return g_reports_sent; }

}  // namespace engine
