// The page bundle shipped with the client, installed on a first start.
#pragma once

#include <string>
#include <system_error>

#include "browser/error_page.h"

// When the data directory holds no start page, copies the default bundle
// from bundle_root (a folder holding "contentEditor") into it. An installed
// bundle is never overwritten, and the build number is not recorded, so the
// first reachable update still replaces this bundle. Returns true when a
// start page is present afterwards; otherwise *cause (when given) is the
// file system's reason, if there was one.
bool InstallDefaultBundle(const std::string& bundle_root, const std::string& data_dir,
                          std::error_code* cause = nullptr);

// The same with the bundle that lies beside the executable (or in the
// installed data folder) and the data directory's narrow path. A failure is
// logged with its cause.
bool InstallDefaultBundleIfMissing(std::error_code* cause = nullptr);

// What a failure to write the data folder means to a person: no permission
// (or a read-only disk), a full disk, or something else (kNone).
DataFolderProblem DataFolderProblemOf(const std::error_code& cause);
