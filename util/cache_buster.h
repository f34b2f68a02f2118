// The query that keeps caches between the client and a server from answering
// in the server's place: "?skq=" and the millisecond tick count, printed
// signed. Downloads and the update's requests all carry it.
#pragma once

#include <string>

// "?skq=<tick>", to append to an address (also one with a query of its own,
// as the service has always received it).
std::wstring CacheBustingQuery();
// url followed by CacheBustingQuery().
std::wstring CacheBustedUrl(const std::wstring& url);
