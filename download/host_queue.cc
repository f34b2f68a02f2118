// The per-host queue of download jobs.
#include "download/host_queue.h"

#include <algorithm>

#include "platform/unicode_text.h"
#include "platform/url_fetch.h"

std::wstring HostOf(const std::wstring& url) {
  const std::string origin = platform::UrlOrigin(platform::UrlForTransfer(url));
  return origin.empty() ? url : platform::Utf8ToWide(origin);
}

bool HostQueue::Add(int job, const std::wstring& host) {
  Remove(job);  // a job is in the queue once
  Host& h = hosts_[host];
  host_of_[job] = host;
  if (static_cast<int>(h.running.size()) < kPerHost && h.waiting.empty()) {
    h.running.insert(job);
    return true;
  }
  h.waiting.push_back(job);
  return false;
}

std::vector<int> HostQueue::Remove(int job) {
  std::vector<int> start;
  auto found = host_of_.find(job);
  if (found == host_of_.end()) return start;
  Host& h = hosts_[found->second];
  host_of_.erase(found);
  h.running.erase(job);
  h.waiting.erase(std::remove(h.waiting.begin(), h.waiting.end(), job), h.waiting.end());
  while (static_cast<int>(h.running.size()) < kPerHost && !h.waiting.empty()) {
    start.push_back(h.waiting.front());
    h.running.insert(h.waiting.front());
    h.waiting.pop_front();
  }
  return start;
}
