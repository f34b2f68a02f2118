// Installation of a downloaded page-bundle archive into the data directory.
#pragma once

#include <functional>
#include <string>

// Installs the archive at archivePath into the data directory (GetDataDirA).
// Every entry is first extracted into a private staging directory and put on
// disk; only when all of them extracted completely is the bundle moved into
// place: EditorDir is replaced as a whole, every other entry is merged into
// the data directory without deleting anything that is there, and entries
// for "version.ini", "cache" and the client's own scratch names are left
// out. An archive without "contentEditor/index.html" is refused. Once the
// bundle is in place and on disk, record (when given) records its build; if
// it returns false, the old bundle is put back. On any failure nothing in the
// data directory changes. The archive file is deleted in every case. Returns
// true when the new bundle is in place (and recorded).
bool UnpackBundle(const std::wstring& archivePath, const std::function<bool()>& record = {});

// The same into an explicit data directory (narrow, system code page).
bool UnpackBundleInto(const std::string& dataDir, const std::string& archivePath,
                      const std::function<bool()>& record = {});
