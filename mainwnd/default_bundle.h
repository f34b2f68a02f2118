// The page bundle shipped with the client, installed on a first start.
#pragma once

#include <string>

// When the data directory holds no start page, copies the default bundle
// from bundle_root (a folder holding "contentEditor") into it. An installed
// bundle is never overwritten, and the build number is not recorded, so the
// first reachable update still replaces this bundle. Returns true when a
// start page is present afterwards.
bool InstallDefaultBundle(const std::string& bundle_root, const std::string& data_dir);

// The same with the bundle that lies beside the executable (or in the
// installed data folder) and the data directory's narrow path.
bool InstallDefaultBundleIfMissing();
