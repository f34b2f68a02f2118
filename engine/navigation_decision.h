// The renderer's say in a navigation before any request of it is made. The
// view decides about every navigation of its page before its web process
// sends a request; for an address of the web that decision waits for the
// page's web process, whose render-process handler (OnBeforeNavigation) may
// take the navigation over. Taken over, the navigation never starts: the
// server sees no request from the engine and the page stays as it is.
#pragma once

#include <webkit2/webkit2.h>

namespace engine {

// Main thread, from the view's decide-policy for a navigation action: true
// when the decision is held until the page's web process has answered (then
// used or ignored by its answer), false when the view decides at once.
bool AskRendererAboutNavigation(WebKitWebView* view, WebKitPolicyDecision* decision);

}  // namespace engine
