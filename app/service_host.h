// The base address of the vendor's update service, as the client reads it
// from "version.ini": the update check asks it for new bundles, archives may
// come from its origin, and pages of its origin count as the client's own.
#pragma once

#include <cstddef>
#include <string>

// The vendor service's base address used when "version.ini" names none.
inline constexpr char kDefaultCloudHost[] = "https://api.vexalio.example/";

// The longest "cloudHost" the client takes.
inline constexpr std::size_t kMaxCloudHostLength = 2048;

// The "cloudHost" value of the profile file at profilePath (section
// "versionInformation"), whole; the default when the key or the file is
// missing. Empty when the value is no http or https address (empty, another
// scheme, no host, longer than kMaxCloudHostLength): then there is no update
// service and no trusted service origin, and one warning line says so (once
// per process).
std::string ReadCloudHost(const std::string& profilePath);
