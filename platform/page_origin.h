// The origin of a page's address as the engine reports it, for deciding which
// pages are the client's own. It is read with GLib's URI parser, which the
// web process holds anyway; the renderer side thus needs no transfer library
// loaded into every web process.
#pragma once

#include <string>

namespace platform {

// "scheme://host:port" of an http or https address, in the form UrlOrigin
// gives (scheme and host in lower case, an IPv6 host in brackets, the port
// always written), so that the two compare equal for the same address.
// Empty for anything else, and for a host that is no plain name or address
// (an escape in it decoded to '/', '@' or a blank, say).
std::string PageOrigin(const std::string& url);

}  // namespace platform
