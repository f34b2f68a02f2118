// Diagnostics of the client and its layers: the one way every folder reports
// what went wrong or what it did. Each call is one event and writes one line
// on standard error, "quorbital: " first. Errors and warnings are always
// written: something did not work and the user's report should say so. Debug
// lines (Log) are written only when the environment variable QUORBITAL_DEBUG
// is set (to anything but "" or "0"). Never writes into files.
//
// These report; they decide nothing. What a call returns to its caller (a
// BOOL, the last error, an HRESULT) stays that call's own contract.
#pragma once

namespace platform {

enum class LogLevel {
  kError,    // a task failed; written as "quorbital: error: ..."
  kWarning,  // something was refused, skipped or worked around
  kDebug,    // what happened, for a developer; only with QUORBITAL_DEBUG
};

// printf-style. A line break inside the message becomes a blank, so that one
// event stays one line; the newline at the end is added when missing.
void LogError(const char* format, ...) __attribute__((format(printf, 1, 2)));
void LogWarning(const char* format, ...) __attribute__((format(printf, 1, 2)));
void Log(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Whether debug lines are written; read once from the environment.
bool LogEnabled();

}  // namespace platform
