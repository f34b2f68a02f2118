// Bundle installation speed: unpacks an archive of 5,000 files (about 100 MB)
// made at run time and compares the time with the unzip tool's on the same
// archive in the same run. The installation's time includes putting every
// file on disk before the swap, which unzip does not do, counting the bytes
// written and exchanging the new bundle with an installed one. Prints the ratio
// ours / unzip (lower is better). The archive is made in $TMPDIR (or /tmp):
// point it at the disk the data directory lives on.
#include <stdlib.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "bench/target_line.h"
#include "update/unpack_bundle.h"

namespace fs = std::filesystem;

namespace {

constexpr int kFiles = 5000;
constexpr int kFilesPerDir = 100;
constexpr std::size_t kTotalBytes = 100u << 20;
constexpr int kRounds = 7;

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

// Processor time (user and system) of this process or of its ended children.
double CpuSeconds(int who) {
  rusage usage{};
  getrusage(who, &usage);
  const auto seconds = [](const timeval& t) {
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
  };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
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

  // Processor time of each run: on a busy machine it varies less than the
  // time on the clock.
  std::vector<double> oursCpu, theirsCpu;
  const auto runOurs = [&]() -> double {
    const fs::path data = root / "data";
    const fs::path copy = root / "copy.zip";
    fs::copy_file(archive, copy, fs::copy_options::overwrite_existing);
    // An installed bundle, so the new one takes its place by an exchange.
    fs::create_directories(data / "contentEditor");
    std::ofstream(data / "contentEditor" / "index.html") << "old";
    // Each run starts with nothing of the other's left to write back.
    sync();
    const double cpuStart = CpuSeconds(RUSAGE_SELF);
    const auto start = std::chrono::steady_clock::now();
    const bool ok = UnpackBundleInto(data.string(), copy.string());
    const double seconds = Seconds(start);
    oursCpu.push_back(CpuSeconds(RUSAGE_SELF) - cpuStart);
    fs::remove_all(data);
    return ok ? seconds : -1;
  };
  const auto runUnzip = [&]() -> double {
    const fs::path out = root / "unzipped";
    const std::string unzipCmd = "unzip -q '" + archive.string() + "' -d '" + out.string() + "'";
    sync();
    const double cpuStart = CpuSeconds(RUSAGE_CHILDREN);
    const auto start = std::chrono::steady_clock::now();
    const bool ok = std::system(unzipCmd.c_str()) == 0;
    const double seconds = Seconds(start);
    theirsCpu.push_back(CpuSeconds(RUSAGE_CHILDREN) - cpuStart);
    fs::remove_all(out);
    return ok ? seconds : -1;
  };

  std::vector<double> ours, theirs;
  for (int round = 0; round < kRounds; ++round) {
    // Either goes first in turn, so neither always meets the other's
    // leftovers or a change of the machine's load first.
    if (round % 2 == 0) ours.push_back(runOurs());
    theirs.push_back(runUnzip());
    if (round % 2 == 1) ours.push_back(runOurs());
    if (ours.back() < 0 || theirs.back() < 0) {
      std::fprintf(stderr, "unpacking failed\n");
      return 1;
    }
  }
  fs::remove_all(root);

  // Each round's two runs follow each other, so their ratio sees the same
  // load of the machine; the median of the rounds' ratios is the figure.
  std::vector<double> ratios;
  for (int round = 0; round < kRounds; ++round) ratios.push_back(ours[round] / theirs[round]);
  std::sort(ours.begin(), ours.end());
  std::sort(theirs.begin(), theirs.end());
  std::sort(ratios.begin(), ratios.end());
  std::printf("UnpackBundle: %.3f s  unzip -q: %.3f s  (medians of %d rounds)\n", ours[kRounds / 2],
              theirs[kRounds / 2], kRounds);
  std::printf("ratio: %.2f  (rounds from %.2f to %.2f)\n", ratios[kRounds / 2], ratios.front(),
              ratios.back());
  std::printf("processor time: UnpackBundle %.3f s  unzip -q %.3f s  ratio %.2f\n", Median(oursCpu),
              Median(theirsCpu), Median(oursCpu) / Median(theirsCpu));
  bench::ReportTarget("unpack / unzip -q", ratios[kRounds / 2], bench::Bound::kAtMost, 0.9);
  return 0;
}
