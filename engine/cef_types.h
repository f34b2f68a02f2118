// Plain values of the engine's interface: states, error numbers, flags and
// identifiers used by several engine classes.
#pragma once

#include <cstdint>

using cef_color_t = std::uint32_t;

// A browser setting that can be left to the engine or switched on or off.
enum cef_state_t {
  STATE_DEFAULT = 0,
  STATE_ENABLED = 1,
  STATE_DISABLED = 2,
};

// The engine's network error numbers (negative; 0 is no error).
enum cef_errorcode_t {
  ERR_NONE = 0,
  ERR_FAILED = -2,
  ERR_ABORTED = -3,
  ERR_INVALID_ARGUMENT = -4,
  ERR_INVALID_HANDLE = -5,
  ERR_FILE_NOT_FOUND = -6,
  ERR_TIMED_OUT = -7,
  ERR_FILE_TOO_BIG = -8,
  ERR_ACCESS_DENIED = -10,
  ERR_INSUFFICIENT_RESOURCES = -12,
  ERR_CONNECTION_CLOSED = -100,
  ERR_CONNECTION_RESET = -101,
  ERR_CONNECTION_REFUSED = -102,
  ERR_CONNECTION_ABORTED = -103,
  ERR_CONNECTION_FAILED = -104,
  ERR_NAME_NOT_RESOLVED = -105,
  ERR_INTERNET_DISCONNECTED = -106,
  ERR_SSL_PROTOCOL_ERROR = -107,
  ERR_ADDRESS_UNREACHABLE = -109,
  ERR_CONNECTION_TIMED_OUT = -118,
  ERR_CERT_INVALID = -207,
  ERR_INVALID_URL = -300,
  ERR_DISALLOWED_URL_SCHEME = -301,
  ERR_UNKNOWN_URL_SCHEME = -302,
  ERR_TOO_MANY_REDIRECTS = -310,
  ERR_UNSAFE_PORT = -312,
  ERR_INVALID_RESPONSE = -320,
  ERR_EMPTY_RESPONSE = -324,
  ERR_BLOCKED_BY_RESPONSE = -27,
};
using ErrorCode = cef_errorcode_t;

// What a right-click was on; several flags can be set at once.
enum cef_context_menu_type_flags_t {
  CM_TYPEFLAG_NONE = 0,
  CM_TYPEFLAG_PAGE = 1 << 0,
  CM_TYPEFLAG_FRAME = 1 << 1,
  CM_TYPEFLAG_LINK = 1 << 2,
  CM_TYPEFLAG_MEDIA = 1 << 3,
  CM_TYPEFLAG_SELECTION = 1 << 4,
  CM_TYPEFLAG_EDITABLE = 1 << 5,
};
using TypeFlags = cef_context_menu_type_flags_t;

// How the web process of a browser's page ended.
enum cef_termination_status_t {
  TS_ABNORMAL_TERMINATION,  // it ended in a way the engine cannot tell
  TS_PROCESS_WAS_KILLED,    // ended on request of the browser's client (or at its close)
  TS_PROCESS_CRASHED,       // a fault, or killed from outside (a signal)
  TS_PROCESS_OOM,           // it went past its memory limit (CefSettings)
};
using TerminationStatus = cef_termination_status_t;

// The two processes a process message can travel between.
enum cef_process_id_t {
  PID_BROWSER,
  PID_RENDERER,
};
using CefProcessId = cef_process_id_t;

// The threads engine callbacks can be stated to run on.
enum cef_thread_id_t {
  TID_UI,        // the browser process's main thread
  TID_RENDERER,  // the main thread of a web process
};
using CefThreadId = cef_thread_id_t;

// Property attributes for CefV8Value::SetValue.
enum cef_v8_propertyattribute_t {
  V8_PROPERTY_ATTRIBUTE_NONE = 0,
  V8_PROPERTY_ATTRIBUTE_READONLY = 1 << 0,
  V8_PROPERTY_ATTRIBUTE_DONTENUM = 1 << 1,
  V8_PROPERTY_ATTRIBUTE_DONTDELETE = 1 << 2,
};
using PropertyAttribute = cef_v8_propertyattribute_t;

// Where a page asked a new window to open.
enum cef_window_open_disposition_t {
  WOD_UNKNOWN,
  WOD_CURRENT_TAB,
  WOD_SINGLETON_TAB,
  WOD_NEW_FOREGROUND_TAB,
  WOD_NEW_BACKGROUND_TAB,
  WOD_NEW_POPUP,
  WOD_NEW_WINDOW,
};
using WindowOpenDisposition = cef_window_open_disposition_t;

// What started a navigation.
enum cef_navigation_type_t {
  NAVIGATION_LINK_CLICKED = 0,
  NAVIGATION_FORM_SUBMITTED,
  NAVIGATION_BACK_FORWARD,
  NAVIGATION_RELOAD,
  NAVIGATION_FORM_RESUBMITTED,
  NAVIGATION_OTHER,
};
using NavigationType = cef_navigation_type_t;
