// A walk whose files are scanned on several threads while it goes on, with
// each file's result handed on in walk order, so a report does not depend
// on timing. At most kWindow files lie between the oldest one not yet
// handed on and the newest one walked, so pending paths and results stay
// bounded whatever the size of the tree.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "base/parallel_for.h"
#include "search/walk.h"

namespace zub {

struct OrderedScanCounts {
  uint64_t walked = 0;      // files the walk listed
  uint64_t non_source = 0;  // the walk's non-source skipped count
  uint64_t too_long = 0;    // paths over PATH_MAX the walk passed over
};

// Walks `roots` with `filter` on one thread while `workers` others scan.
// Each worker calls make_worker() once and then, for every file it takes,
// the returned callable with the path (std::string&&), which gives a
// std::optional<Result>. take(Result&) receives the results in walk order,
// one call at a time, on some worker's thread; it runs outside the lock that
// hands out work, so a slow take (output written to a full pipe) holds up
// no other worker until the window is full.
template <typename Result, typename MakeWorker, typename Take>
OrderedScanCounts scan_in_walk_order(const std::vector<std::string>& roots,
                                     const FileFilter& filter, size_t workers,
                                     MakeWorker&& make_worker, Take&& take);

namespace ordered_scan_detail {

template <typename Result, typename MakeWorker, typename Take>
class Pipeline {
 public:
  Pipeline(MakeWorker& make_worker, Take& take)
      : make_worker_(make_worker), take_(take), ring_(kWindow), ready_(kWindow, 0) {}

  OrderedScanCounts run(const std::vector<std::string>& roots, const FileFilter& filter,
                        size_t workers) {
    OrderedScanCounts counts;
    // Index 0 is handed out first, so the walk is under way before any
    // worker waits for it.
    parallel_for(workers + 1, workers + 1, [&](size_t k) {
      if (k == 0)
        counts.non_source = walk(roots, filter, counts.too_long);
      else
        work();
    });
    counts.walked = walked_;
    return counts;
  }

 private:
  static constexpr size_t kWindow = 1024;
  static constexpr size_t kBatch = 8;

  uint64_t walk(const std::vector<std::string>& roots, const FileFilter& filter,
                uint64_t& too_long) {
    const uint64_t non_source = walk_roots_each(
        roots, filter, [&](std::string&& path) { push(std::move(path)); }, &too_long);
    {
      std::lock_guard<std::mutex> lock(mu_);
      walk_done_ = true;
    }
    has_work_.notify_all();
    return non_source;
  }

  void push(std::string&& path) {
    std::unique_lock<std::mutex> lock(mu_);
    if (walked_ - handed_ >= kWindow)
      has_room_.wait(lock, [&] { return walked_ - handed_ <= kWindow / 2; });
    queue_.push_back(std::move(path));
    ++walked_;
    lock.unlock();
    has_work_.notify_one();
  }

  void work() {
    auto scan = make_worker_();
    std::vector<std::string> paths;
    std::vector<std::optional<Result>> results;
    std::vector<Result> done;  // taken out of the ring, being handed on
    for (;;) {
      uint64_t first = 0;
      {
        std::unique_lock<std::mutex> lock(mu_);
        has_work_.wait(lock, [&] { return !queue_.empty() || walk_done_; });
        if (queue_.empty()) return;
        const size_t n = queue_.size() < kBatch ? queue_.size() : kBatch;
        first = taken_;
        taken_ += n;
        paths.clear();
        for (size_t k = 0; k < n; ++k) {
          paths.push_back(std::move(queue_.front()));
          queue_.pop_front();
        }
      }
      results.clear();
      for (std::string& path : paths) results.push_back(scan(std::move(path)));
      std::unique_lock<std::mutex> lock(mu_);
      for (size_t k = 0; k < results.size(); ++k) {
        if (results[k])
          ring_[(first + k) % kWindow] = std::make_unique<Result>(std::move(*results[k]));
        ready_[(first + k) % kWindow] = 1;
      }
      // One thread hands results on at a time; one that finds another at it
      // goes back to scanning, and the one handing looks again before it
      // stops, so these are handed on too.
      if (handing_) continue;
      handing_ = true;
      while (ready_[popped_ % kWindow]) {
        done.clear();
        for (; ready_[popped_ % kWindow]; ++popped_) {
          std::unique_ptr<Result>& slot = ring_[popped_ % kWindow];
          if (slot) done.push_back(std::move(*slot));
          slot.reset();
          ready_[popped_ % kWindow] = 0;
        }
        lock.unlock();
        for (Result& r : done) take_(r);
        lock.lock();
        // A file counts against the window until it is handed on, so that
        // results waiting for a slow take stay bounded too. The walk waits
        // for half the window to drain rather than for every single slot,
        // so it and the workers do not wake each other per file.
        handed_ = popped_;
        if (walked_ - handed_ <= kWindow / 2) has_room_.notify_one();
      }
      handing_ = false;
    }
  }

  MakeWorker& make_worker_;
  Take& take_;
  std::mutex mu_;
  std::condition_variable has_work_, has_room_;
  std::deque<std::string> queue_;  // walked, not yet taken; the front is file number taken_
  uint64_t taken_ = 0, walked_ = 0, handed_ = 0;
  uint64_t popped_ = 0;   // files taken out of the ring (handed_ once handed on)
  bool handing_ = false;  // some worker is handing results on
  bool walk_done_ = false;
  // File i's result at i % kWindow. Most files have none: a slot holds a
  // pointer, not a result, so the window costs little memory of its own.
  std::vector<std::unique_ptr<Result>> ring_;
  std::vector<uint8_t> ready_;
};

}  // namespace ordered_scan_detail

template <typename Result, typename MakeWorker, typename Take>
OrderedScanCounts scan_in_walk_order(const std::vector<std::string>& roots,
                                     const FileFilter& filter, size_t workers,
                                     MakeWorker&& make_worker, Take&& take) {
  ordered_scan_detail::Pipeline<Result, std::remove_reference_t<MakeWorker>,
                                std::remove_reference_t<Take>>
      p(make_worker, take);
  return p.run(roots, filter, workers);
}

}  // namespace zub
