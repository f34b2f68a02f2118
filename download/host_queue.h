// The order in which download jobs run: at most a few transfers to one host
// at a time (as browsers do, so a server is never flooded with connections),
// the others waiting in the order they were added.
#pragma once

#include <deque>
#include <map>
#include <set>
#include <string>
#include <vector>

// The host a URL's transfer connects to, as the queue tells hosts apart: its
// origin as the transfers read it ("http://127.0.0.1:8765", the default port
// written out, so "http://h" and "http://h:80" share a place); the whole
// text when it is no URL.
std::wstring HostOf(const std::wstring& url);

class HostQueue {
 public:
  static constexpr int kPerHost = 6;

  // A job to host: true when it may start now, false when it waits.
  bool Add(int job, const std::wstring& host);
  // A running job ended, or a job was taken out of the queue (cancelled
  // while it waited); returns the waiting jobs that may start now, in the
  // order they were added.
  std::vector<int> Remove(int job);

 private:
  struct Host {
    std::set<int> running;
    std::deque<int> waiting;
  };
  std::map<std::wstring, Host> hosts_;
  std::map<int, std::wstring> host_of_;
};
