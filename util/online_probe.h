// Whether the machine is online: a TCP connection to port 80 of a public web
// host can be opened. Nothing is sent; the connection is closed at once.
#pragma once

bool IsOnline();

// The probe itself, against any host and port; IsOnline uses the program's
// probe host, port 80 and a 10 second bound on the connect. The host is
// resolved anew on every call. Diagnostic lines go to standard output.
bool IsOnlineAt(const char* host, unsigned short port, int timeout_ms);
