// A static file server on 127.0.0.1 for the updater's tests: serves one
// directory at a free port; a path under "/slow/" is served three seconds
// late, as a slow download. The server ends when its standard input closes,
// so it never outlives the test program, however that ends.
#pragma once

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

extern char** environ;

class StaticFileServer {
 public:
  explicit StaticFileServer(const std::string& dir) {
    int out[2], in[2];
    if (pipe(out) != 0) return;
    if (pipe(in) != 0) {
      close(out[0]);
      close(out[1]);
      return;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_adddup2(&actions, in[0], 0);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    posix_spawn_file_actions_addclose(&actions, in[1]);
    const char* argv[] = {"python3", "-c", kScript, dir.c_str(), nullptr};
    if (posix_spawnp(&pid_, "python3", &actions, nullptr, const_cast<char**>(argv), environ) != 0) {
      pid_ = -1;
    }
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    close(in[0]);
    input_ = in[1];
    std::string line;
    char c;
    while (pid_ > 0 && read(out[0], &c, 1) == 1 && c != '\n') line += c;
    close(out[0]);
    port_ = std::atoi(line.c_str());
  }
  ~StaticFileServer() {
    if (input_ >= 0) close(input_);
    if (pid_ > 0) {
      kill(pid_, SIGTERM);
      waitpid(pid_, nullptr, 0);
    }
  }
  StaticFileServer(const StaticFileServer&) = delete;
  StaticFileServer& operator=(const StaticFileServer&) = delete;

  int port() const { return port_; }
  // "http://127.0.0.1:<port>/"
  std::string Base() const { return "http://127.0.0.1:" + std::to_string(port_) + "/"; }

 private:
  static constexpr char kScript[] = R"PY(
import functools, http.server, sys, threading, time
class Quiet(http.server.SimpleHTTPRequestHandler):
    def log_message(self, *args):
        pass
    def do_GET(self):
        if self.path.startswith('/slow/'):
            time.sleep(3)
            self.path = self.path[5:]
        super().do_GET()
server = http.server.ThreadingHTTPServer(
    ('127.0.0.1', 0), functools.partial(Quiet, directory=sys.argv[1]))
print(server.server_address[1], flush=True)
threading.Thread(target=server.serve_forever, daemon=True).start()
sys.stdin.read()
)PY";

  pid_t pid_ = -1;
  int input_ = -1;
  int port_ = 0;
};
