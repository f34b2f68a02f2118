// The table from WebKit's, GIO's and the resolver's error codes to the
// engine's network error numbers.
#include "engine/load_error.h"

#include <webkit2/webkit2.h>

namespace engine {
namespace {

struct Entry {
  GQuark (*domain)();
  int code;
  cef_errorcode_t mapped;
  const char* text;
};

GQuark NetworkDomain() { return WEBKIT_NETWORK_ERROR; }
GQuark PolicyDomain() { return WEBKIT_POLICY_ERROR; }
GQuark DownloadDomain() { return WEBKIT_DOWNLOAD_ERROR; }
GQuark ResolverDomain() { return G_RESOLVER_ERROR; }
GQuark IoDomain() { return G_IO_ERROR; }

// A cancelled load and a load turned into a download are both "aborted":
// the page that was shown stays, and no error page replaces it.
const Entry kTable[] = {
    {NetworkDomain, WEBKIT_NETWORK_ERROR_CANCELLED, ERR_ABORTED, "ERR_ABORTED"},
    {PolicyDomain, WEBKIT_POLICY_ERROR_FRAME_LOAD_INTERRUPTED_BY_POLICY_CHANGE, ERR_ABORTED,
     "ERR_ABORTED"},
    {DownloadDomain, WEBKIT_DOWNLOAD_ERROR_CANCELLED_BY_USER, ERR_ABORTED, "ERR_ABORTED"},
    {IoDomain, G_IO_ERROR_CANCELLED, ERR_ABORTED, "ERR_ABORTED"},
    {NetworkDomain, WEBKIT_NETWORK_ERROR_FILE_DOES_NOT_EXIST, ERR_FILE_NOT_FOUND,
     "ERR_FILE_NOT_FOUND"},
    {NetworkDomain, WEBKIT_NETWORK_ERROR_UNKNOWN_PROTOCOL, ERR_UNKNOWN_URL_SCHEME,
     "ERR_UNKNOWN_URL_SCHEME"},
    {PolicyDomain, WEBKIT_POLICY_ERROR_CANNOT_USE_RESTRICTED_PORT, ERR_UNSAFE_PORT,
     "ERR_UNSAFE_PORT"},
    {PolicyDomain, WEBKIT_POLICY_ERROR_CANNOT_SHOW_URI, ERR_INVALID_URL, "ERR_INVALID_URL"},
    {PolicyDomain, WEBKIT_POLICY_ERROR_CANNOT_SHOW_MIME_TYPE, ERR_BLOCKED_BY_RESPONSE,
     "ERR_BLOCKED_BY_RESPONSE"},
    {ResolverDomain, G_RESOLVER_ERROR_NOT_FOUND, ERR_NAME_NOT_RESOLVED, "ERR_NAME_NOT_RESOLVED"},
    {ResolverDomain, G_RESOLVER_ERROR_TEMPORARY_FAILURE, ERR_NAME_NOT_RESOLVED,
     "ERR_NAME_NOT_RESOLVED"},
    {IoDomain, G_IO_ERROR_HOST_NOT_FOUND, ERR_NAME_NOT_RESOLVED, "ERR_NAME_NOT_RESOLVED"},
    {IoDomain, G_IO_ERROR_NOT_FOUND, ERR_FILE_NOT_FOUND, "ERR_FILE_NOT_FOUND"},
    {IoDomain, G_IO_ERROR_IS_DIRECTORY, ERR_FILE_NOT_FOUND, "ERR_FILE_NOT_FOUND"},
    {IoDomain, G_IO_ERROR_PERMISSION_DENIED, ERR_ACCESS_DENIED, "ERR_ACCESS_DENIED"},
    {IoDomain, G_IO_ERROR_CONNECTION_REFUSED, ERR_CONNECTION_REFUSED, "ERR_CONNECTION_REFUSED"},
    {IoDomain, G_IO_ERROR_TIMED_OUT, ERR_CONNECTION_TIMED_OUT, "ERR_CONNECTION_TIMED_OUT"},
    {IoDomain, G_IO_ERROR_HOST_UNREACHABLE, ERR_ADDRESS_UNREACHABLE, "ERR_ADDRESS_UNREACHABLE"},
    {IoDomain, G_IO_ERROR_NETWORK_UNREACHABLE, ERR_INTERNET_DISCONNECTED,
     "ERR_INTERNET_DISCONNECTED"},
    {IoDomain, G_IO_ERROR_CONNECTION_CLOSED, ERR_CONNECTION_CLOSED, "ERR_CONNECTION_CLOSED"},
    {IoDomain, G_IO_ERROR_BROKEN_PIPE, ERR_CONNECTION_RESET, "ERR_CONNECTION_RESET"},
};

}  // namespace

LoadError MapLoadError(const GError* error) {
  if (error) {
    for (const Entry& entry : kTable) {
      if (error->domain == entry.domain() && error->code == entry.code) {
        return {entry.mapped, entry.text};
      }
    }
    if (error->domain == G_TLS_ERROR) return {ERR_SSL_PROTOCOL_ERROR, "ERR_SSL_PROTOCOL_ERROR"};
  }
  return {ERR_FAILED, "ERR_FAILED"};
}

}  // namespace engine
