// Whether the machine is online: a TCP connection to port 80 of a public web
// host can be opened.
#pragma once

bool IsOnline();
