// Whether the machine is online: a TCP connection to port 80 of a public web
// host can be opened. Nothing is sent; the connection is closed at once.
#pragma once

#include <functional>
#include <string>
#include <vector>

// The public web host the probe asks unless "version.ini" names another.
inline constexpr char kDefaultProbeHost[] = "www.wikipedia.org";

// The "probeHost" value of the profile file at profile_path (section
// "versionInformation"); the default when the key or the file is missing.
std::string ReadProbeHost(const std::string& profile_path);

// The probe of host's port 80 within 5 seconds.
bool IsOnline(const std::string& host = kDefaultProbeHost);

// Resolves a host name to its addresses (IPv6 and IPv4, as numeric text) in
// the order the system prefers them; false when it cannot. It may take as
// long as the system's resolver takes.
using ProbeResolver =
    std::function<bool(const std::string& host, std::vector<std::string>* addresses)>;

// The probe itself, against any host and port. The whole probe, name
// resolution included, ends within about timeout_ms. The host is resolved
// anew on every call, by resolver when one is given (tests), otherwise by the
// system's resolver. The addresses are tried IPv6 and IPv4 in turn, each a
// quarter second after the one before unless that one has failed already, and
// the first connection that opens decides (so a family that is blocked costs
// a quarter second, not the whole bound). Diagnostic lines go to standard
// output.
bool IsOnlineAt(const char* host, unsigned short port, int timeout_ms,
                const ProbeResolver& resolver = {});
