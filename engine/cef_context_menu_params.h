// What a context menu was opened on.
#pragma once

#include "engine/cef_ref_ptr.h"
#include "engine/cef_string.h"
#include "engine/cef_types.h"

class CefContextMenuParams : public CefBaseRefCounted {
 public:
  // CM_TYPEFLAG_* bits; PAGE for the page background of the top frame, FRAME
  // for a click inside an iframe, plus LINK, MEDIA, SELECTION, EDITABLE.
  virtual int GetTypeFlags() = 0;
  virtual CefString GetLinkUrl() = 0;
};
