// The per-host queue of download jobs: at most six transfers to one scheme,
// host and port, the others started in the order they were added.
#include "download/host_queue.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

TEST(HostQueue, SixRunPerHostAndTheRestStartInOrder) {
  HostQueue queue;
  const std::wstring a = HostOf(L"http://example.com:8765/slide/download/1.zip");
  for (int job = 1; job <= 6; ++job) EXPECT_TRUE(queue.Add(job, a)) << job;
  EXPECT_FALSE(queue.Add(7, a));
  EXPECT_FALSE(queue.Add(8, a));
  // Another port, scheme or host is another queue.
  EXPECT_TRUE(queue.Add(20, HostOf(L"http://example.com:8766/x")));
  EXPECT_TRUE(queue.Add(21, HostOf(L"https://example.com:8765/x")));
  EXPECT_TRUE(queue.Add(22, HostOf(L"http://other.example.com:8765/x")));

  EXPECT_EQ(queue.Remove(3), std::vector<int>{7});
  EXPECT_EQ(queue.Remove(20), std::vector<int>{});  // its own host had no one waiting
  EXPECT_EQ(queue.Remove(1), std::vector<int>{8});
  EXPECT_EQ(queue.Remove(2), std::vector<int>{});
  EXPECT_TRUE(queue.Add(9, a));  // a place is free again
}

TEST(HostQueue, AWaitingJobTakenOutNeverStartsAndAJobIsQueuedOnce) {
  HostQueue queue;
  const std::wstring a = HostOf(L"http://127.0.0.1:80/a");
  for (int job = 1; job <= 6; ++job) queue.Add(job, a);
  queue.Add(7, a);
  queue.Add(8, a);
  EXPECT_EQ(queue.Remove(7), std::vector<int>{});  // cancelled while it waited
  EXPECT_EQ(queue.Remove(1), std::vector<int>{8});
  EXPECT_EQ(queue.Remove(7), std::vector<int>{});  // unknown now: nothing happens
  // Added again (a retry), a job does not hold two places.
  EXPECT_TRUE(queue.Add(2, a));
  EXPECT_FALSE(queue.Add(9, a));
  EXPECT_EQ(queue.Remove(2), std::vector<int>{9});
}

TEST(HostQueue, HostsAreToldApartBySchemeHostAndPortOnly) {
  EXPECT_EQ(HostOf(L"HTTP://User:pw@Example.COM:8080/a/b?c#d"), L"http://example.com:8080");
  EXPECT_EQ(HostOf(L"http://example.com"), L"http://example.com:80");
  EXPECT_EQ(HostOf(L"https://example.com/"), L"https://example.com:443");
  EXPECT_EQ(HostOf(L"http://example.com?q=1"), L"http://example.com:80");
  EXPECT_EQ(HostOf(L"no url"), L"no url");
}

}  // namespace
