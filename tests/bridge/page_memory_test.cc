// Long sessions in a real web process with the client's renderer extension:
// a page's script state goes with the page. A page holding 32 MB reloaded
// ten times, and ten iframes of 32 MB added and removed, leave the web
// process at most 128 MB above where it started: leaking, each round would
// keep its 32 MB (320 MB in all), while the collector and the allocator may
// still hold a few rounds' worth for a while on a slow machine. Memory is
// the anonymous part of the proportional set size (Pss_Anon): script heaps
// live there, while the rest of the PSS is a share of libraries that moves
// with every WebKit process on the machine.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "app/engine_settings.h"
#include "bridge/simple_app.h"
#include "engine/cef_browser_host.h"
#include "engine/cef_client.h"
#include "engine/cef_frame.h"
#include "tests/support/browser_test.h"
#include "tests/support/engine_env.h"
#include "tests/support/main_loop.h"
#include "tests/support/page_probe.h"
#include "tests/support/test_window.h"

using test_support::EvalJs;
using test_support::PumpUntil;

namespace {

namespace fs = std::filesystem;

constexpr long kAllowedGrowthKb = 128 * 1024;
constexpr int kRounds = 10;

std::string g_pages;

// The anonymous part of the proportional set size in kB; 0 when the process
// is gone.
long AnonPssKb(pid_t pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/smaps_rollup");
  std::string key;
  long value = 0;
  while (in >> key) {
    if (key == "Pss_Anon:") {
      in >> value;
      return value;
    }
    in.ignore(1 << 20, '\n');
  }
  return 0;
}

// The web process of the page: the largest web process this program started
// (the page holds 32 MB by the time it is asked for).
pid_t PageProcess() {
  pid_t best = 0;
  long best_pss = 0;
  for (const auto& entry : fs::directory_iterator("/proc")) {
    const std::string name = entry.path().filename();
    if (name.find_first_not_of("0123456789") != std::string::npos) continue;
    std::ifstream in(entry.path() / "stat");
    std::string stat((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const auto close = stat.rfind(')');
    if (close == std::string::npos || stat.find("(WebKitWebProc") == std::string::npos) continue;
    int ppid = 0;
    char state = 0;
    if (sscanf(stat.c_str() + close + 2, "%c %d", &state, &ppid) != 2 || ppid != getpid()) continue;
    const pid_t pid = std::stoi(name);
    const long pss = AnonPssKb(pid);
    if (pss > best_pss) {
      best = pid;
      best_pss = pss;
    }
  }
  return best;
}

class PageMemory : public test_support::BrowserTest<> {
 protected:
  bool LoadPage(const std::string& page) { return Load("file://" + g_pages + "/" + page); }
  // Waits, with a deadline, for the collector to give back what the page no
  // longer holds; the process is measured when it has or at the end. The
  // collector runs when script allocates, so the page keeps allocating a
  // little short-lived memory meanwhile.
  long SettledGrowthKb(pid_t pid, long start_kb) {
    EvalJs(browser_,
           "var churn = setInterval(function () { new Uint8Array(4 << 20).fill(2); }, 100)");
    long growth = 0;
    PumpUntil(
        [&] {
          growth = AnonPssKb(pid) - start_kb;
          return growth < kAllowedGrowthKb;
        },
        20000);
    EvalJs(browser_, "clearInterval(churn)");
    return growth;
  }
};

TEST_F(PageMemory, ReloadsAndRemovedFramesGiveTheirScriptStateBack) {
  ASSERT_TRUE(LoadPage("hold.html"));
  // The page functions are bound, so the client's renderer took its share.
  ASSERT_EQ(EvalJs(browser_, "typeof test2 + held.length"), "function33554432");
  const pid_t pid = PageProcess();
  ASSERT_GT(pid, 0);
  const long start_kb = AnonPssKb(pid);
  for (int i = 0; i < kRounds; ++i) {
    EvalJs(browser_, "window.before = 1; location.reload(); 1");
    ASSERT_TRUE(PumpUntil([&] {
      return EvalJs(browser_, "String(window.before) + document.readyState + held.length") ==
             "undefinedcomplete33554432";
    }));
  }
  const long after_reloads = SettledGrowthKb(pid, start_kb);
  EXPECT_LT(after_reloads, kAllowedGrowthKb) << "kB more after " << kRounds << " reloads";

  EvalJs(browser_, "run(" + std::to_string(kRounds) + "); 1");
  ASSERT_TRUE(PumpUntil([&] { return EvalJs(browser_, "String(done)") == "true"; }, 30000));
  EXPECT_EQ(EvalJs(browser_, "document.querySelectorAll('iframe').length"), "0");
  const long after_frames = SettledGrowthKb(pid, start_kb);
  EXPECT_LT(after_frames, kAllowedGrowthKb) << "kB more after " << kRounds << " iframes";
}

}  // namespace

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  // The pages are the installed bundle of the client's data directory, which
  // the client's application object names to each renderer.
  g_pages = test_support::MakeBundleDir();
  test_support::InitEngineForTests(&argc, &argv, QUORBITAL_WEBEXT_DIR,
                                   new SimpleApp(nullptr, ClientOwnPlaces));
  using test_support::WriteFile;
  // A page of 32 MB that adds and removes iframes of itself, as the session
  // benchmark's pages do.
  WriteFile(g_pages + "/hold.html",
            "<html><body>32 MB<script>var held = new Uint8Array(32 << 20).fill(1);\n"
            "var done = false;\n"
            "function run(rounds) {\n"
            "  var old = document.querySelector('iframe');\n"
            "  if (old) old.remove();\n"
            "  if (rounds === 0) { done = true; return; }\n"
            "  var f = document.createElement('iframe');\n"
            "  f.onload = function () { setTimeout(function () { run(rounds - 1); }, 0); };\n"
            "  f.src = 'hold.html';\n"
            "  document.body.appendChild(f);\n"
            "}</script></body></html>");
  return RUN_ALL_TESTS();
}
