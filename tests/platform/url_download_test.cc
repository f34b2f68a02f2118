// URLDownloadToFileW against a loopback HTTP server: progress reports, the
// unnamed file and its naming, bounds, and that failures, stops and kills
// leave the target alone and nothing else behind.
#include "platform/url_download.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <thread>

#include "platform/download_file.h"
#include "platform/windows.h"
#include "tests/support/http_server.h"

namespace fs = std::filesystem;

namespace {

using test_support::HttpServer;
using test_support::ServedByte;

struct Report {
  ULONG progress;
  ULONG total;
  ULONG status;
  std::chrono::steady_clock::time_point when;
  std::thread::id thread;
  bool target_existed;  // whether a regular file stood at the watched path
};

class RecordingSink : public IBindStatusCallback {
 public:
  HRESULT QueryInterface(REFIID, void**) override { return E_NOTIMPL; }
  ULONG AddRef() override { return 0; }
  ULONG Release() override { return 0; }
  HRESULT OnStartBinding(DWORD, IBinding*) override { return E_NOTIMPL; }
  HRESULT GetPriority(LONG*) override { return E_NOTIMPL; }
  HRESULT OnLowResource(DWORD) override { return E_NOTIMPL; }
  HRESULT OnProgress(ULONG progress, ULONG total, ULONG status, LPCWSTR) override {
    std::error_code ec;
    reports.push_back({progress, total, status, std::chrono::steady_clock::now(),
                       std::this_thread::get_id(),
                       !watched.empty() && fs::is_regular_file(watched, ec)});
    if (on_report) on_report();
    return abort_after >= 0 && static_cast<int>(reports.size()) > abort_after ? E_ABORT : S_OK;
  }
  HRESULT OnStopBinding(HRESULT, LPCWSTR) override { return E_NOTIMPL; }
  HRESULT GetBindInfo(DWORD*, BINDINFO*) override { return E_NOTIMPL; }
  HRESULT OnDataAvailable(DWORD, DWORD, FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
  HRESULT OnObjectAvailable(REFIID, IUnknown*) override { return E_NOTIMPL; }

  std::vector<Report> reports;
  int abort_after = -1;
  fs::path watched;
  std::function<void()> on_report;
};

// How many descriptors of this process point at folder or into it.
int DescriptorsInto(const fs::path& folder) {
  int count = 0;
  for (const auto& entry : fs::directory_iterator("/proc/self/fd")) {
    std::error_code ec;
    const std::string target = fs::read_symlink(entry.path(), ec).string();
    if (!ec && (target == folder.string() || target.rfind(folder.string() + "/", 0) == 0)) ++count;
  }
  return count;
}

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

class UrlDownload : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("qdl-" + std::to_string(getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    server_ = std::make_unique<HttpServer>(std::vector<std::string>{"--log", dir_ / "server.log"});
    ASSERT_NE(server_->port(), 0);
    fs::create_directories(dir_ / "out");
  }
  void TearDown() override {
    platform::SetUnnamedDownloadFilesForTesting(true);
    server_.reset();
    fs::remove_all(dir_);
  }
  std::wstring Target(const std::string& name) const { return (dir_ / "out" / name).wstring(); }
  // Names in the output folder: a temporary file left behind shows up here.
  std::vector<std::string> OutputNames() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir_ / "out"))
      names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    return names;
  }
  void ExpectServedBytes(const std::wstring& path, size_t size) {
    std::string data = ReadFile(fs::path(path));
    ASSERT_EQ(data.size(), size);
    for (size_t i = 0; i < size; ++i) {
      if (static_cast<unsigned char>(data[i]) != ServedByte(i))
        FAIL() << "byte " << i << " differs";
    }
  }

  fs::path dir_;
  std::unique_ptr<HttpServer> server_;
};

TEST_F(UrlDownload, WholeBodyArrivesWithThrottledProgressOnTheCallingThread) {
  RecordingSink sink;
  const std::wstring target = Target("slides.zip");
  // 1 MiB in 32 pieces 20 ms apart: far more pieces than reports allowed.
  HRESULT hr =
      URLDownloadToFileW(nullptr, server_->Url("/bytes/1048576?chunk=32768&pause=0.02").c_str(),
                         target.c_str(), 0, &sink);
  ASSERT_EQ(hr, S_OK);
  ExpectServedBytes(target, 1048576);
  EXPECT_EQ(OutputNames(), std::vector<std::string>{"slides.zip"});

  ASSERT_GE(sink.reports.size(), 3u);
  EXPECT_LT(sink.reports.size(), 20u);
  ULONG last = 0;
  for (size_t i = 0; i < sink.reports.size(); ++i) {
    const Report& r = sink.reports[i];
    EXPECT_EQ(r.total, 1048576u);
    EXPECT_GE(r.progress, last);
    EXPECT_EQ(r.thread, std::this_thread::get_id());
    last = r.progress;
    if (i > 0 && i + 1 < sink.reports.size()) {
      EXPECT_GE(r.when - sink.reports[i - 1].when, std::chrono::milliseconds(45));
      EXPECT_LT(r.progress, r.total);
    }
  }
  EXPECT_EQ(sink.reports.front().status, BINDSTATUS_BEGINDOWNLOADDATA);
  EXPECT_EQ(sink.reports.back().status, BINDSTATUS_ENDDOWNLOADDATA);
  EXPECT_EQ(sink.reports.back().progress, 1048576u);

  struct stat st {};
  ASSERT_EQ(stat(fs::path(target).c_str(), &st), 0);
  mode_t mask = umask(022);
  umask(mask);
  EXPECT_EQ(st.st_mode & 0777, 0666 & ~mask);
}

TEST_F(UrlDownload, ProgressHeldBackByTheIntervalIsReportedDuringAPause) {
  RecordingSink sink;
  const std::wstring target = Target("half.bin");
  ASSERT_EQ(
      URLDownloadToFileW(nullptr, server_->Url("/bytes/1048576?chunk=524288&pause=1.2").c_str(),
                         target.c_str(), 0, &sink),
      S_OK);
  bool saw_half = false;
  for (const Report& r : sink.reports) saw_half = saw_half || r.progress == 524288u;
  EXPECT_TRUE(saw_half);
}

TEST_F(UrlDownload, BodyWithoutLengthReportsItsRealSizeOnceInPlace) {
  RecordingSink sink;
  const std::wstring target = Target("notes.pdf");
  sink.watched = fs::path(target);
  ASSERT_EQ(URLDownloadToFileW(nullptr, server_->Url("/nolength/300000").c_str(), target.c_str(), 0,
                               &sink),
            S_OK);
  ExpectServedBytes(target, 300000);
  ASSERT_GE(sink.reports.size(), 2u);
  for (size_t i = 0; i + 1 < sink.reports.size(); ++i) EXPECT_EQ(sink.reports[i].total, 0u);
  const Report& last = sink.reports.back();
  EXPECT_EQ(last.status, BINDSTATUS_ENDDOWNLOADDATA);
  EXPECT_EQ(last.progress, 300000u);
  EXPECT_EQ(last.total, 300000u);
  EXPECT_TRUE(last.target_existed);
}

TEST_F(UrlDownload, FinishedIsReportedOnlyOnceTheFileIsInPlace) {
  // Both ways of writing: an unnamed file, and the hidden name used where
  // the file system has no unnamed files.
  for (const bool unnamed : {true, false}) {
    SCOPED_TRACE(unnamed ? "unnamed file" : "hidden name");
    platform::SetUnnamedDownloadFilesForTesting(unnamed);
    for (const char* name : {"new.bin", "new.bin"}) {  // the second replaces the first
      RecordingSink sink;
      const std::wstring target = Target(name);
      sink.watched = fs::path(target);
      if (fs::exists(sink.watched)) std::ofstream(sink.watched) << "old";
      ASSERT_EQ(
          URLDownloadToFileW(nullptr, server_->Url("/bytes/300000?chunk=100000&pause=0.06").c_str(),
                             target.c_str(), 0, &sink),
          S_OK);
      ExpectServedBytes(target, 300000);
      ASSERT_FALSE(sink.reports.empty());
      for (size_t i = 0; i + 1 < sink.reports.size(); ++i)
        EXPECT_LT(sink.reports[i].progress, sink.reports[i].total);
      EXPECT_EQ(sink.reports.back().progress, 300000u);
      EXPECT_EQ(sink.reports.back().total, 300000u);
      EXPECT_TRUE(sink.reports.back().target_existed);
      EXPECT_EQ(OutputNames(), std::vector<std::string>{"new.bin"});
    }

    // A folder where the file should go: the body arrives whole, but the
    // file cannot take the name, and nothing says it finished.
    fs::create_directories(dir_ / "out" / "taken");
    RecordingSink sink;
    EXPECT_EQ(URLDownloadToFileW(nullptr, server_->Url("/bytes/300000").c_str(),
                                 Target("taken").c_str(), 0, &sink),
              STG_E_WRITEFAULT);
    EXPECT_TRUE(fs::is_directory(dir_ / "out" / "taken"));
    EXPECT_TRUE(fs::is_empty(dir_ / "out" / "taken"));
    for (const Report& r : sink.reports) EXPECT_LT(r.progress, r.total);
    EXPECT_EQ(OutputNames(), (std::vector<std::string>{"new.bin", "taken"}));
    fs::remove_all(dir_ / "out");
    fs::create_directories(dir_ / "out");
  }
}

TEST_F(UrlDownload, NamesUpToTheFileSystemLimitDownload) {
  for (const size_t length : {250u, 255u}) {
    const std::string name = std::string(length - 4, 'n') + ".pdf";
    const std::wstring target = Target(name);
    std::ofstream(fs::path(target)) << "old";
    ASSERT_EQ(URLDownloadToFileW(nullptr, server_->Url("/bytes/5000").c_str(), target.c_str(), 0,
                                 nullptr),
              S_OK)
        << length;
    ExpectServedBytes(target, 5000);
    EXPECT_EQ(OutputNames(), std::vector<std::string>{name});
    fs::remove(fs::path(target));
  }
}

TEST_F(UrlDownload, BoundsOnSizeTimeAndAStopRequest) {
  const std::wstring target = Target("keep.txt");
  std::ofstream(fs::path(target), std::ios::binary) << "old";
  auto download = [&](const std::string& path, const platform::UrlDownloadBounds& bounds) {
    return platform::DownloadUrlToFile(server_->Url(path).c_str(), target.c_str(), nullptr, bounds);
  };
  platform::UrlDownloadBounds size;
  size.max_bytes = 100000;
  EXPECT_EQ(download("/bytes/100001", size), INET_E_DOWNLOAD_FAILURE);
  EXPECT_EQ(download("/nolength/100001?chunk=10000", size), INET_E_DOWNLOAD_FAILURE);
  EXPECT_EQ(ReadFile(fs::path(target)), "old");
  EXPECT_EQ(download("/nolength/100000", size), S_OK);
  ExpectServedBytes(target, 100000);

  platform::UrlDownloadBounds time;
  time.time_limit = std::chrono::milliseconds(300);
  EXPECT_EQ(download("/bytes/10?delay=3", time), INET_E_CANNOT_CONNECT);

  // A stop request reaches a download that waits on a silent server.
  std::atomic<bool> stop{false};
  platform::UrlDownloadBounds cancel;
  cancel.cancel = &stop;
  std::thread stopper([&] {
    // Once the server has the request, the download is waiting on it.
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(test_support::kEventWaitMs);
    while (std::chrono::steady_clock::now() < deadline) {
      const auto seen = server_->Requests();
      if (!seen.empty() && seen.back().find("pause=30") != std::string::npos) break;
      std::this_thread::sleep_for(std::chrono::milliseconds(5));  // the log is read again
    }
    stop = true;
  });
  const auto started = std::chrono::steady_clock::now();
  EXPECT_EQ(download("/bytes/1000?chunk=100&pause=30", cancel), E_ABORT);
  stopper.join();
  // Well before the server's next piece, 30 s later.
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(15));
  EXPECT_EQ(download("/bytes/10", cancel), E_ABORT);  // later downloads do not start
  ExpectServedBytes(target, 100000);
  EXPECT_EQ(OutputNames(), std::vector<std::string>{"keep.txt"});
}

TEST_F(UrlDownload, AStalledTryHasDroppedAndTheNextContinuesItsBytes) {
  const std::wstring target = Target("slow.bin");
  platform::PartialDownload partial;
  platform::UrlDownloadBounds bounds;
  bounds.stall = std::chrono::seconds(1);
  // 1000 bytes, then nothing for far longer than the stall time.
  const std::wstring url = server_->Url("/bytes/3000?chunk=1000&pause=30");
  platform::DownloadTry tried =
      platform::DownloadUrlTry(url.c_str(), target.c_str(), partial, nullptr, bounds);
  EXPECT_EQ(tried.end, platform::DownloadEnd::kDropped);
  EXPECT_EQ(partial.kept(), 1000u);
  EXPECT_FALSE(partial.IsSetAside());
  EXPECT_TRUE(OutputNames().empty()) << "the kept bytes have no name";
  // The rest comes as a part, continuing the kept bytes.
  const std::wstring rest = server_->Url("/bytes/3000");
  tried = platform::DownloadUrlTry(rest.c_str(), target.c_str(), partial, nullptr, bounds);
  EXPECT_EQ(tried.end, platform::DownloadEnd::kComplete);
  EXPECT_EQ(tried.status, 206);
  ExpectServedBytes(target, 3000);
  EXPECT_EQ(server_->Requests().back(), "/bytes/3000\tRange: bytes=1000-");
}

TEST_F(UrlDownload, BytesSetAsideHoldNothingOfTheFolderAndContinueLater) {
  fs::create_directories(dir_ / "aside");
  platform::UrlDownloadBounds bounds;
  bounds.stall = std::chrono::seconds(1);
  for (bool unnamed : {true, false}) {
    SCOPED_TRACE(unnamed ? "unnamed file" : "hidden name");
    platform::SetUnnamedDownloadFilesForTesting(unnamed);
    const std::wstring target = Target(unnamed ? "a.bin" : "b.bin");
    platform::PartialDownload partial;
    const std::wstring cut = server_->Url("/bytes/3000?chunk=1000&pause=30");
    ASSERT_EQ(platform::DownloadUrlTry(cut.c_str(), target.c_str(), partial, nullptr, bounds).end,
              platform::DownloadEnd::kDropped);
    EXPECT_EQ(DescriptorsInto(dir_ / "out"), 1) << "the kept file, and not its folder";
    ASSERT_TRUE(partial.SetAside((dir_ / "aside").string()));
    EXPECT_EQ(partial.kept(), 1000u);
    EXPECT_EQ(DescriptorsInto(dir_ / "out"), 0);
    EXPECT_TRUE(OutputNames().empty());
    EXPECT_TRUE(fs::is_empty(dir_ / "aside")) << "set aside without a name";
    // The next try puts them back and asks for the rest.
    const std::wstring rest = server_->Url("/bytes/3000");
    const platform::DownloadTry tried =
        platform::DownloadUrlTry(rest.c_str(), target.c_str(), partial, nullptr, bounds);
    EXPECT_EQ(tried.end, platform::DownloadEnd::kComplete);
    EXPECT_EQ(server_->Requests().back(), "/bytes/3000\tRange: bytes=1000-");
    ExpectServedBytes(target, 3000);
    EXPECT_EQ(DescriptorsInto(dir_ / "out") + DescriptorsInto(dir_ / "aside"), 0);
    fs::remove(fs::path(target));
  }
  // Bytes a server cannot continue are not worth keeping.
  platform::PartialDownload partial;
  const std::wstring plain = server_->Url("/bytes/3000?ranges=none&chunk=1000&pause=30");
  ASSERT_EQ(
      platform::DownloadUrlTry(plain.c_str(), Target("c.bin").c_str(), partial, nullptr, bounds)
          .end,
      platform::DownloadEnd::kDropped);
  EXPECT_FALSE(partial.SetAside((dir_ / "aside").string()));
  EXPECT_EQ(partial.kept(), 0u);
  EXPECT_EQ(DescriptorsInto(dir_ / "out"), 0);
  EXPECT_TRUE(OutputNames().empty());
}

TEST_F(UrlDownload, AKilledDownloadLeavesNothingBehind) {
  const std::wstring target = Target("keep.txt");
  std::ofstream(fs::path(target), std::ios::binary) << "old";
  int ready[2];
  ASSERT_EQ(pipe(ready), 0);
  const std::wstring url = server_->Url("/bytes/2000000?chunk=100000&pause=0.2");
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    // Tells the test once some of the body is written, then goes on.
    RecordingSink sink;
    sink.on_report = [&] {
      if (sink.reports.back().progress > 0) {
        const char c = 1;
        if (write(ready[1], &c, 1) != 1) _exit(2);
      }
    };
    URLDownloadToFileW(nullptr, url.c_str(), target.c_str(), 0, &sink);
    _exit(0);
  }
  close(ready[1]);
  char c = 0;
  EXPECT_EQ(read(ready[0], &c, 1), 1);
  close(ready[0]);
  kill(child, SIGKILL);
  int status = 0;
  waitpid(child, &status, 0);
  EXPECT_TRUE(WIFSIGNALED(status));
  EXPECT_EQ(ReadFile(fs::path(target)), "old");
  EXPECT_EQ(OutputNames(), std::vector<std::string>{"keep.txt"});
}

TEST_F(UrlDownload, BlanksAndNonAsciiTextInTheUrlAreSentEncoded) {
  const std::wstring target = Target("n.bin");
  ASSERT_EQ(URLDownloadToFileW(nullptr, server_->Url("/bytes/16?name=").append(L"课 件").c_str(),
                               target.c_str(), 0, nullptr),
            S_OK);
  ExpectServedBytes(target, 16);
  EXPECT_EQ(server_->Requests(), std::vector<std::string>{"/bytes/16?name=%E8%AF%BE%20%E4%BB%B6"});
}

TEST_F(UrlDownload, RedirectsAreFollowedWithTheirQuery) {
  const std::wstring target = Target("r.bin");
  ASSERT_EQ(URLDownloadToFileW(nullptr, server_->Url("/redirect/bytes/4096?a=1?skq=7").c_str(),
                               target.c_str(), 0, nullptr),
            S_OK);
  ExpectServedBytes(target, 4096);
  EXPECT_EQ(server_->Requests(),
            (std::vector<std::string>{"/redirect/bytes/4096?a=1?skq=7", "/bytes/4096?a=1?skq=7"}));
}

TEST_F(UrlDownload, FailuresLeaveAnExistingTargetUntouchedAndNoTemporaryFile) {
  const std::wstring target = Target("keep.txt");
  const std::string before = "the good file that stood here\n";
  std::ofstream(fs::path(target), std::ios::binary) << before;

  struct Case {
    std::string path;
    HRESULT expected;
    bool unnamed;
  };
  const std::vector<Case> cases = {
      {"/missing", INET_E_RESOURCE_NOT_FOUND, true},
      {"/drop/2000000", INET_E_DOWNLOAD_FAILURE, true},
      {"/drop/2000000?chunk=65536&pause=0.01", INET_E_DOWNLOAD_FAILURE, true},
      {"/missing", INET_E_RESOURCE_NOT_FOUND, false},
      {"/drop/2000000?chunk=65536&pause=0.01", INET_E_DOWNLOAD_FAILURE, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path + (c.unnamed ? "" : " (hidden name)"));
    platform::SetUnnamedDownloadFilesForTesting(c.unnamed);
    RecordingSink sink;
    EXPECT_EQ(URLDownloadToFileW(nullptr, server_->Url(c.path).c_str(), target.c_str(), 0, &sink),
              c.expected);
    EXPECT_EQ(ReadFile(fs::path(target)), before);
    EXPECT_EQ(OutputNames(), std::vector<std::string>{"keep.txt"});
    for (const Report& r : sink.reports) EXPECT_LT(r.progress, r.total);
  }

  platform::SetUnnamedDownloadFilesForTesting(true);

  // A closed port, a scheme other than HTTP(S), and a sink that stops the download.
  const int closed_port = server_->port();
  server_.reset();
  const std::string closed = "http://127.0.0.1:" + std::to_string(closed_port) + "/bytes/10";
  EXPECT_EQ(URLDownloadToFileW(nullptr, std::wstring(closed.begin(), closed.end()).c_str(),
                               target.c_str(), 0, nullptr),
            INET_E_CANNOT_CONNECT);
  const std::wstring local = L"file://" + target;
  EXPECT_TRUE(
      FAILED(URLDownloadToFileW(nullptr, local.c_str(), Target("copy.txt").c_str(), 0, nullptr)));
  EXPECT_EQ(ReadFile(fs::path(target)), before);
  EXPECT_EQ(OutputNames(), std::vector<std::string>{"keep.txt"});
}

TEST_F(UrlDownload, HttpsCertificatesAreChecked) {
  // A self-signed certificate is trusted by nobody on this system.
  const std::string cert = (dir_ / "cert.pem").string(), key = (dir_ / "key.pem").string();
  const std::string make =
      "openssl req -x509 -newkey rsa:2048 -nodes -subj /CN=127.0.0.1 -days 1 "
      "-keyout " +
      key + " -out " + cert + " >/dev/null 2>&1";
  if (std::system(make.c_str()) != 0) GTEST_SKIP() << "openssl cannot make a certificate here";
  HttpServer tls({"--log", dir_ / "tls.log", "--cert", cert, "--key", key});
  ASSERT_NE(tls.port(), 0);
  const std::wstring target = Target("keep.txt");
  std::ofstream(fs::path(target), std::ios::binary) << "old";
  const std::wstring url = tls.Url("/bytes/100");
  ASSERT_EQ(url.rfind(L"https://", 0), 0u);
  EXPECT_EQ(URLDownloadToFileW(nullptr, url.c_str(), target.c_str(), 0, nullptr),
            INET_E_DOWNLOAD_FAILURE);
  EXPECT_EQ(ReadFile(fs::path(target)), "old");
  EXPECT_EQ(OutputNames(), std::vector<std::string>{"keep.txt"});
}

TEST_F(UrlDownload, SinkCanStopTheDownload) {
  const std::wstring target = Target("keep.txt");
  std::ofstream(fs::path(target), std::ios::binary) << "old";
  RecordingSink sink;
  sink.abort_after = 1;
  EXPECT_EQ(
      URLDownloadToFileW(nullptr, server_->Url("/bytes/2000000?chunk=65536&pause=0.01").c_str(),
                         target.c_str(), 0, &sink),
      E_ABORT);
  EXPECT_EQ(ReadFile(fs::path(target)), "old");
  EXPECT_EQ(OutputNames(), std::vector<std::string>{"keep.txt"});
}

TEST_F(UrlDownload, BadArgumentsAndUnwritableTargets) {
  const std::wstring url = server_->Url("/bytes/10");
  EXPECT_EQ(URLDownloadToFileW(nullptr, nullptr, Target("a").c_str(), 0, nullptr), E_INVALIDARG);
  EXPECT_EQ(URLDownloadToFileW(nullptr, url.c_str(), nullptr, 0, nullptr), E_INVALIDARG);
  EXPECT_EQ(URLDownloadToFileW(nullptr, L"", Target("a").c_str(), 0, nullptr), E_INVALIDARG);
  EXPECT_EQ(URLDownloadToFileW(nullptr, url.c_str(), L"", 0, nullptr), E_INVALIDARG);
  EXPECT_EQ(URLDownloadToFileW(nullptr, L"not a url at all", Target("a").c_str(), 0, nullptr),
            E_INVALIDARG);
  EXPECT_TRUE(FAILED(
      URLDownloadToFileW(nullptr, url.c_str(), Target("no/such/dir/a").c_str(), 0, nullptr)));
  // A target that is a folder is never replaced by a file.
  fs::create_directories(dir_ / "out" / "folder");
  EXPECT_TRUE(
      FAILED(URLDownloadToFileW(nullptr, url.c_str(), Target("folder").c_str(), 0, nullptr)));
  EXPECT_TRUE(fs::is_directory(dir_ / "out" / "folder"));
  EXPECT_EQ(OutputNames(), std::vector<std::string>{"folder"});
}

}  // namespace
