// A request context groups browsers that share cache and website data. This
// engine has one for the whole process; CreateBrowser takes null for it.
#pragma once

#include "engine/cef_ref_ptr.h"

class CefRequestContext : public CefBaseRefCounted {};
