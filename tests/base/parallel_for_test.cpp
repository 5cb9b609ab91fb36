#include "base/parallel_for.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

namespace zub {
namespace {

TEST(ParallelFor, EveryIndexOnceOnBoundedThreads) {
  for (size_t threads : {size_t{0}, size_t{1}, size_t{3}, size_t{64}}) {
    const size_t n = 1000;
    std::vector<std::atomic<int>> calls(n);
    std::mutex mu;
    std::set<std::thread::id> ids;
    parallel_for(n, threads, [&](size_t i) {
      calls[i].fetch_add(1);
      std::lock_guard<std::mutex> lock(mu);
      ids.insert(std::this_thread::get_id());
    });
    for (size_t i = 0; i < n; ++i)
      ASSERT_EQ(calls[i].load(), 1) << "index " << i << ", threads " << threads;
    EXPECT_LE(ids.size(), std::max<size_t>(threads, 1));
    if (threads <= 1) {
      EXPECT_EQ(*ids.begin(), std::this_thread::get_id());
    }
  }

  // Never more threads than iterations; nothing at all for an empty loop.
  std::set<std::thread::id> ids;
  std::mutex mu;
  parallel_for(2, 16, [&](size_t) {
    std::lock_guard<std::mutex> lock(mu);
    ids.insert(std::this_thread::get_id());
  });
  EXPECT_LE(ids.size(), 2u);
  bool called = false;
  parallel_for(0, 4, [&](size_t) { called = true; });
  EXPECT_FALSE(called);
}

TEST(ParallelFor, IterationsRunAtTheSameTime) {
  // Each of two iterations waits for the other to start: only a pool that
  // really runs them side by side gets both to see the other.
  std::atomic<int> started{0};
  std::atomic<int> saw_other{0};
  parallel_for(2, 2, [&](size_t) {
    started.fetch_add(1);
    const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (started.load() < 2 && std::chrono::steady_clock::now() < give_up)
      std::this_thread::yield();
    if (started.load() == 2) saw_other.fetch_add(1);
  });
  EXPECT_EQ(saw_other.load(), 2);
}

}  // namespace
}  // namespace zub
