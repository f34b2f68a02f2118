// Reports of a page's frames to the browser side (engine/frame_reports.h):
// each new document of a frame, sent before any script of the document
// runs, and the end of each frame; and the process's secret. Renderer
// thread only.
#pragma once

#include <webkit2/webkit-web-extension.h>

namespace engine {

// Frame has a new window object: reports its document's address.
void ReportFrameDocument(WebKitWebPage* page, WebKitFrame* frame);
// The frame with this identifier has been destroyed.
void ReportFrameGone(WebKitWebPage* page, guint64 id);
// The handler took over the navigation to uri: the page is not to go there.
void ReportNavigationTaken(WebKitWebPage* page, const char* uri);
// This process's secret, to the page's view.
void ReportRenderer(WebKitWebPage* page, const char* credential);
// A barrier with this number (see engine/frame_reports.h).
void ReportOrder(WebKitWebPage* page, const char* credential, guint64 number);
// How many reports this process has sent so far, of any kind.
guint64 ReportsSent();

}  // namespace engine
