#include "base/parallel_for.h"

#include <algorithm>
#include <atomic>
#include <thread>
#include <vector>

namespace zub {

void parallel_for(size_t n, size_t threads, const std::function<void(size_t)>& fn) {
  if (n == 0) return;
  std::atomic<size_t> next{0};
  auto loop = [&] {
    for (size_t i = next.fetch_add(1); i < n; i = next.fetch_add(1)) fn(i);
  };
  const size_t extra = std::min(std::max<size_t>(threads, 1), n) - 1;
  std::vector<std::thread> pool;
  pool.reserve(extra);
  for (size_t t = 0; t < extra; ++t) pool.emplace_back(loop);
  loop();
  for (std::thread& t : pool) t.join();
}

}  // namespace zub
