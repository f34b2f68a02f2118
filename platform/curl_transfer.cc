#include "platform/curl_transfer.h"

#include <sys/socket.h>

#include <mutex>

namespace platform {
namespace {

// The transfer's sockets stay in this process: made close-on-exec in the
// call that makes them, so that no program started meanwhile (a web process
// or a helper of its sandbox, on another thread) holds a connection of the
// client's open after the client has let go of it.
curl_socket_t OpenSocket(void*, curlsocktype, curl_sockaddr* address) {
  return socket(address->family, address->socktype | SOCK_CLOEXEC, address->protocol);
}

}  // namespace

CurlTransfer NewCurlTransfer(const std::string& url) {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
  CurlTransfer transfer(curl_easy_init());
  CURL* curl = transfer.get();
  if (curl == nullptr) return transfer;
  curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
  curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(curl, CURLOPT_MAXREDIRS, kMaxRedirects);
  curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, kConnectTimeoutSeconds);
  // A name resolver still busy when a transfer ends (at its bound or on
  // cancel) is left to end by itself instead of being waited for.
  curl_easy_setopt(curl, CURLOPT_QUICK_EXIT, 1L);
  curl_easy_setopt(curl, CURLOPT_USERAGENT, kUserAgent);
  curl_easy_setopt(curl, CURLOPT_OPENSOCKETFUNCTION, OpenSocket);
  return transfer;
}

}  // namespace platform
