// A second start of the client while one runs: the document is handed to the
// running client, which opens it and comes to the front.
#pragma once

#include <string>

// Sends document_path (possibly empty) to the running client's main window.
// True when a main window took it; false when none answers (a client that
// crashed, or one still ending), in which case this start goes on normally.
bool HandOffToRunningClient(const std::wstring& document_path);
