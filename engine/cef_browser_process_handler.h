// Browser-process notifications of the application object. Every operation
// has an empty default.
#pragma once

#include "engine/cef_ref_ptr.h"

class CefBrowserProcessHandler : public CefBaseRefCounted {
 public:
  virtual void OnContextInitialized() {}
};
