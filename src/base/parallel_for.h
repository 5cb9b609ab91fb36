// The one worker pool: a loop whose iterations run on several threads.
#pragma once

#include <cstddef>
#include <functional>

namespace zub {

// Calls fn(i) once for every i in [0, n), on up to `threads` threads (at
// least one, never more than n). The calling thread is one of them, so
// threads == 1 runs the loop in place without starting a thread. Indices
// are handed out in increasing order as threads become free, so early
// indices start first. Returns when every call has returned. fn must be
// safe to call concurrently with itself.
void parallel_for(size_t n, size_t threads, const std::function<void(size_t)>& fn);

}  // namespace zub
