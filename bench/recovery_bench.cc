// A page whose web process dies comes back: the time from the death of the
// web process (SIGKILL, as the kernel's out-of-memory killer sends it) to the
// page loaded again, against the time from the client's start to the same
// page first loaded, measured in the same run. Each round starts the client
// in a fresh private data directory (start_harness.h), waits for the page's
// /loaded, kills every web process of the client and waits for the next
// /loaded. The client loads a page again at once after the first death; a
// second within a minute would show its notice page instead, so each round
// kills once.
//   recovery_bench [rounds]    (needs a display; scripts/bench.sh gives one)
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <vector>

#include "bench/process_tree.h"
#include "bench/start_harness.h"
#include "bench/target_line.h"

namespace fs = std::filesystem;
using bench::Clock;

namespace {

constexpr auto kDeadline = std::chrono::seconds(30);

// Serves the listener until it has heard `loads` page loads; false when the
// deadline passes or the client ends first.
bool ServeUntil(bench::StartListener& listener, pid_t pid, int loads) {
  const auto deadline = Clock::now() + kDeadline;
  while (listener.loads() < loads && Clock::now() < deadline) {
    pollfd p{listener.fd(), POLLIN, 0};
    if (poll(&p, 1, 20) > 0) listener.AnswerOne();
    int status;
    if (waitpid(pid, &status, WNOHANG) == pid) return false;
  }
  return listener.loads() >= loads;
}

struct Round {
  bool ok = false;
  double cold = 0;     // start to the page loaded
  double recover = 0;  // the web process killed to the page loaded again
};

Round RunOnce(const fs::path& root) {
  Round round;
  bench::StartListener listener;
  bench::MakeBenchDataDir(root, listener.port());
  const auto start = Clock::now();
  const pid_t pid = bench::SpawnGroup({bench::ClientProgram()}, bench::PrivateEnvironment(root));
  if (pid == 0) return round;
  if (ServeUntil(listener, pid, 1)) {
    round.cold = bench::Seconds(start, listener.loaded());
    std::vector<pid_t> web;
    for (const bench::ProcessInfo& p : bench::Descendants(pid)) {
      if (p.name.rfind("WebKitWebProc", 0) == 0) web.push_back(p.pid);
    }
    const auto killed = Clock::now();
    for (pid_t w : web) kill(w, SIGKILL);
    if (!web.empty() && ServeUntil(listener, pid, 2)) {
      round.recover = bench::Seconds(killed, listener.last_loaded());
      round.ok = true;
    }
  }
  bench::StopGroup(pid);
  return round;
}

}  // namespace

int main(int argc, char** argv) {
  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 7;
  if (std::getenv("DISPLAY") == nullptr) {
    std::fprintf(stderr, "recovery_bench needs a display (scripts/bench.sh starts one)\n");
    return 1;
  }
  std::string tmpl = (fs::temp_directory_path() / "qrecover-XXXXXX").string();
  if (!mkdtemp(tmpl.data())) return 1;
  std::vector<double> cold, recover;
  // One round first, not counted: it warms the file cache.
  for (int i = -1; i < rounds; ++i) {
    const fs::path dir = fs::path(tmpl) / std::to_string(i + 1);
    const Round round = RunOnce(dir);
    fs::remove_all(dir);
    if (!round.ok) {
      std::fprintf(stderr, "round %d: the page did not load, or did not come back\n", i + 1);
      fs::remove_all(tmpl);
      return 1;
    }
    if (i < 0) continue;
    cold.push_back(round.cold);
    recover.push_back(round.recover);
  }
  fs::remove_all(tmpl);
  const double c = bench::Median(cold), r = bench::Median(recover);
  std::printf("a page whose web process was killed, back again, median of %d:\n", rounds);
  std::printf("  start to the page loaded (cold start)     %.3f s\n", c);
  std::printf("  web process killed to the page loaded     %.3f s\n", r);
  std::printf("  ratio back / cold start %.2f\n", r / c);
  bench::ReportTarget("page back after its web process was killed / cold start", r / c,
                      bench::Bound::kAtMost, 1.2);
  return 0;
}
