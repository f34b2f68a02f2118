// The items of a context menu about to show.
#pragma once

#include "engine/cef_ref_ptr.h"
#include "engine/cef_string.h"

class CefMenuModel : public CefBaseRefCounted {
 public:
  virtual std::size_t GetCount() = 0;
  virtual bool Clear() = 0;
};
