// First-start installation of the default page bundle.
#include "mainwnd/default_bundle.h"

#include <chrono>
#include <filesystem>
#include <system_error>

#include "app/data_dir.h"
#include "app/locations.h"
#include "app/runtime_files.h"

namespace fs = std::filesystem;

bool InstallDefaultBundle(const std::string& bundle_root, const std::string& data_dir) {
  if (data_dir.empty()) return false;
  const fs::path editor = fs::path(data_dir + kEditorDirA);
  const fs::path start_page = editor / "index.html";
  std::error_code ec;
  if (fs::exists(start_page, ec)) return true;
  const fs::path source = fs::path(bundle_root) / "contentEditor";
  if (!fs::is_regular_file(source / "index.html", ec)) return false;

  fs::create_directories(data_dir, ec);
  if (ec) return false;
  if (!fs::exists(editor, ec)) {
    // Copy beside the target and rename, so an interrupted copy never
    // leaves a half bundle where the client looks for its pages.
    const fs::path staging =
        fs::path(data_dir) /
        (".contentEditor.default-" +
         std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
    fs::remove_all(staging, ec);
    fs::copy(source, staging, fs::copy_options::recursive, ec);
    if (!ec) fs::rename(staging, editor, ec);
    if (ec) {
      std::error_code ignored;
      fs::remove_all(staging, ignored);
      return false;
    }
  } else {
    // A bundle folder without a start page: fill in what is missing and
    // keep every file that is there.
    fs::copy(source, editor, fs::copy_options::recursive | fs::copy_options::skip_existing, ec);
    if (ec) return false;
  }
  return fs::exists(start_page, ec);
}

bool InstallDefaultBundleIfMissing() {
  const std::string root = FindRuntimeFolder("bundle");
  if (root.empty()) return false;
  return InstallDefaultBundle(root, GetDataDirA());
}
