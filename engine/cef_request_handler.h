// Request notifications of a browser. Main thread. No operation of this
// engine is routed here yet; every request gets the engine's default handling.
#pragma once

#include "engine/cef_ref_ptr.h"

class CefRequestHandler : public CefBaseRefCounted {};
