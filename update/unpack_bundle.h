// Installation of a downloaded page-bundle archive into the data directory.
#pragma once

#include <string>

// Installs the archive at archivePath into the data directory (GetDataDirA).
// Every entry is first extracted into a private staging directory; only when
// all of them extracted completely do the new top-level files and directories
// replace the old ones (EditorDir is always replaced, by nothing when the
// archive has no "contentEditor" entries). On any failure nothing in the data
// directory changes. The archive file is deleted in every case. Returns true
// when the new bundle is in place.
bool UnpackBundle(const std::wstring& archivePath);

// The same into an explicit data directory (narrow, system code page).
bool UnpackBundleInto(const std::string& dataDir, const std::string& archivePath);
