// The base address of the vendor's update service, as the client reads it
// from "version.ini": the update check asks it for new bundles, and pages of
// its origin count as the client's own.
#pragma once

#include <string>

// The vendor service's base address used when "version.ini" names none.
inline constexpr char kDefaultCloudHost[] = "https://api.vexalio.example/";

// The "cloudHost" value of the profile file at profilePath (section
// "versionInformation"), cut to the 29 characters the client reads; the
// default when the key or the file is missing.
std::string ReadCloudHost(const std::string& profilePath);
