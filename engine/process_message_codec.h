// How a process message travels inside a WebKit user message: the message's
// name is the user message's name, its arguments an array of variants
// holding strings ("s"), integers ("i") or nothing ("()").
#pragma once

#include <glib.h>

#include "engine/cef_list_value.h"
#include "engine/cef_process_message.h"

namespace engine {

// A floating GVariant of type "av".
GVariant* EncodeArguments(const CefRefPtr<CefListValue>& arguments);
// Entries of other types are read as empty entries; parameters that are not
// an array of variants give an empty list.
CefRefPtr<CefListValue> DecodeArguments(GVariant* parameters);
CefRefPtr<CefProcessMessage> DecodeMessage(const char* name, GVariant* parameters);

}  // namespace engine
