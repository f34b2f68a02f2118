// Download throughput against `curl -o` from the same loopback server; the
// time a download with one dropped connection takes against the same
// download without; how busy the main thread is while the download list
// window shows a large download's progress; the main thread's time per
// progress report with 1,000 rows in the list, against a report that
// repaints the whole window; and the bytes the server sends for each slide
// link the client's page follows, against the file's size.
#include <gtk/gtk.h>
#include <spawn.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "download/download_dialog.h"
#include "download/download_job.h"
#include "download/retry_policy.h"

// The repository root, from this file's place in it (bench/download_bench.cc).
// A compiler cache with a base directory makes that place relative to the
// folder it was compiled in, which is the benchmark's own folder.
static std::string SourceDir() {
  std::string file = __FILE__;
  if (file[0] != '/') {
    file = std::filesystem::read_symlink("/proc/self/exe").parent_path().string() + "/" + file;
  }
  return file.substr(0, file.rfind("/bench/"));
}
#define QUORBITAL_SOURCE_DIR SourceDir()

#include "bench/loopback.h"
#include "bench/process_tree.h"
#include "bench/target_line.h"
#include "platform/main_thread.h"
#include "platform/native_window.h"
#include "platform/windows.h"
#include "tests/support/http_server.h"

extern char** environ;

namespace fs = std::filesystem;

namespace {

using test_support::HttpServer;

constexpr unsigned long long kSize = 256ull * 1024 * 1024;
constexpr int kRounds = 9;

double Seconds(std::chrono::steady_clock::duration d) {
  return std::chrono::duration<double>(d).count();
}

// A sink that does what the list window's sink does per report, minus the window.
class CountingSink : public IBindStatusCallback {
 public:
  HRESULT QueryInterface(REFIID, void**) override { return E_NOTIMPL; }
  ULONG AddRef() override { return 0; }
  ULONG Release() override { return 0; }
  HRESULT OnStartBinding(DWORD, IBinding*) override { return E_NOTIMPL; }
  HRESULT GetPriority(LONG*) override { return E_NOTIMPL; }
  HRESULT OnLowResource(DWORD) override { return E_NOTIMPL; }
  HRESULT OnProgress(ULONG, ULONG, ULONG, LPCWSTR) override {
    ++calls;
    return S_OK;
  }
  HRESULT OnStopBinding(HRESULT, LPCWSTR) override { return E_NOTIMPL; }
  HRESULT GetBindInfo(DWORD*, BINDINFO*) override { return E_NOTIMPL; }
  HRESULT OnDataAvailable(DWORD, DWORD, FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
  HRESULT OnObjectAvailable(REFIID, IUnknown*) override { return E_NOTIMPL; }
  int calls = 0;
};

double TimeCurl(const std::string& url, const std::string& out) {
  std::vector<std::string> args = {"curl", "-s", "-o", out, url};
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  auto start = std::chrono::steady_clock::now();
  pid_t pid = 0;
  if (posix_spawnp(&pid, "curl", nullptr, nullptr, argv.data(), environ) != 0) return -1;
  int status = 0;
  waitpid(pid, &status, 0);
  double took = Seconds(std::chrono::steady_clock::now() - start);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0 && fs::file_size(out) == kSize ? took : -1;
}

double TimeOurs(const std::wstring& url, const std::wstring& out, int* calls) {
  CountingSink sink;
  auto start = std::chrono::steady_clock::now();
  HRESULT hr = URLDownloadToFileW(nullptr, url.c_str(), out.c_str(), 0, &sink);
  double took = Seconds(std::chrono::steady_clock::now() - start);
  *calls = sink.calls;
  return hr == S_OK && fs::file_size(fs::path(out)) == kSize ? took : -1;
}

// One job as the list window runs it (tries, waits, continuation), with a
// sink that only counts; the time until its file is in place, or -1.
double TimeJob(const std::wstring& url, const fs::path& out) {
  CountingSink sink;
  DownloadJobControl control;
  const DownloadItem item{out.wstring(), url, L"job.bin"};
  auto start = std::chrono::steady_clock::now();
  const JobOutcome outcome = RunDownloadJob(item, control, &sink, nullptr);
  double took = Seconds(std::chrono::steady_clock::now() - start);
  const bool whole = outcome.end == JobEnd::kFinished && fs::file_size(out) == kSize;
  fs::remove(out);
  return whole ? took : -1;
}

// A download whose connection drops after a third, continued by a range
// request after the first retry's wait, against the same download unbroken.
bool MeasureDrop(const HttpServer& server, const fs::path& dir) {
  constexpr int kDropRounds = 3;
  const double wait = RetryDelay(platform::DownloadEnd::kDropped, 0)->count() / 1000.0;
  std::vector<double> plain, dropped;
  for (int round = 0; round < kDropRounds; ++round) {
    const std::string size = std::to_string(kSize);
    // A fresh address each round, since the server cuts the first request
    // of each address only.
    const double p = TimeJob(server.Url("/bytes/" + size + "?round=" + std::to_string(round)),
                             dir / "plain.bin");
    const double d = TimeJob(server.Url("/bytes/" + size + "?cut=1&round=" + std::to_string(round)),
                             dir / "drop.bin");
    if (p <= 0 || d <= 0) {
      std::fprintf(stderr, "drop round %d failed (plain %.3f, dropped %.3f)\n", round, p, d);
      return false;
    }
    plain.push_back(p);
    dropped.push_back(d);
  }
  std::sort(plain.begin(), plain.end());
  std::sort(dropped.begin(), dropped.end());
  const double p = plain[kDropRounds / 2], d = dropped[kDropRounds / 2];
  std::printf(
      "one drop after a third: %.2f s against %.2f s unbroken plus the %.0f s wait "
      "(median of %d)\n",
      d, p, wait, kDropRounds);
  bench::ReportTarget("download with one drop / (unbroken + wait)", d / (p + wait),
                      bench::Bound::kAtMost, 1.1);
  return true;
}

// The list window with a look at its first row.
class ProbeDialog : public DownloadDialog {
 public:
  CDuiString GetSkinFolder() override {
    const std::string dir = SourceDir() + "/Skin/";
    return CDuiString(std::wstring(dir.begin(), dir.end()));
  }
  bool FirstRowFinished() {
    auto* list = dynamic_cast<CContainerUI*>(m_PaintManager.FindControl(L"down_list_tab"));
    auto* row =
        list && list->GetCount() > 0 ? dynamic_cast<CContainerUI*>(list->GetItemAt(0)) : nullptr;
    CControlUI* finished = row ? row->FindSubControl(L"finish_layout") : nullptr;
    return finished != nullptr && finished->IsVisible();
  }
  // Asks for the whole window to be drawn again, as every change did once.
  void InvalidateWindow() { m_PaintManager.Invalidate(); }
  // Shows the first rows (the list keeps its newest row in view).
  void ScrollToTop() {
    if (auto* list = dynamic_cast<CVerticalLayoutUI*>(m_PaintManager.FindControl(L"down_list_tab")))
      list->SetScrollPos(0);
  }
  // Whether the row at index is drawn: inside the list's visible area.
  bool RowInView(int index) {
    auto* list = dynamic_cast<CContainerUI*>(m_PaintManager.FindControl(L"down_list_tab"));
    CControlUI* row = list && list->GetCount() > index ? list->GetItemAt(index) : nullptr;
    if (row == nullptr || !row->IsVisible()) return false;
    const RECT r = row->GetPos(), l = list->GetPos();
    return r.top < l.bottom && r.bottom > l.top && r.left < l.right && r.right > l.left;
  }
};

double ThreadCpuSeconds() {
  timespec ts{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return ts.tv_sec + ts.tv_nsec / 1e9;
}

// Shows the list window with one 256 MiB job and measures the main thread's
// CPU time against the wall time until the row shows the finished download.
void MeasureWindow(const HttpServer& server, const fs::path& dir) {
  if (getenv("DISPLAY") == nullptr) {
    std::printf("window: skipped (no display)\n");
    return;
  }
  platform::InitMainThread();
  CPaintManagerUI::SetInstance(nullptr);
  auto* dialog = new ProbeDialog;  // lives until the process ends, as in the client
  dialog->Create(nullptr, L"下载", WS_VISIBLE | WS_OVERLAPPEDWINDOW, 0, 0, CW_USEDEFAULT,
                 CW_USEDEFAULT, CW_USEDEFAULT);
  dialog->CenterWindow();
  dialog->ShowWindow(true, true);

  const fs::path target = dir / "window.bin";
  std::atomic<bool> done{false};
  const double cpu_start = ThreadCpuSeconds();
  const auto wall_start = std::chrono::steady_clock::now();
  std::thread watcher([&] {
    while (!done) {
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
      platform::RunOnMainThread([&] {
        if (dialog->FirstRowFinished()) done = true;
      });
    }
    platform::PostToMainThread([] { platform::QuitMessageLoop(); });
  });
  dialog->AddDownload(
      {target.wstring(), server.Url("/bytes/" + std::to_string(kSize)), L"window.bin"});
  platform::RunMessageLoop();
  watcher.join();
  const double wall = Seconds(std::chrono::steady_clock::now() - wall_start);
  const double cpu = ThreadCpuSeconds() - cpu_start;
  std::printf(
      "window: 256 MiB in %.2f s with progress shown; main thread busy %.2f%% of the time "
      "(%.1f ms CPU)\n",
      wall, 100.0 * cpu / wall, cpu * 1000.0);
}

// Draws now whatever of the window is waiting to be drawn.
void DrawPending(HWND hwnd) {
  platform::NativeWindow* window = platform::LookupWindow(hwnd);
  GtkWidget* widget = window ? static_cast<GtkWidget*>(window->NativeHandle()) : nullptr;
  GdkWindow* gdk = widget ? gtk_widget_get_window(widget) : nullptr;
  if (gdk == nullptr) return;
  G_GNUC_BEGIN_IGNORE_DEPRECATIONS
  gdk_window_process_updates(gdk, TRUE);
  G_GNUC_END_IGNORE_DEPRECATIONS
  gdk_display_flush(gdk_window_get_display(gdk));
}

// The list window with 1,000 rows (6 transfers held by the server, the rest
// waiting): the main thread's CPU time for one progress report of a visible
// row until it is drawn, against the same report followed by a drawing of
// the whole window.
void MeasureRowRepaint(HttpServer& server) {
  if (getenv("DISPLAY") == nullptr) {
    std::printf("row repaint: skipped (no display)\n");
    return;
  }
  constexpr int kRows = 1000;
  constexpr int kReports = 300;
  auto* dialog = new ProbeDialog;  // lives until the process ends, as in the client
  dialog->Create(nullptr, L"下载", WS_VISIBLE | WS_OVERLAPPEDWINDOW, 0, 0, CW_USEDEFAULT,
                 CW_USEDEFAULT, CW_USEDEFAULT);
  dialog->CenterWindow();
  dialog->ShowWindow(true, true);
  const fs::path dir = fs::temp_directory_path() / ("qdl-rows-" + std::to_string(getpid()));
  fs::create_directories(dir);
  for (int i = 0; i < kRows; ++i) {
    dialog->AddDownload({(dir / ("r" + std::to_string(i))).wstring(),
                         server.Url("/bytes/1000?hold=1&row=" + std::to_string(i)),
                         L"row " + std::to_wstring(i) + L".zip"});
  }
  // Until the window has settled: shown, laid out and drawn; then row 2,
  // whose reports are measured, in view (a row out of view costs nothing).
  const auto settle = std::chrono::steady_clock::now() + std::chrono::seconds(2);
  while (std::chrono::steady_clock::now() < settle) g_main_context_iteration(nullptr, FALSE);
  dialog->ScrollToTop();
  DrawPending(dialog->GetHWND());
  if (!dialog->RowInView(2)) {
    std::printf("progress report: the measured row is out of view; no figure\n");
    bench::ReportTarget("progress report with " + std::to_string(kRows) + " rows (row in view)",
                        1e9, bench::Bound::kAtMost, 0.15, " ms", 3);
    dialog->CancelDownloads(std::chrono::seconds(5));
    server.Release();
    fs::remove_all(dir);
    return;
  }

  auto measure = [&](bool whole_window) {
    DrawPending(dialog->GetHWND());
    const double start = ThreadCpuSeconds();
    for (int n = 1; n <= kReports; ++n) {
      dialog->UpdateProgress(static_cast<ULONG>(n) * 1000, kReports * 1000 + 1, 2);
      if (whole_window) dialog->InvalidateWindow();
      DrawPending(dialog->GetHWND());
    }
    return (ThreadCpuSeconds() - start) / kReports * 1000.0;
  };
  // Alternating, best of three rounds each.
  double row = 1e9, whole = 1e9;
  for (int round = 0; round < 3; ++round) {
    row = std::min(row, measure(false));
    whole = std::min(whole, measure(true));
  }
  std::printf(
      "progress report with %d rows: %.3f ms main thread (whole-window repaint %.3f ms, ratio "
      "%.2f)\n",
      kRows, row, whole, row / whole);
  bench::ReportTarget("progress report with " + std::to_string(kRows) + " rows", row,
                      bench::Bound::kAtMost, 0.15, " ms", 3);
  dialog->CancelDownloads(std::chrono::seconds(5));
  server.Release();
  fs::remove_all(dir);
}

// The client itself, started with a page that follows slide links to files
// of the loopback server one after another, the save dialogs answered: the
// body bytes the server sent per download, against the file's size (which is
// all a download should cost it).
void MeasureBytesPerDownload(HttpServer& server, const fs::path& dir) {
  if (getenv("DISPLAY") == nullptr) {
    std::printf("bytes per download: skipped (no display)\n");
    return;
  }
  constexpr int kLinks = 5;
  constexpr unsigned long long kFile = 8ull * 1024 * 1024;
  const fs::path root = dir / "client";
  const fs::path saved = root / "saved";
  const fs::path data = root / "data" / "vexalio";
  fs::create_directories(data / "contentEditor");
  fs::create_directories(saved);
  for (const char* sub : {"home", "config", "cache", "runtime"}) fs::create_directories(root / sub);
  fs::permissions(root / "runtime", fs::perms::owner_all, fs::perm_options::replace);
  // No update service answers.
  std::ofstream(data / "version.ini") << "[versionInformation]\ncloudHost=http://127.0.0.1:9/\n";
  std::string links;
  {
    std::ofstream answers(root / "answers");
    for (int i = 0; i < kLinks; ++i) {
      const std::wstring url = server.Url("/bytes/" + std::to_string(kFile) +
                                          "?n=" + std::to_string(i) + "&at=/slide/download/f.bin");
      links += "'" + std::string(url.begin(), url.end()) + "',";
      answers << (saved / ("f" + std::to_string(i) + ".bin")).string() << "\n";
    }
  }
  std::ofstream(data / "contentEditor" / "index.html")
      << "<!doctype html><html><head><meta charset=\"utf-8\"><title>Start</title></head><body>"
         "<a id=\"l\" href=\"#\">link</a><script>\nvar links = ["
      << links
      << "], next = 0;\nfunction follow() {\n  if (next >= links.length) return;\n"
         "  var a = document.getElementById('l'); a.href = links[next++]; a.click();\n"
         "  setTimeout(follow, 200);\n}\naddEventListener('load', function () { "
         "setTimeout(follow, 200); });\n</script></body></html>\n";
  std::vector<std::string> env = bench::PrivateEnvironment(root);
  env.push_back("QUORBITAL_DIALOG_ANSWERS=" + (root / "answers").string());
  const std::string client =
      (fs::read_symlink("/proc/self/exe").parent_path().parent_path() / "quorbital").string();
  server.SentBytes();  // counts from here
  const pid_t pid = bench::SpawnGroup({client}, env);
  if (pid == 0) {
    std::printf("bytes per download: the client does not start\n");
    return;
  }
  auto all_saved = [&] {
    for (int i = 0; i < kLinks; ++i) {
      std::error_code ec;
      if (fs::file_size(saved / ("f" + std::to_string(i) + ".bin"), ec) != kFile) return false;
    }
    return true;
  };
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);
  while (!all_saved() && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  const bool done = all_saved();
  bench::StopGroup(pid);
  if (!done) {
    std::printf("bytes per download: the client did not save all %d files\n", kLinks);
    return;
  }
  const double per_download = static_cast<double>(server.SentBytes()) / kLinks;
  std::printf("bytes sent per download: %.0f for a file of %llu (%d links followed)\n",
              per_download, kFile, kLinks);
  bench::ReportTarget("bytes sent per download / file size", per_download / kFile,
                      bench::Bound::kAtMost, 1.0, "", 3);
}

}  // namespace

int main() {
  const fs::path dir = fs::temp_directory_path() / ("qdl-bench-" + std::to_string(getpid()));
  fs::create_directories(dir);
  {
    HttpServer server({"--log", dir / "server.log"});
    if (server.port() == 0) {
      std::fprintf(stderr, "cannot start the loopback server\n");
      return 1;
    }
    // The throughput comes from a native sender: the tests' server spends
    // a core of its own building each piece and would set the pace.
    bench::ByteSender sender(kSize);
    const std::string url8 = sender.Url();
    const std::wstring url(url8.begin(), url8.end());
    std::vector<double> curl_times, our_times;
    int calls = 0;
    for (int round = 0; round < kRounds; ++round) {
      double c = TimeCurl(url8, (dir / "curl.bin").string());
      double o = TimeOurs(url, (dir / "ours.bin").wstring(), &calls);
      if (c <= 0 || o <= 0) {
        std::fprintf(stderr, "round %d failed (curl %.3f, ours %.3f)\n", round, c, o);
        return 1;
      }
      curl_times.push_back(c);
      our_times.push_back(o);
      fs::remove(dir / "curl.bin");
      fs::remove(dir / "ours.bin");
    }
    std::sort(curl_times.begin(), curl_times.end());
    std::sort(our_times.begin(), our_times.end());
    const double mib = kSize / 1048576.0;
    const double curl_best = curl_times.front(), ours_best = our_times.front();
    const double curl_median = curl_times[kRounds / 2], ours_median = our_times[kRounds / 2];
    std::printf("download 256 MiB from 127.0.0.1, %d rounds each, alternating\n", kRounds);
    std::printf("curl -o:            best %.0f MiB/s, median %.0f MiB/s\n", mib / curl_best,
                mib / curl_median);
    std::printf("URLDownloadToFileW: best %.0f MiB/s, median %.0f MiB/s (%d progress reports)\n",
                mib / ours_best, mib / ours_median, calls);
    std::printf("ratio ours/curl:    best %.2f, median %.2f\n", curl_best / ours_best,
                curl_median / ours_median);
    bench::ReportTarget("download throughput / curl -o (median)", curl_median / ours_median,
                        bench::Bound::kAtLeast, 0.95);
    if (!MeasureDrop(server, dir)) return 1;
    MeasureWindow(server, dir);
    MeasureRowRepaint(server);
    MeasureBytesPerDownload(server, dir);
  }
  fs::remove_all(dir);
  return 0;
}
