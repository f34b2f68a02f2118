// Download throughput against `curl -o` from the same loopback server, and
// how busy the main thread is while the download list window shows a large
// download's progress.
#include <spawn.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "download/download_dialog.h"

// The repository root, from this file's place in it (bench/download_bench.cc).
static std::string SourceDir() {
  const std::string file = __FILE__;
  return file.substr(0, file.rfind("/bench/"));
}
#define QUORBITAL_SOURCE_DIR SourceDir()

#include "platform/main_thread.h"
#include "platform/windows.h"
#include "tests/support/http_server.h"

extern char** environ;

namespace fs = std::filesystem;

namespace {

using test_support::HttpServer;

constexpr unsigned long long kSize = 256ull * 1024 * 1024;
constexpr int kRounds = 5;

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
    const std::wstring url = server.Url("/bytes/" + std::to_string(kSize));
    const std::string url8(url.begin(), url.end());
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
    std::printf("ratio ours/curl:    best %.2f, median %.2f (target >= 0.9)\n",
                curl_best / ours_best, curl_median / ours_median);
    MeasureWindow(server, dir);
  }
  fs::remove_all(dir);
  return 0;
}
