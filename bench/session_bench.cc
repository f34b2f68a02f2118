// A long session in the client against a bare WebKitGTK window
// (minimal_webview) showing the same pages, measured in the same run: the
// start page holds 32 MB and is reloaded again and again, then an iframe of
// 32 MB is added and removed again and again. The growth of the web process
// over each phase is what a session leaves behind.
//
// The page steers itself by asking a listener of the benchmark on 127.0.0.1
// what to do next ("reload", "frame", "churn" or "done"); the listener
// measures the web process after the first load and at the end of each
// phase, before it answers, so the page does nothing else meanwhile. Each
// measurement follows a churn (the page allocates and drops a few arrays of
// 32 MB, so the collector runs) and is repeated after three churns, keeping
// the lowest: the figures are what the page still reaches, not garbage the
// collector has not come to yet (WebKit alone may leave a reloaded page's
// garbage for minutes when nothing allocates).
//
// Memory is the proportional set size (PSS) of the web processes and its
// anonymous part (Pss_Anon). PSS also holds a share of the libraries every
// WebKit process on the machine maps, which moves by tens of MB as other
// WebKit programs start and end; the anonymous part (script heaps, malloc)
// does not, and is the steadier figure on a shared machine.
//   session_bench [rounds]    (50 by default; needs a display)
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "bench/loopback.h"
#include "bench/process_tree.h"
#include "bench/target_line.h"

namespace fs = std::filesystem;

namespace {

using Clock = std::chrono::steady_clock;

// A session may take this long plus kRoundDeadline for each round.
constexpr auto kSessionDeadline = std::chrono::seconds(60);
constexpr auto kRoundDeadline = std::chrono::seconds(4);
// Garbage is collected and memory given back some time after a page lets go
// of it: a measurement is the lowest of the samples over this time.
constexpr auto kSettle = std::chrono::seconds(2);
constexpr int kChurns = 3;
// Growth differences below this (an eighth of one page) are measurement
// noise rather than a page kept.
constexpr double kNoiseMb = 4;

struct Sample {
  double pss = 0;   // MB
  double anon = 0;  // MB, the anonymous part of pss
};

struct Figures {
  bool ok = false;
  Sample first_load;  // the page loaded once
  Sample after_reloads;
  Sample after_frames;
};

// The lowest of the samples over kSettle.
Sample SettledWeb(pid_t pid) {
  Sample lowest;
  const auto end = Clock::now() + kSettle;
  do {
    const Sample now{bench::WebProcessesMb(pid), bench::WebProcessesMb(pid, "Pss_Anon:")};
    if (lowest.pss == 0 || (now.pss > 0 && now.pss < lowest.pss)) lowest.pss = now.pss;
    if (lowest.anon == 0 || (now.anon > 0 && now.anon < lowest.anon)) lowest.anon = now.anon;
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
  } while (Clock::now() < end);
  return lowest;
}

// The listener: answers the client's update check with "no newer build" and
// the page's questions with its next step, measuring at the turns.
class Session {
 public:
  explicit Session(int rounds) : rounds_(rounds) { fd_ = bench::ListenOnLoopback(&port_); }
  ~Session() { close(fd_); }
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  int port() const { return port_; }

  Figures Run(pid_t pid) {
    pid_ = pid;
    const auto limit = kSessionDeadline + kRoundDeadline * rounds_;
    const auto deadline = Clock::now() + limit;
    while (!done_ && Clock::now() < deadline) {
      pollfd p{fd_, POLLIN, 0};
      if (poll(&p, 1, 100) > 0) {
        int client = accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (client >= 0) {
          Answer(client);
          close(client);
        }
        continue;
      }
      if (waitpid(pid, nullptr, WNOHANG) == pid) {
        std::fprintf(stderr, "the program ended before the session did\n");
        exited_ = true;
        return figures_;
      }
    }
    if (!done_) {
      std::fprintf(stderr, "the session did not end within %lld s (%d reloads, %d frames)\n",
                   static_cast<long long>(limit.count()), reloads_, frames_);
    }
    figures_.ok = done_;
    return figures_;
  }
  bool exited() const { return exited_; }

 private:
  // The next step for a page that reports "what"; at the end of a phase the
  // page churns first and is measured when it reports "churned".
  std::string Next(const std::string& what) {
    if (what == "loaded" && !started_) {
      started_ = true;
      measure_ = &figures_.first_load;
      return "churn";
    }
    if (what == "loaded") {
      if (++reloads_ < rounds_) return "reload";
      measure_ = &figures_.after_reloads;
      return "churn";
    }
    if (what == "frame") {
      if (++frames_ < rounds_) return "frame";
      measure_ = &figures_.after_frames;
      return "churn";
    }
    if (what == "churned" && measure_) {
      const Sample now = SettledWeb(pid_);
      if (churns_ == 0 || now.pss < measure_->pss) measure_->pss = now.pss;
      if (churns_ == 0 || now.anon < measure_->anon) measure_->anon = now.anon;
      if (++churns_ < kChurns) return "churn";
      churns_ = 0;
      if (measure_ == &figures_.first_load) return "reload";
      if (measure_ == &figures_.after_reloads) return "frame";
    }
    done_ = true;
    return "done";
  }

  void Answer(int client) {
    const std::string line = bench::ReadRequestLine(client);
    std::string body;
    std::string type = "text/plain";
    if (line.find(" /api/software/1") != std::string::npos) {
      body = "{\"build\":0,\"package_url\":\"\",\"package_size\":0}";
      type = "application/json";
    } else if (line.find(" /step/") != std::string::npos) {
      const auto start = line.find(" /step/") + 7;
      body = Next(line.substr(start, line.find_first_of("? ", start) - start));
    }
    const std::string reply = "HTTP/1.1 200 OK\r\nContent-Type: " + type +
                              "\r\nAccess-Control-Allow-Origin: *\r\nCache-Control: no-store"
                              "\r\nContent-Length: " +
                              std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
    (void)!write(client, reply.data(), reply.size());
  }

  int fd_ = -1;
  int port_ = 0;
  int rounds_;
  pid_t pid_ = 0;
  bool started_ = false;
  bool done_ = false;
  bool exited_ = false;
  int reloads_ = 0;
  int frames_ = 0;
  Figures figures_;
  Sample* measure_ = nullptr;
  int churns_ = 0;
};

// The start page: it holds 32 MB and asks the listener (at PORT) what to do
// next. To churn, it allocates eight arrays of 32 MB one after the other and
// drops them, which makes the collector run.
constexpr char kStartPage[] = R"(<!doctype html>
<html><head><meta charset="utf-8"><title>Session</title></head>
<body>32 MB and frames<script>
var held = new Uint8Array(32 << 20).fill(1);
function step(what) {
  fetch('http://127.0.0.1:PORT/step/' + what + '?t=' + Date.now())
    .then(function (r) { return r.text(); })
    .then(function (next) {
      if (next === 'reload') location.reload();
      else if (next === 'frame') frame();
      else if (next === 'churn') churn();
    });
}
function frame() {
  var f = document.createElement('iframe');
  f.onload = function () { setTimeout(function () { f.remove(); step('frame'); }, 0); };
  f.src = 'frame.html';
  document.body.appendChild(f);
}
function churn(left) {
  if (left === undefined) left = 8;
  if (left === 0) { step('churned'); return; }
  new Uint8Array(32 << 20).fill(2);
  setTimeout(function () { churn(left - 1); }, 50);
}
addEventListener('load', function () { step('loaded'); });
</script></body></html>
)";

constexpr char kFramePage[] = R"(<!doctype html>
<html><body>32 MB<script>var held = new Uint8Array(32 << 20).fill(1);</script></body></html>
)";

// The pages, in a fresh data directory as the client's page bundle; returns
// the start page's path.
fs::path WritePages(const fs::path& root, int port) {
  const fs::path data = root / "data" / "vexalio";
  fs::create_directories(data / "contentEditor");
  std::ofstream(data / "version.ini")
      << "[versionInformation]\ncloudHost=http://127.0.0.1:" << port << "/\n";
  std::ofstream(data / "contentEditor" / "frame.html") << kFramePage;
  std::string start = kStartPage;
  start.replace(start.find("PORT"), 4, std::to_string(port));
  const fs::path page = data / "contentEditor" / "index.html";
  std::ofstream(page) << start;
  return page;
}

Figures RunSession(const std::string& program, bool is_client, const fs::path& root, int rounds) {
  Session session(rounds);
  const fs::path page = WritePages(root, session.port());
  std::vector<std::string> args{program};
  if (!is_client) args.push_back("file://" + page.string());
  const pid_t pid = bench::SpawnGroup(args, bench::PrivateEnvironment(root));
  if (pid == 0) {
    std::fprintf(stderr, "cannot start %s\n", program.c_str());
    return Figures();
  }
  Figures figures = session.Run(pid);
  if (!session.exited()) bench::StopGroup(pid);
  return figures;
}

fs::path SelfDir() { return fs::read_symlink("/proc/self/exe").parent_path(); }

std::string Ratio(double ours, double reference) {
  if (reference <= 0) return "-";
  char text[32];
  std::snprintf(text, sizeof(text), "%.2f", ours / reference);
  return text;
}

}  // namespace

int main(int argc, char** argv) {
  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 50;
  if (getenv("DISPLAY") == nullptr) {
    std::fprintf(stderr, "session_bench needs a display (scripts/bench.sh starts one)\n");
    return 1;
  }
  const std::string reference = (SelfDir() / "minimal_webview").string();
  const std::string client = (SelfDir().parent_path() / "quorbital").string();
  std::string tmpl = (fs::temp_directory_path() / "qsession-XXXXXX").string();
  if (!mkdtemp(tmpl.data())) return 1;
  const fs::path root = tmpl;

  const Figures ref = RunSession(reference, false, root / "reference", rounds);
  const Figures ours = ref.ok ? RunSession(client, true, root / "client", rounds) : Figures();
  fs::remove_all(root);
  if (!ref.ok || !ours.ok) {
    std::fprintf(stderr, "%s: the session did not complete\n",
                 ref.ok ? "quorbital" : "minimal_webview");
    return 1;
  }

  std::printf("web process memory, MB (lowest over %d churns after each phase):\n", kChurns);
  std::printf("  %-28s %16s %16s\n", "", "minimal", "quorbital");
  std::printf("  %-28s %8s %7s %8s %7s\n", "", "PSS", "anon", "PSS", "anon");
  auto row = [](const std::string& name, const Sample& a, const Sample& b) {
    std::printf("  %-28s %8.1f %7.1f %8.1f %7.1f\n", name.c_str(), a.pss, a.anon, b.pss, b.anon);
  };
  const std::string n = std::to_string(rounds);
  row("page of 32 MB loaded", ref.first_load, ours.first_load);
  row("after " + n + " reloads", ref.after_reloads, ours.after_reloads);
  row("after " + n + " iframes of 32 MB", ref.after_frames, ours.after_frames);

  std::printf("growth of the web process, MB:\n");
  std::printf("  %-28s %8s %8s %7s %8s %8s %7s\n", "", "PSS", "", "", "anon", "", "");
  std::printf("  %-28s %8s %8s %7s %8s %8s %7s\n", "", "minimal", "ours", "ratio", "minimal",
              "ours", "ratio");
  auto growth = [](const std::string& name, const Sample& a0, const Sample& a1, const Sample& b0,
                   const Sample& b1) {
    const double pa = a1.pss - a0.pss, pb = b1.pss - b0.pss;
    const double aa = a1.anon - a0.anon, ab = b1.anon - b0.anon;
    std::printf("  %-28s %8.1f %8.1f %7s %8.1f %8.1f %7s\n", name.c_str(), pa, pb,
                Ratio(pb, pa).c_str(), aa, ab, Ratio(ab, aa).c_str());
  };
  growth("over " + n + " reloads", ref.first_load, ref.after_reloads, ours.first_load,
         ours.after_reloads);
  growth("over " + n + " iframe rounds", ref.after_reloads, ref.after_frames, ours.after_reloads,
         ours.after_frames);
  growth("whole session", ref.first_load, ref.after_frames, ours.first_load, ours.after_frames);
  std::printf("web process at the end (PSS), quorbital / minimal: %.2f\n",
              ours.after_frames.pss / ref.after_frames.pss);
  // One page left behind would show as 32 MB; differences of a few MB are
  // below what one run can tell apart, whatever their ratio.
  const double ref_growth = ref.after_frames.anon - ref.first_load.anon;
  const double our_growth = ours.after_frames.anon - ours.first_load.anon;
  // At most 1.2 times the minimal window's growth, or within the noise above it.
  bench::ReportTarget("memory growth over a long session above the minimal window's",
                      our_growth - ref_growth, bench::Bound::kAtMost,
                      std::max(0.2 * ref_growth, kNoiseMb), " MB", 1);
  return 0;
}
