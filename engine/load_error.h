// Turns WebKit's load errors (a GError domain and code) into the engine's
// signed network error numbers and their names.
#pragma once

#include <glib.h>

#include <string>

#include "engine/cef_types.h"

namespace engine {

struct LoadError {
  cef_errorcode_t code;
  std::string text;  // the error's name, e.g. "ERR_NAME_NOT_RESOLVED"
};

// A null error or one not in the table is ERR_FAILED.
LoadError MapLoadError(const GError* error);

}  // namespace engine
