// Start to first page loaded, and memory after it, for the client against a
// bare WebKitGTK window (minimal_webview) measured in the same run. Each
// start gets a fresh private data directory holding a one-file page bundle
// whose page, once loaded, requests /loaded from a listener on 127.0.0.1;
// the time from starting the program to that request is the start time.
// The listener also answers the client's update check with "no newer build".
// Memory is the proportional set size (PSS) of the program and of its web
// and network processes, a second after the page loaded.
// The client is also started against an update service that takes the
// connection and never answers; for both of its starts the time until its
// main window is on screen (mapped, as the X server reports it) is printed.
//   startup_bench [rounds]    (needs a display; scripts/bench.sh gives one)
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "bench/loopback.h"
#include "bench/process_tree.h"
#include "bench/start_harness.h"
#include "bench/target_line.h"

extern char** environ;

namespace fs = std::filesystem;

namespace {

using Clock = std::chrono::steady_clock;

constexpr auto kLoadDeadline = std::chrono::seconds(30);
constexpr auto kSettle = std::chrono::milliseconds(1000);

double Median(std::vector<double> values) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

// Whether a viewable window named "Quorbital" wider than 100 pixels (the
// main window, not the toolkit's helper windows) is on the display.
class WindowWatch {
 public:
  WindowWatch() : display_(XOpenDisplay(nullptr)) {
    // Windows come and go while the tree is walked; asking about one that
    // has just gone is an X error, which must not end the benchmark.
    XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
  }
  ~WindowWatch() {
    if (display_ != nullptr) XCloseDisplay(display_);
  }
  WindowWatch(const WindowWatch&) = delete;
  WindowWatch& operator=(const WindowWatch&) = delete;

  bool MainWindowShown() { return display_ != nullptr && Search(DefaultRootWindow(display_), 0); }

 private:
  bool Search(Window window, int depth) {
    char* name = nullptr;
    if (XFetchName(display_, window, &name) != 0 && name != nullptr) {
      const bool named = std::strcmp(name, "Quorbital") == 0;
      XFree(name);
      XWindowAttributes attributes;
      if (named && XGetWindowAttributes(display_, window, &attributes) != 0 &&
          attributes.map_state == IsViewable && attributes.width > 100) {
        return true;
      }
    }
    if (depth >= 3) return false;
    Window root = 0, parent = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    if (XQueryTree(display_, window, &root, &parent, &children, &count) == 0) return false;
    bool found = false;
    for (unsigned int i = 0; i < count && !found; ++i) found = Search(children[i], depth + 1);
    if (children != nullptr) XFree(children);
    return found;
  }

  Display* display_;
};

// How the update service behaves for a start.
enum class Service { kAnswers, kNeverAnswers };

// One listening socket on 127.0.0.1 with a free port.
class Listener {
 public:
  explicit Listener(Service service) : service_(service) { fd_ = bench::ListenOnLoopback(&port_); }
  ~Listener() {
    for (int held : held_) close(held);
    close(fd_);
  }
  Listener(const Listener&) = delete;
  Listener& operator=(const Listener&) = delete;

  int port() const { return port_; }

  // Answers requests until /loaded arrives (true), the program ends or the
  // deadline passes (false). With a window watch, notes when the main window
  // is first on screen.
  bool WaitForLoad(pid_t pid, Clock::time_point deadline, WindowWatch* watch) {
    while (Clock::now() < deadline) {
      if (watch != nullptr && window_shown_ == Clock::time_point{} && watch->MainWindowShown()) {
        window_shown_ = Clock::now();
      }
      pollfd p{fd_, POLLIN, 0};
      if (poll(&p, 1, watch != nullptr ? 10 : 50) > 0) {
        int client = accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (client >= 0) {
          int held = -1;
          const bool loaded = Answer(client, &held);
          if (held >= 0) {
            held_.push_back(held);
          } else {
            close(client);
          }
          if (loaded) return true;
        }
        continue;
      }
      int status;
      if (waitpid(pid, &status, WNOHANG) == pid) {
        std::fprintf(stderr, "the program ended (status %d) before the page loaded\n", status);
        exited_ = true;
        return false;
      }
    }
    std::fprintf(stderr, "the page did not load within %lld s\n",
                 static_cast<long long>(kLoadDeadline.count()));
    return false;
  }

  bool exited() const { return exited_; }
  // When the update check's request arrived (the epoch when none did).
  Clock::time_point update_check() const { return update_check_; }
  // When the main window was first seen on screen (the epoch when never).
  Clock::time_point window_shown() const { return window_shown_; }

 private:
  // A check's connection that is held open without an answer goes to *held.
  bool Answer(int client, int* held) {
    const std::string line = bench::ReadRequestLine(client);
    std::string reply;
    bool loaded = false;
    if (line.find(" /api/software/1") != std::string::npos) {
      update_check_ = Clock::now();
      if (service_ == Service::kNeverAnswers) {
        *held = client;
        return false;
      }
      // The installed bundle is as new as the published one: no update.
      const std::string body = "{\"build\":0,\"package_url\":\"\",\"package_size\":0}";
      reply = "HTTP/1.1 200 OK\r\nContent-Type: application/json\r\nContent-Length: " +
              std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
    } else if (line.find(" /loaded") != std::string::npos) {
      reply = "HTTP/1.1 204 No Content\r\nConnection: close\r\n\r\n";
      loaded = true;
    } else {
      reply = "HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\nConnection: close\r\n\r\n";
    }
    (void)!write(client, reply.data(), reply.size());
    return loaded;
  }

  Service service_;
  int fd_ = -1;
  int port_ = 0;
  bool exited_ = false;
  std::vector<int> held_;
  Clock::time_point update_check_{};
  Clock::time_point window_shown_{};
};

// PSS by role, measured as the first-paint benchmark measures it.
using bench::MeasureTree;
using bench::Memory;

struct Run {
  bool ok = false;
  double seconds = 0;
  double update_check = 0;  // start to the update check's request; 0 for none
  double window = 0;        // start to the main window on screen; 0 when not watched
  Memory memory;
};

// A fresh data directory with the page bundle and the update service's
// address; returns the start page's path.
fs::path MakeDataDir(const fs::path& root, int port) {
  const fs::path data = root / "data" / "vexalio";
  fs::create_directories(data / "contentEditor");
  std::ofstream(data / "version.ini")
      << "[versionInformation]\ncloudHost=http://127.0.0.1:" << port << "/\n";
  const fs::path page = data / "contentEditor" / "index.html";
  std::ofstream(page) << "<!doctype html>\n<html><head><meta charset=\"utf-8\"><title>Start</title>"
                         "</head>\n<body><h1>Start page</h1><p>A page of the benchmark.</p>\n"
                         "<script>addEventListener('load', function () {\n"
                         "  new Image().src = 'http://127.0.0.1:"
                      << port << "/loaded?t=' + Date.now();\n});</script>\n</body></html>\n";
  return page;
}

Run StartOnce(const std::string& program, bool isClient, const fs::path& root,
              Service service = Service::kAnswers) {
  Run run;
  Listener listener(service);
  WindowWatch watch;
  const fs::path page = MakeDataDir(root, listener.port());
  std::vector<std::string> args{program};
  if (!isClient) args.push_back("file://" + page.string());
  // One runtime directory for all starts, as in a desktop session.
  std::vector<std::string> env =
      bench::PrivateEnvironment(root, root.parent_path() / "session-runtime");
  // The reference prints "load-finished"; the listener is what counts.
  const auto start = Clock::now();
  const pid_t pid = bench::SpawnGroup(std::move(args), std::move(env));
  if (pid == 0) {
    std::fprintf(stderr, "cannot start %s\n", program.c_str());
    return run;
  }
  run.ok = listener.WaitForLoad(pid, start + kLoadDeadline, isClient ? &watch : nullptr);
  run.seconds = std::chrono::duration<double>(Clock::now() - start).count();
  if (listener.update_check() != Clock::time_point{})
    run.update_check = std::chrono::duration<double>(listener.update_check() - start).count();
  if (listener.window_shown() != Clock::time_point{})
    run.window = std::chrono::duration<double>(listener.window_shown() - start).count();
  if (run.ok) {
    std::this_thread::sleep_for(kSettle);
    run.memory = MeasureTree(pid);
  }
  bench::StopGroup(pid);
  return run;
}

fs::path SelfDir() { return fs::read_symlink("/proc/self/exe").parent_path(); }

}  // namespace

int main(int argc, char** argv) {
  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 9;
  if (getenv("DISPLAY") == nullptr) {
    std::fprintf(stderr, "startup_bench needs a display (scripts/bench.sh starts one)\n");
    return 1;
  }
  const std::string reference = (SelfDir() / "minimal_webview").string();
  const std::string client = (SelfDir().parent_path() / "quorbital").string();
  std::string tmpl = (fs::temp_directory_path() / "qstart-XXXXXX").string();
  if (!mkdtemp(tmpl.data())) return 1;
  const fs::path root = tmpl;

  // One start of each first, not counted: it warms the file cache. The
  // client's start against a service that never answers comes third.
  std::vector<Run> refRuns, clientRuns, hungRuns;
  bool ok = true;
  for (int i = -1; i < rounds && ok; ++i) {
    for (int kind = 0; kind < 3; ++kind) {
      const bool isClient = kind > 0;
      const Service service = kind == 2 ? Service::kNeverAnswers : Service::kAnswers;
      static const char* const kNames[] = {"-reference", "-client", "-client-hung"};
      const fs::path dir = root / (std::to_string(i + 1) + kNames[kind]);
      Run run = StartOnce(isClient ? client : reference, isClient, dir, service);
      fs::remove_all(dir);
      if (!run.ok || (isClient && run.window == 0)) {
        std::fprintf(stderr, "%s%s: no page loaded or no window seen\n",
                     isClient ? "quorbital" : "minimal_webview",
                     kind == 2 ? " (hung service)" : "");
        ok = false;
        break;
      }
      if (i >= 0) (kind == 0 ? refRuns : kind == 1 ? clientRuns : hungRuns).push_back(run);
    }
  }
  fs::remove_all(root);
  if (!ok) return 1;

  auto median = [](const std::vector<Run>& runs, auto field) {
    std::vector<double> v;
    for (const Run& r : runs) v.push_back(field(r));
    return Median(v);
  };
  const double refStart = median(refRuns, [](const Run& r) { return r.seconds; });
  const double clientStart = median(clientRuns, [](const Run& r) { return r.seconds; });
  const double ratio = clientStart / refStart;
  std::printf("start to first page loaded, median of %d (fresh data directory each start):\n",
              rounds);
  auto range = [](const std::vector<Run>& runs) {
    auto [lo, hi] = std::minmax_element(
        runs.begin(), runs.end(), [](const Run& a, const Run& b) { return a.seconds < b.seconds; });
    char text[64];
    std::snprintf(text, sizeof(text), "(fastest %.3f s, slowest %.3f s)", lo->seconds, hi->seconds);
    return std::string(text);
  };
  std::printf("  minimal WebKitGTK window  %.3f s  %s\n", refStart, range(refRuns).c_str());
  std::printf("  quorbital                 %.3f s  %s\n", clientStart, range(clientRuns).c_str());
  std::printf("  (quorbital's update check reached the local service after %.3f s)\n",
              median(clientRuns, [](const Run& r) { return r.update_check; }));
  std::printf("  ratio quorbital / minimal %.2f\n", ratio);
  bench::ReportTarget("start to page loaded / minimal window (startup)", ratio,
                      bench::Bound::kAtMost, 1.0);

  auto window = [](const Run& r) { return r.window; };
  const double shown = median(clientRuns, window);
  const double shownHung = median(hungRuns, window);
  auto slowest = [](const std::vector<Run>& runs) {
    double most = 0;
    for (const Run& r : runs) most = std::max(most, r.window);
    return most;
  };
  std::printf("start to main window on screen, median of %d:\n", rounds);
  std::printf("  quorbital, service answers        %.3f s  (slowest %.3f s)\n", shown,
              slowest(clientRuns));
  std::printf("  quorbital, service never answers  %.3f s  (slowest %.3f s)\n", shownHung,
              slowest(hungRuns));
  std::printf("  ratio never answers / answers %.2f\n", shownHung / shown);
  std::printf("  (against the silent service the first page loaded after %.3f s)\n",
              median(hungRuns, [](const Run& r) { return r.seconds; }));
  bench::ReportTarget("main window on screen against a silent service (slowest)", slowest(hungRuns),
                      bench::Bound::kAtMost, 1.0, " s", 3);

  struct Row {
    const char* name;
    double (*field)(const Run&);
  };
  const Row rows[] = {
      {"program (UI) process", [](const Run& r) { return r.memory.ui; }},
      {"web process", [](const Run& r) { return r.memory.web; }},
      {"network process", [](const Run& r) { return r.memory.network; }},
      {"other children", [](const Run& r) { return r.memory.other; }},
      {"total", [](const Run& r) { return r.memory.total(); }},
  };
  std::printf("memory 1 s after the first page loaded, PSS in MB, median of %d:\n", rounds);
  std::printf("  %-22s %10s %10s %7s\n", "", "minimal", "quorbital", "ratio");
  for (const Row& row : rows) {
    const double a = median(refRuns, row.field), b = median(clientRuns, row.field);
    if (a == 0 && b == 0) continue;
    std::printf("  %-22s %10.1f %10.1f %7s\n", row.name, a, b,
                a > 0 ? std::to_string(b / a).substr(0, 4).c_str() : "-");
  }
  return 0;
}
