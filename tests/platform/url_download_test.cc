// URLDownloadToFileW against a loopback HTTP server: progress reports, the
// temporary file and the rename, and that failures leave the target alone.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

#include "platform/windows.h"
#include "tests/download/test_http_server.h"

namespace fs = std::filesystem;

namespace {

struct Report {
  ULONG progress;
  ULONG total;
  ULONG status;
  std::chrono::steady_clock::time_point when;
  std::thread::id thread;
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
    reports.push_back(
        {progress, total, status, std::chrono::steady_clock::now(), std::this_thread::get_id()});
    return abort_after >= 0 && static_cast<int>(reports.size()) > abort_after ? E_ABORT : S_OK;
  }
  HRESULT OnStopBinding(HRESULT, LPCWSTR) override { return E_NOTIMPL; }
  HRESULT GetBindInfo(DWORD*, BINDINFO*) override { return E_NOTIMPL; }
  HRESULT OnDataAvailable(DWORD, DWORD, FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
  HRESULT OnObjectAvailable(REFIID, IUnknown*) override { return E_NOTIMPL; }

  std::vector<Report> reports;
  int abort_after = -1;
};

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
    server_ = std::make_unique<TestHttpServer>((dir_ / "server.log").string());
    ASSERT_NE(server_->port(), 0);
    fs::create_directories(dir_ / "out");
  }
  void TearDown() override {
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
  std::unique_ptr<TestHttpServer> server_;
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

TEST_F(UrlDownload, BodyWithoutLengthIsWrittenButReportsNoTotal) {
  RecordingSink sink;
  const std::wstring target = Target("notes.pdf");
  ASSERT_EQ(URLDownloadToFileW(nullptr, server_->Url("/nolength/300000").c_str(), target.c_str(), 0,
                               &sink),
            S_OK);
  ExpectServedBytes(target, 300000);
  ASSERT_FALSE(sink.reports.empty());
  for (const Report& r : sink.reports) EXPECT_EQ(r.total, 0u);
  EXPECT_EQ(sink.reports.back().progress, 300000u);
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
  };
  const std::vector<Case> cases = {
      {"/missing", INET_E_RESOURCE_NOT_FOUND},
      {"/drop/2000000", INET_E_DOWNLOAD_FAILURE},
      {"/drop/2000000?chunk=65536&pause=0.01", INET_E_DOWNLOAD_FAILURE},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    RecordingSink sink;
    EXPECT_EQ(URLDownloadToFileW(nullptr, server_->Url(c.path).c_str(), target.c_str(), 0, &sink),
              c.expected);
    EXPECT_EQ(ReadFile(fs::path(target)), before);
    EXPECT_EQ(OutputNames(), std::vector<std::string>{"keep.txt"});
    for (const Report& r : sink.reports) EXPECT_LT(r.progress, r.total);
  }

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
  TestHttpServer tls((dir_ / "tls.log").string(), cert, key);
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
