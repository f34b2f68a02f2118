// First-start installation of the default page bundle.
#include "mainwnd/default_bundle.h"

#include <cerrno>
#include <chrono>
#include <filesystem>

#include "app/data_dir.h"
#include "app/locations.h"
#include "app/runtime_files.h"
#include "platform/log.h"

namespace fs = std::filesystem;

namespace {

bool Install(const std::string& bundle_root, const std::string& data_dir, std::error_code& ec) {
  if (data_dir.empty()) return false;
  const fs::path editor = fs::path(data_dir + kEditorDirA);
  const fs::path start_page = editor / "index.html";
  if (fs::exists(start_page, ec)) return true;
  const fs::path source = fs::path(bundle_root) / "contentEditor";
  if (!fs::is_regular_file(source / "index.html", ec)) {
    ec.clear();  // the client's own files are missing: no fault of the data folder
    return false;
  }

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

}  // namespace

bool InstallDefaultBundle(const std::string& bundle_root, const std::string& data_dir,
                          std::error_code* cause) {
  std::error_code ec;
  const bool installed = Install(bundle_root, data_dir, ec);
  if (cause != nullptr) *cause = installed ? std::error_code() : ec;
  return installed;
}

bool InstallDefaultBundleIfMissing(std::error_code* cause) {
  const std::string root = FindRuntimeFolder("bundle");
  const std::string data_dir = GetDataDirA();
  std::error_code ec;
  const bool installed = !root.empty() && InstallDefaultBundle(root, data_dir, &ec);
  if (!installed) {
    platform::LogError("cannot put the default page bundle into '%s': %s", data_dir.c_str(),
                       root.empty() ? "the client's bundle folder is missing"
                       : ec         ? ec.message().c_str()
                                    : "no start page after copying");
  }
  if (cause != nullptr) *cause = ec;
  return installed;
}

DataFolderProblem DataFolderProblemOf(const std::error_code& cause) {
  if (cause == std::errc::permission_denied || cause == std::errc::operation_not_permitted ||
      cause == std::errc::read_only_file_system) {
    return DataFolderProblem::kNotWritable;
  }
  if (cause == std::errc::no_space_on_device ||
      (cause.category() == std::system_category() && cause.value() == EDQUOT)) {
    return DataFolderProblem::kFull;
  }
  return DataFolderProblem::kNone;
}
