// The update check: asks the vendor service whether a newer page bundle than
// the installed one is published, and scrapes the service's reply.
#pragma once

#include <string>

#include "app/service_host.h"

// Fills build and packageUrl from the service's reply by plain text search
// (the reply is never parsed as JSON): the text between the first ":" after
// "build" and the next ",", and likewise for "package_url", whose first and
// last characters (the quotes) are dropped and whose back-slashes are removed.
// A missing ":" or "," makes the value start at the reply's beginning or run
// to its end respectively.
void ScrapeUpdateReply(const std::string& reply, std::string& build, std::string& packageUrl);

// A build number as the C library's atoi reads it (leading blanks, an optional
// sign, decimal digits, 0 when no digit follows), clamped to the 64-bit range
// instead of overflowing.
long long ParseBuildNumber(const std::string& text);

// The published build as it is compared and recorded: 1 to 18 decimal digits
// once the blanks around them are dropped. Empty for any other text (quotes,
// signs, a line break, more digits), which offers no update.
std::string PublishedBuildDigits(const std::string& text);

// The longest the check may take, name resolution, connection and reply
// together.
inline constexpr long kUpdateCheckTimeoutMs = 5000;

// The whole check against the data directory dataDir: reads "version.ini",
// fetches the service's reply into memory (at most 64 KiB, the whole request
// within timeoutMs, never more than kUpdateCheckTimeoutMs), scrapes it and
// returns true only when the published build is valid (see
// PublishedBuildDigits) and greater than the installed one and the reply names
// a package; build then holds the build's digits. build and packageUrl stay
// empty when the request failed or went past either bound. Writes nothing.
bool CheckForUpdate(const std::wstring& dataDir, std::string& build, std::string& packageUrl,
                    long timeoutMs = kUpdateCheckTimeoutMs);
