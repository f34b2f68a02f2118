// Browser-process notifications of the application object. Every operation
// has an empty default.
#pragma once

#include "engine/cef_list_value.h"
#include "engine/cef_ref_ptr.h"

class CefBrowserProcessHandler : public CefBaseRefCounted {
 public:
  virtual void OnContextInitialized() {}
  // A renderer (web) process is about to start, on the main thread. What the
  // handler puts into extra_info reaches that renderer's
  // CefRenderProcessHandler::OnRenderThreadCreated before any page.
  virtual void OnRenderProcessThreadCreated(CefRefPtr<CefListValue> /*extra_info*/) {}
};
