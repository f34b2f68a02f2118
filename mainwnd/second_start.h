// A second start of the client while one runs: the document is handed to the
// running client, which opens it and comes to the front.
#pragma once

#include <string>

#include "bridge/bridge_message.h"

// Sends document_path (possibly empty, otherwise absolute) to the running
// client's main window and waits at most 10 seconds for its answer. True when
// the running client will show the document; false when no main window
// answers in time (a client that crashed, is stopped, hung or busy in a
// dialog, or one still ending) or it refused the document, in which case this
// start goes on as a normal start.
bool HandOffToRunningClient(const std::wstring& document_path);

// The hand-off record: the document path as a text, then the start-up
// notification id the launcher gave the second start as a second text, so
// the running client's window may come to the front in its place. A reader
// of the first text alone (DecodeText) gets the path.
BridgePayload EncodeHandOff(const std::wstring& document_path, const std::wstring& startup_id);
// The id of a hand-off record; "" when it carries none.
std::wstring HandOffStartupId(const COPYDATASTRUCT* record);
