// Starts tests/download/http_server.py on 127.0.0.1 for one test fixture and
// stops it again; the server appends each request target to a log file.
#pragma once

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

class TestHttpServer {
 public:
  // With a certificate and key the server speaks HTTPS.
  explicit TestHttpServer(const std::string& log_path, const std::string& cert = "",
                          const std::string& key = "")
      : log_path_(log_path), scheme_(cert.empty() ? "http" : "https") {
    int out[2];
    if (pipe(out) != 0) return;
    pid_ = fork();
    if (pid_ == 0) {
      dup2(out[1], STDOUT_FILENO);
      close(out[0]);
      close(out[1]);
      const std::string script =
          std::string(QUORBITAL_SOURCE_DIR) + "/tests/download/http_server.py";
      if (cert.empty()) {
        execlp("python3", "python3", script.c_str(), log_path_.c_str(),
               static_cast<char*>(nullptr));
      } else {
        execlp("python3", "python3", script.c_str(), log_path_.c_str(), cert.c_str(), key.c_str(),
               static_cast<char*>(nullptr));
      }
      _exit(127);
    }
    close(out[1]);
    FILE* in = fdopen(out[0], "r");
    if (in != nullptr) {
      if (std::fscanf(in, "%d", &port_) != 1) port_ = 0;
      std::fclose(in);
    }
  }
  ~TestHttpServer() {
    if (pid_ > 0) {
      kill(pid_, SIGTERM);
      waitpid(pid_, nullptr, 0);
    }
  }
  TestHttpServer(const TestHttpServer&) = delete;
  TestHttpServer& operator=(const TestHttpServer&) = delete;

  int port() const { return port_; }
  std::wstring Url(const std::string& path) const {
    std::string url = scheme_ + "://127.0.0.1:" + std::to_string(port_) + path;
    return std::wstring(url.begin(), url.end());
  }
  // Request targets seen so far, in order.
  std::vector<std::string> Requests() const {
    std::vector<std::string> lines;
    std::ifstream log(log_path_);
    for (std::string line; std::getline(log, line);) lines.push_back(line);
    return lines;
  }

 private:
  std::string log_path_;
  std::string scheme_;
  pid_t pid_ = -1;
  int port_ = 0;
};

// The byte the server sends at offset i.
inline unsigned char ServedByte(size_t i) { return static_cast<unsigned char>(i % 251); }
