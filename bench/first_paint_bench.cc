// Start to visible content: the time from starting a program until the first
// screen frame that shows its page, and until the page has loaded, for the
// client against a bare WebKitGTK window (minimal_webview, WebKit's default
// settings) measured in the same run, and the memory of both a second after
// the page loaded. The page bundle, data directory and listener are those of
// startup_bench (start_harness.h); the page fills its view with one colour.
// A helper process grabs a square at the middle of the screen every 20 ms
// and notes when all of it shows that colour.
//
// WebKit's own rendering switches are taken out of the programs' environment
// (scripts/with-display.sh sets some for tests), so each program renders the
// way it would for a user of this display. The GL renderer the display
// offers is printed, and the rendering path the client chose (from its
// diagnostics of an unmeasured first start), and what the client's probe of
// the GL renderer costs when it has to make one.
//   first_paint_bench [rounds]   (needs a display; scripts/bench.sh gives one)
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <gtk/gtk.h>
#include <signal.h>
#include <sys/wait.h>

#include <cstring>
#include <thread>

#include "bench/start_harness.h"
#include "bench/target_line.h"
#include "engine/rendering_path.h"

namespace fs = std::filesystem;

namespace {

using bench::Clock;

constexpr auto kDeadline = std::chrono::seconds(30);
constexpr auto kSettle = std::chrono::milliseconds(1000);
constexpr auto kGrabInterval = std::chrono::milliseconds(20);
constexpr int kSquare = 32;

// Environment variables that choose how WebKit renders, and the client's own.
constexpr const char* kRenderingVariables[] = {
    "WEBKIT_DISABLE_COMPOSITING_MODE=", "WEBKIT_FORCE_COMPOSITING_MODE=",
    "WEBKIT_DISABLE_DMABUF_RENDERER=", "QUORBITAL_COMPOSITING="};

// How far one colour channel of pixel lies from the page's colour.
int ChannelOff(unsigned long pixel, unsigned long mask, unsigned expected) {
  if (mask == 0) return 255;
  int shift = 0;
  while (((mask >> shift) & 1) == 0) ++shift;
  const unsigned long max = mask >> shift;
  const long value = static_cast<long>(((pixel & mask) >> shift) * 255 / max);
  return static_cast<int>(std::labs(value - static_cast<long>(expected)));
}

bool ShowsPageColour(XImage* image) {
  const unsigned r = (bench::kPageRgb >> 16) & 0xFF, g = (bench::kPageRgb >> 8) & 0xFF,
                 b = bench::kPageRgb & 0xFF;
  for (int y = 0; y < image->height; ++y) {
    for (int x = 0; x < image->width; ++x) {
      const unsigned long p = XGetPixel(image, x, y);
      if (ChannelOff(p, image->red_mask, r) > 3 || ChannelOff(p, image->green_mask, g) > 3 ||
          ChannelOff(p, image->blue_mask, b) > 3) {
        return false;
      }
    }
  }
  return true;
}

// The helper process: a byte when it is ready, then the steady clock's time
// (nanoseconds) of the first grab that showed the page. It ends with that, or
// when the benchmark ends it.
[[noreturn]] void WatchScreen(int out) {
  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) _exit(1);
  const Window root = DefaultRootWindow(display);
  const int screen = DefaultScreen(display);
  const int x = DisplayWidth(display, screen) / 2 - kSquare / 2;
  const int y = DisplayHeight(display, screen) / 2 - kSquare / 2;
  (void)!write(out, "r", 1);
  for (;;) {
    if (XImage* image = XGetImage(display, root, x, y, kSquare, kSquare, AllPlanes, ZPixmap)) {
      const bool shown = ShowsPageColour(image);
      XDestroyImage(image);
      if (shown) {
        const long long now = Clock::now().time_since_epoch().count();
        (void)!write(out, &now, sizeof(now));
        _exit(0);
      }
    }
    std::this_thread::sleep_for(kGrabInterval);
  }
}

struct ScreenWatch {
  pid_t pid = 0;
  int fd = -1;
};

ScreenWatch StartScreenWatch() {
  ScreenWatch watch;
  int fds[2];
  if (pipe2(fds, O_CLOEXEC) != 0) return watch;
  watch.pid = fork();
  if (watch.pid == 0) {
    close(fds[0]);
    WatchScreen(fds[1]);
  }
  close(fds[1]);
  watch.fd = fds[0];
  pollfd p{watch.fd, POLLIN, 0};
  char ready = 0;
  if (watch.pid < 0 || poll(&p, 1, 5000) <= 0 || read(watch.fd, &ready, 1) != 1) {
    std::fprintf(stderr, "the screen watch did not start\n");
    std::exit(1);
  }
  return watch;
}

void StopScreenWatch(ScreenWatch& watch) {
  kill(watch.pid, SIGKILL);
  waitpid(watch.pid, nullptr, 0);
  close(watch.fd);
}

struct Run {
  bool ok = false;
  double visible = 0;  // start to the first frame showing the page
  double loaded = 0;   // start to the page's load event
  bench::Memory memory;
};

std::vector<std::string> ProgramEnvironment(const fs::path& root, bool debug) {
  std::vector<std::string> env;
  // One runtime directory for all starts, as in a desktop session.
  for (std::string& var : bench::PrivateEnvironment(root, root.parent_path() / "session-runtime")) {
    bool rendering = false;
    for (const char* name : kRenderingVariables) rendering = rendering || var.rfind(name, 0) == 0;
    if (!rendering) env.push_back(std::move(var));
  }
  if (debug) env.push_back("QUORBITAL_DEBUG=1");
  return env;
}

// One start in a fresh data directory under root. With a log path the
// program's diagnostics go there.
Run StartOnce(const std::string& program, bool isClient, const fs::path& root,
              const std::string& log = std::string()) {
  Run run;
  bench::StartListener listener;
  const fs::path page = bench::MakeBenchDataDir(root, listener.port());
  std::vector<std::string> args{program};
  if (!isClient) args.push_back("file://" + page.string());
  ScreenWatch watch = StartScreenWatch();
  const auto start = Clock::now();
  const pid_t pid = bench::SpawnGroup(args, ProgramEnvironment(root, !log.empty()), log);
  if (pid == 0) {
    std::fprintf(stderr, "cannot start %s\n", program.c_str());
    StopScreenWatch(watch);
    return run;
  }
  Clock::time_point visible{};
  bool exited = false;
  while (Clock::now() < start + kDeadline &&
         (visible == Clock::time_point{} || listener.loaded() == Clock::time_point{})) {
    pollfd p[2] = {{listener.fd(), POLLIN, 0}, {watch.fd, POLLIN, 0}};
    if (poll(p, visible == Clock::time_point{} ? 2 : 1, 20) > 0) {
      if (p[0].revents & POLLIN) listener.AnswerOne();
      long long ns = 0;
      if ((p[1].revents & POLLIN) && read(watch.fd, &ns, sizeof(ns)) == sizeof(ns)) {
        visible = Clock::time_point(Clock::duration(ns));
      }
    }
    if (waitpid(pid, nullptr, WNOHANG) == pid) {
      exited = true;
      break;
    }
  }
  StopScreenWatch(watch);
  run.ok = visible != Clock::time_point{} && listener.loaded() != Clock::time_point{};
  if (run.ok) {
    run.visible = bench::Seconds(start, visible);
    run.loaded = bench::Seconds(start, listener.loaded());
    std::this_thread::sleep_for(kSettle);
    run.memory = bench::MeasureTree(pid);
  } else {
    std::fprintf(stderr, "%s: %s\n", program.c_str(),
                 exited                                     ? "ended before its page was shown"
                 : listener.loaded() == Clock::time_point{} ? "the page did not load"
                                                            : "the page never showed on screen");
  }
  if (!exited) bench::StopGroup(pid);
  return run;
}

// The client's diagnostics about how it renders.
std::string RenderingLines(const std::string& log) {
  std::ifstream in(log);
  std::string line, lines;
  while (std::getline(in, line)) {
    if (line.find("rendering") != std::string::npos) lines += "  " + line + "\n";
  }
  return lines.empty() ? "  (the client said nothing about its rendering path)\n" : lines;
}

}  // namespace

int main(int argc, char** argv) {
  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 9;
  if (getenv("DISPLAY") == nullptr) {
    std::fprintf(stderr, "first_paint_bench needs an X display (scripts/bench.sh starts one)\n");
    return 1;
  }
  std::string tmpl = (fs::temp_directory_path() / "qpaint-XXXXXX").string();
  if (!mkdtemp(tmpl.data())) return 1;
  const fs::path root = tmpl;
  // The client's own probe, in a process that has not loaded OpenGL yet:
  // what it costs a client that has to ask (one with a GPU render node).
  gtk_init_check(nullptr, nullptr);
  const auto probe_start = Clock::now();
  const std::string renderer = engine::ProbeGlRenderer();
  const double probe_ms = bench::Seconds(probe_start, Clock::now()) * 1000;
  std::printf("GL renderer of this display: %s (the client's probe took %.0f ms)\n",
              renderer.empty() ? "none" : renderer.c_str(), probe_ms);
  // On a software renderer the client is to show its page well before the
  // bare window; on a GPU no later than it.
  const bool software = engine::IsSoftwareRenderer(renderer);

  // One start of each first, not counted: it warms the file cache, and the
  // client's diagnostics tell its rendering path.
  const std::string log = (root / "client.log").string();
  std::vector<Run> refRuns, clientRuns;
  bool ok = true;
  for (int i = -1; i < rounds && ok; ++i) {
    for (bool isClient : {false, true}) {
      const fs::path dir = root / (std::to_string(i + 1) + (isClient ? "-client" : "-reference"));
      Run run = StartOnce(isClient ? bench::ClientProgram() : bench::ReferenceProgram(), isClient,
                          dir, isClient && i < 0 ? log : std::string());
      fs::remove_all(dir);
      ok = run.ok;
      if (!ok) break;
      if (i >= 0) (isClient ? clientRuns : refRuns).push_back(run);
    }
  }
  const std::string rendering = RenderingLines(log);
  fs::remove_all(root);
  if (!ok) return 1;

  std::printf("the client's rendering path (first, unmeasured start):\n%s", rendering.c_str());
  auto median = [](const std::vector<Run>& runs, double Run::*field) {
    std::vector<double> v;
    for (const Run& r : runs) v.push_back(r.*field);
    return bench::Median(v);
  };
  auto range = [](const std::vector<Run>& runs, double Run::*field) {
    auto [lo, hi] =
        std::minmax_element(runs.begin(), runs.end(),
                            [field](const Run& a, const Run& b) { return a.*field < b.*field; });
    char text[64];
    std::snprintf(text, sizeof(text), "(fastest %.3f s, slowest %.3f s)", (*lo).*field,
                  (*hi).*field);
    return std::string(text);
  };
  struct Figure {
    const char* title;
    double Run::*field;
    double target;
  };
  const Figure figures[] = {
      {"start to the page visible on screen", &Run::visible, software ? 0.6 : 1.05},
      {"start to the page loaded", &Run::loaded, 1.0}};
  for (const Figure& f : figures) {
    const double ref = median(refRuns, f.field), ours = median(clientRuns, f.field);
    std::printf("%s, median of %d (fresh data directory each start):\n", f.title, rounds);
    std::printf("  minimal WebKitGTK window  %.3f s  %s\n", ref, range(refRuns, f.field).c_str());
    std::printf("  quorbital                 %.3f s  %s\n", ours,
                range(clientRuns, f.field).c_str());
    std::printf("  ratio quorbital / minimal %.2f\n", ours / ref);
    bench::ReportTarget(std::string(f.title) + " / minimal window", ours / ref,
                        bench::Bound::kAtMost, f.target);
  }
  std::printf("memory 1 s after the page loaded, PSS in MB, median of %d:\n", rounds);
  const double memory = bench::PrintMemory(refRuns, clientRuns);
  bench::ReportTarget("memory (total PSS) / minimal window", memory, bench::Bound::kAtMost, 1.05);
  return 0;
}
