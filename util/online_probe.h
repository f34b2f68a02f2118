// Whether the machine is online: a TCP connection to port 80 of a public web
// host can be opened. Nothing is sent; the connection is closed at once.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

bool IsOnline();

// Resolves a host name to one IPv4 address (network byte order); false when
// it cannot. It may take as long as the system's resolver takes.
using ProbeResolver = std::function<bool(const std::string& host, std::uint32_t* address)>;

// The probe itself, against any host and port; IsOnline uses the program's
// probe host, port 80 and a 5 second bound. The whole probe, name resolution
// included, ends within about timeout_ms. The host is resolved anew on every
// call, by resolver when one is given (tests), otherwise by the system's
// resolver. Diagnostic lines go to standard output.
bool IsOnlineAt(const char* host, unsigned short port, int timeout_ms,
                const ProbeResolver& resolver = {});
