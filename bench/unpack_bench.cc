// Bundle installation speed: unpacks an archive of 5,000 files (about 100 MB)
// made at run time and compares the time with the unzip tool's on the same
// archive in the same run. The installation's time includes putting every
// file on disk before the swap, which unzip does not do. Prints the ratio
// ours / unzip (lower is better). The archive is made in $TMPDIR (or /tmp):
// point it at the disk the data directory lives on.
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "update/unpack_bundle.h"

namespace fs = std::filesystem;

namespace {

constexpr int kFiles = 5000;
constexpr int kFilesPerDir = 100;
constexpr std::size_t kTotalBytes = 100u << 20;
constexpr int kRounds = 3;

// Page-like text: words from a small vocabulary, so it compresses about as
// well as the bundle's HTML and scripts do.
void MakeTree(const fs::path& root) {
  static const char* const kWords[] = {"<div class=\"row\">",
                                       "</div>",
                                       "function",
                                       "return",
                                       "var",
                                       "editor",
                                       "slide",
                                       "{",
                                       "}",
                                       "=",
                                       ";",
                                       "\n",
                                       "document",
                                       "window",
                                       "style",
                                       "0.5",
                                       "px",
                                       "const"};
  // The start page an archive must have to be installed at all.
  fs::create_directories(root / "contentEditor");
  std::ofstream(root / "contentEditor" / "index.html") << "<!doctype html><title>editor</title>";
  std::mt19937 rng(42);
  std::uniform_int_distribution<std::size_t> word(0, std::size(kWords) - 1);
  std::uniform_int_distribution<std::size_t> size(1024, 2 * kTotalBytes / kFiles - 1024);
  std::string text;
  for (int i = 0; i < kFiles; ++i) {
    const fs::path dir = root / "contentEditor" / ("d" + std::to_string(i / kFilesPerDir));
    fs::create_directories(dir);
    const std::size_t bytes = size(rng);
    text.clear();
    while (text.size() < bytes) {
      text += kWords[word(rng)];
      text += ' ';
      // Some bytes that do not repeat, as images and minified code have.
      if (rng() % 4 == 0) text += static_cast<char>('a' + rng() % 26);
    }
    std::ofstream(dir / ("f" + std::to_string(i) + ".js"), std::ios::binary) << text;
  }
}

double Seconds(const std::chrono::steady_clock::time_point& start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int main() {
  std::string tmpl = (fs::temp_directory_path() / "qbench-XXXXXX").string();
  if (!mkdtemp(tmpl.data())) return 1;
  const fs::path root = tmpl;
  MakeTree(root / "src");
  const fs::path archive = root / "bundle.zip";
  const std::string zipCmd =
      "cd '" + (root / "src").string() + "' && zip -qr '" + archive.string() + "' contentEditor";
  if (std::system(zipCmd.c_str()) != 0) return 1;
  fs::remove_all(root / "src");
  std::printf("archive: %d files, %.1f MB compressed\n", kFiles,
              static_cast<double>(fs::file_size(archive)) / (1 << 20));

  std::vector<double> ours, theirs;
  for (int round = 0; round < kRounds; ++round) {
    const fs::path data = root / "data";
    const fs::path copy = root / "copy.zip";
    fs::copy_file(archive, copy, fs::copy_options::overwrite_existing);
    auto start = std::chrono::steady_clock::now();
    const bool ok = UnpackBundleInto(data.string(), copy.string());
    ours.push_back(Seconds(start));
    fs::remove_all(data);
    if (!ok) {
      std::fprintf(stderr, "unpacking failed\n");
      return 1;
    }

    const fs::path out = root / "unzipped";
    const std::string unzipCmd = "unzip -q '" + archive.string() + "' -d '" + out.string() + "'";
    start = std::chrono::steady_clock::now();
    if (std::system(unzipCmd.c_str()) != 0) return 1;
    theirs.push_back(Seconds(start));
    fs::remove_all(out);
  }
  fs::remove_all(root);

  std::sort(ours.begin(), ours.end());
  std::sort(theirs.begin(), theirs.end());
  const double a = ours[kRounds / 2];
  const double b = theirs[kRounds / 2];
  std::printf("UnpackBundle: %.3f s  unzip -q: %.3f s  (median of %d)\n", a, b, kRounds);
  std::printf("ratio: %.2f\n", a / b);
  return 0;
}
