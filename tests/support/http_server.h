// The loopback HTTP server of the C++ tests and benchmarks
// (tests/support/http_server.py, which lists its paths), for one test or
// fixture: started at a free port on 127.0.0.1, ended with the object.
#pragma once

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "tests/support/child_process.h"

namespace test_support {

class HttpServer {
 public:
  // options as the script takes them: {"--log", file}, {"--dir", dir},
  // {"--cert", file, "--key", file}, or several of these.
  explicit HttpServer(const std::vector<std::string>& options = {}) : process_(Command(options)) {
    for (size_t i = 0; i + 1 < options.size(); ++i) {
      if (options[i] == "--log") log_ = options[i + 1];
      if (options[i] == "--cert") scheme_ = "https";
    }
    port_ = std::atoi(process_.ReadLine().c_str());
  }

  int port() const { return port_; }
  // "http://127.0.0.1:<port>", to put a path starting with "/" after.
  std::string Base() const { return scheme_ + "://127.0.0.1:" + std::to_string(port_); }
  std::wstring Url(const std::string& path) const {
    const std::string url = Base() + path;
    return std::wstring(url.begin(), url.end());
  }
  // Request targets seen so far, in order (with a log file).
  std::vector<std::string> Requests() const {
    std::vector<std::string> lines;
    std::ifstream log(log_);
    for (std::string line; std::getline(log, line);) lines.push_back(line);
    return lines;
  }
  // Lets requests with hold=1 in their query go on.
  void Release() { process_.WriteLine("release"); }
  // The most response bodies that were being sent at once since the last
  // call (each until its last piece went out).
  int PeakTransfers() {
    process_.WriteLine("peak");
    return std::atoi(process_.ReadLine().c_str());
  }
  // The body bytes of /bytes/ (and /nolength/, /drop/) sent since the last
  // call.
  long long SentBytes() {
    process_.WriteLine("sent");
    return std::atoll(process_.ReadLine().c_str());
  }

 private:
  static std::vector<std::string> Command(const std::vector<std::string>& options) {
    std::vector<std::string> argv{
        "python3", std::string(QUORBITAL_SOURCE_DIR) + "/tests/support/http_server.py"};
    argv.insert(argv.end(), options.begin(), options.end());
    return argv;
  }

  ChildProcess process_;
  std::string log_;
  std::string scheme_ = "http";
  int port_ = 0;
};

// The byte the server sends at offset i.
inline unsigned char ServedByte(size_t i) { return static_cast<unsigned char>(i % 251); }

}  // namespace test_support
