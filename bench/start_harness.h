// What the start-up benchmarks share: a fresh private data directory holding
// a one-page bundle whose page, once loaded, requests /loaded from a listener
// of the benchmark on 127.0.0.1; the listener, which also answers the
// client's update check; the start of a program in a process group of its own
// with private HOME and XDG directories; and the memory (PSS) of the program
// and of every process it started.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "bench/loopback.h"
#include "bench/process_tree.h"

namespace bench {

using Clock = std::chrono::steady_clock;

inline double Median(std::vector<double> values) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

inline double Seconds(Clock::time_point from, Clock::time_point to) {
  return std::chrono::duration<double>(to - from).count();
}

// The page's background, which fills the whole view: first_paint_bench looks
// for it on screen. A colour no window decoration or empty view has.
constexpr unsigned kPageRgb = 0x2E8B57;

// A fresh data directory under root with the page bundle and the update
// service's address (the listener's port); returns the start page's path.
inline std::filesystem::path MakeBenchDataDir(const std::filesystem::path& root, int port) {
  namespace fs = std::filesystem;
  const fs::path data = root / "data" / "vexalio";
  fs::create_directories(data / "contentEditor");
  std::ofstream(data / "version.ini")
      << "[versionInformation]\ncloudHost=http://127.0.0.1:" << port << "/\n";
  const fs::path page = data / "contentEditor" / "index.html";
  char colour[8];
  std::snprintf(colour, sizeof(colour), "#%06X", kPageRgb);
  std::ofstream(page) << "<!doctype html>\n<html><head><meta charset=\"utf-8\"><title>Start</title>"
                         "</head>\n<body style=\"margin:0;background:"
                      << colour
                      << ";color:#fff\"><h1>Start page</h1><p>A page of the benchmark.</p>\n"
                         "<script>addEventListener('load', function () {\n"
                         "  new Image().src = 'http://127.0.0.1:"
                      << port << "/loaded?t=' + Date.now();\n});</script>\n</body></html>\n";
  return page;
}

// One listening socket on 127.0.0.1 with a free port. It answers the update
// check with a build that is not newer, notes when the page reports /loaded,
// and answers anything else with 404.
class StartListener {
 public:
  StartListener() { fd_ = ListenOnLoopback(&port_); }
  ~StartListener() { close(fd_); }
  StartListener(const StartListener&) = delete;
  StartListener& operator=(const StartListener&) = delete;

  int port() const { return port_; }
  int fd() const { return fd_; }

  // Takes one waiting connection and answers it; when fd() is readable.
  void AnswerOne() {
    int client = accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC);
    if (client < 0) return;
    const std::string line = ReadRequestLine(client);
    std::string reply;
    if (line.find(" /api/software/1") != std::string::npos) {
      update_check_ = Clock::now();
      // The installed bundle is as new as the published one: no update.
      const std::string body = "{\"build\":0,\"package_url\":\"\",\"package_size\":0}";
      reply = "HTTP/1.1 200 OK\r\nContent-Type: application/json\r\nContent-Length: " +
              std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
    } else if (line.find(" /loaded") != std::string::npos) {
      reply = "HTTP/1.1 204 No Content\r\nConnection: close\r\n\r\n";
      last_loaded_ = Clock::now();
      ++loads_;
      if (loaded_ == Clock::time_point{}) loaded_ = last_loaded_;
    } else {
      reply = "HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\nConnection: close\r\n\r\n";
    }
    (void)!write(client, reply.data(), reply.size());
    close(client);
  }

  // When the update check's request and the page's report arrived (the
  // epoch when they did not).
  Clock::time_point update_check() const { return update_check_; }
  Clock::time_point loaded() const { return loaded_; }
  // How many times the page reported itself loaded, and when it did last.
  int loads() const { return loads_; }
  Clock::time_point last_loaded() const { return last_loaded_; }

 private:
  int fd_ = -1;
  int port_ = 0;
  Clock::time_point update_check_{};
  Clock::time_point loaded_{};
  Clock::time_point last_loaded_{};
  int loads_ = 0;
};

// PSS by role: the program itself, its web processes, its network process,
// anything else it started.
struct Memory {
  double ui = 0, web = 0, network = 0, other = 0;
  double total() const { return ui + web + network + other; }
};

inline Memory MeasureTree(pid_t root) {
  Memory m;
  m.ui = SmapsKb(root) / 1024.0;
  for (const ProcessInfo& p : Descendants(root)) {
    const double mb = SmapsKb(p.pid) / 1024.0;
    if (p.name.rfind("WebKitWebProc", 0) == 0)
      m.web += mb;
    else if (p.name.rfind("WebKitNetwork", 0) == 0)
      m.network += mb;
    else
      m.other += mb;
  }
  return m;
}

// The memory table of a benchmark: medians per role for the reference and the
// client, with their ratio.
template <typename Run>
double PrintMemory(const std::vector<Run>& reference, const std::vector<Run>& client) {
  struct Row {
    const char* name;
    double (*field)(const Memory&);
  };
  const Row rows[] = {
      {"program (UI) process", [](const Memory& m) { return m.ui; }},
      {"web process", [](const Memory& m) { return m.web; }},
      {"network process", [](const Memory& m) { return m.network; }},
      {"other children", [](const Memory& m) { return m.other; }},
      {"total", [](const Memory& m) { return m.total(); }},
  };
  std::printf("  %-22s %10s %10s %7s\n", "", "minimal", "quorbital", "ratio");
  double total = 0;
  for (const Row& row : rows) {
    std::vector<double> a, b;
    for (const Run& r : reference) a.push_back(row.field(r.memory));
    for (const Run& r : client) b.push_back(row.field(r.memory));
    const double ma = Median(a), mb = Median(b);
    if (ma == 0 && mb == 0) continue;
    char ratio[16] = "-";
    if (ma > 0) std::snprintf(ratio, sizeof(ratio), "%.2f", mb / ma);
    std::printf("  %-22s %10.1f %10.1f %7s\n", row.name, ma, mb, ratio);
    if (ma > 0) total = mb / ma;  // the last row is the total
  }
  return total;
}

// The programs under test: the client and the reference window, found beside
// the running benchmark in the build tree.
inline std::filesystem::path BenchDir() {
  return std::filesystem::read_symlink("/proc/self/exe").parent_path();
}
inline std::string ClientProgram() { return (BenchDir().parent_path() / "quorbital").string(); }
inline std::string ReferenceProgram() { return (BenchDir() / "minimal_webview").string(); }

}  // namespace bench
