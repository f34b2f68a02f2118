// A frame of a browser's page: the top frame or an iframe.
#pragma once

#include "engine/cef_ref_ptr.h"
#include "engine/cef_string.h"

class CefBrowser;
class CefProcessMessage;

class CefFrame : public CefBaseRefCounted {
 public:
  // Loads url in this frame. A plain absolute file-system path, with or
  // without a "?query", is loaded as a file:// URL (the query kept as
  // given); an empty url loads about:blank. Callable from any thread: the
  // load is carried out on the main thread. Browser side only.
  virtual void LoadURL(const CefString& url) = 0;
  // Shows html in this frame as if it had been loaded from url (the frame's
  // address becomes url). Browser side only.
  virtual void LoadString(const CefString& html, const CefString& url) = 0;
  virtual bool IsMain() = 0;
  virtual CefString GetURL() = 0;
  virtual CefRefPtr<CefBrowser> GetBrowser() = 0;
  virtual long long GetIdentifier() = 0;
};
