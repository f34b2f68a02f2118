// Creation of engine requests.
#include "engine/cef_request.h"

CefRefPtr<CefRequest> CefRequest::Create() { return new CefRequest(); }
