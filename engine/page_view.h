// The browser's view: WebKit's web view as screen readers should meet it.
// WebKit's own accessible object of the view only holds the page's tree (its
// web process's, plugged in): it has no name and no state, so a screen
// reader told that the view has the keyboard says "grayed". Here the view's
// accessible object is the page: a document frame named by the page's title,
// with the view's states (showing, enabled, focused) and extents, into which
// WebKit plugs the page's tree. Main thread.
#pragma once

#include <webkit2/webkit2.h>

namespace engine {

// The type of the browser's views (a WebKitWebView in every respect but
// its accessible object); create them with g_object_new as web views.
GType PageViewType();

}  // namespace engine
