// Where the client's run-time files (skins, images, the default page bundle)
// are: beside the executable in the build tree, or in the installed data
// folder relative to it.
#pragma once

#include <string>

// The folder of that name (e.g. "Skin", "bundle"), or empty when there is none.
std::string FindRuntimeFolder(const std::string& name);
