// The update check: asks the vendor service whether a newer page bundle than
// the installed one is published, and scrapes the service's reply.
#pragma once

#include <string>

// The vendor service's base address used when "version.ini" names none.
inline constexpr char kDefaultCloudHost[] = "https://api.vexalio.example/";

// Fills build and packageUrl from the service's reply by plain text search
// (the reply is never parsed as JSON): the text between the first ":" after
// "build" and the next ",", and likewise for "package_url", whose first and
// last characters (the quotes) are dropped and whose back-slashes are removed.
// A missing ":" or "," makes the value start at the reply's beginning or run
// to its end respectively.
void ScrapeUpdateReply(const std::string& reply, std::string& build, std::string& packageUrl);

// A build number as the C library's atoi reads it (leading blanks, an optional
// sign, decimal digits, 0 when no digit follows), clamped to the int range
// instead of overflowing.
int ParseBuildNumber(const std::string& text);

// The whole check against the data directory dataDir: reads "version.ini",
// downloads the service's reply into "updateinfo.txt" (read and deleted),
// scrapes it and returns true only when the published build is greater than
// the installed one and the reply names a package. build and packageUrl stay
// empty when the request or the reply file failed.
bool CheckForUpdate(const std::wstring& dataDir, std::string& build, std::string& packageUrl);
