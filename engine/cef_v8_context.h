// A JavaScript context: the script world of one window object of one frame.
// Renderer thread only.
#pragma once

#include "engine/cef_ref_ptr.h"

class CefBrowser;
class CefFrame;
class CefV8Value;

class CefV8Context : public CefBaseRefCounted {
 public:
  // The context whose script is running now (or that the engine is setting
  // up in OnContextCreated); null when no script runs.
  static CefRefPtr<CefV8Context> GetCurrentContext();

  virtual CefRefPtr<CefV8Value> GetGlobal() = 0;
  virtual CefRefPtr<CefBrowser> GetBrowser() = 0;
  virtual CefRefPtr<CefFrame> GetFrame() = 0;
  virtual bool IsValid() = 0;
  virtual bool IsSame(CefRefPtr<CefV8Context> that) = 0;
};
