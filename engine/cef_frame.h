// A frame of a browser's page: the top frame or an iframe.
#pragma once

#include "engine/cef_ref_ptr.h"
#include "engine/cef_string.h"
#include "engine/cef_v8_context.h"

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
  // The address of the frame's document. For the browser's main frame on the
  // browser side, the document committed last (a load under way does not
  // change it).
  virtual CefString GetURL() = 0;
  virtual CefRefPtr<CefBrowser> GetBrowser() = 0;
  virtual long long GetIdentifier() = 0;
  // Renderer side: the frame's latest script context, null when it has had
  // none; it is valid only while the frame still shows the document it was
  // made for. Null on the browser side.
  virtual CefRefPtr<CefV8Context> GetV8Context() { return nullptr; }
};
