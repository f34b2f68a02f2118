// What a context menu was opened on.
#pragma once

#include "engine/cef_ref_ptr.h"
#include "engine/cef_string.h"
#include "engine/cef_types.h"

class CefContextMenuParams : public CefBaseRefCounted {
 public:
  // CM_TYPEFLAG_* bits: PAGE for a click in the top frame, FRAME for one
  // inside an iframe (known only when the renderer side runs; PAGE
  // otherwise), plus LINK, MEDIA, SELECTION, EDITABLE.
  virtual int GetTypeFlags() = 0;
};
