// Diagnostics of the client and its layers: quiet by default, written to
// standard error when the environment variable QUORBITAL_DEBUG is set (to
// anything but "" or "0"). Never writes into files.
#pragma once

namespace platform {

// printf-style; one line per call (a newline is added when missing).
void Log(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Whether Log writes anything; read once from the environment.
bool LogEnabled();

}  // namespace platform
