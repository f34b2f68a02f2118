// A second start of the client while one runs: the document is handed to the
// running client, which opens it and comes to the front.
#pragma once

#include <string>

#include "bridge/bridge_message.h"

// Sends document_path (possibly empty) to the running client's main window.
// True when a main window took it; false when none answers (a client that
// crashed, or one still ending), in which case this start goes on normally.
bool HandOffToRunningClient(const std::wstring& document_path);

// The hand-off record: the document path as a text, then the start-up
// notification id the launcher gave the second start as a second text, so
// the running client's window may come to the front in its place. A reader
// of the first text alone (DecodeText) gets the path.
BridgePayload EncodeHandOff(const std::wstring& document_path, const std::wstring& startup_id);
// The id of a hand-off record; "" when it carries none.
std::wstring HandOffStartupId(const COPYDATASTRUCT* record);
