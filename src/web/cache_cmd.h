// `zub cache`: the fetch cache's size and lifetime classes, clearing it,
// and which lifetime a URL gets and from where. Runs on the calling thread;
// a concurrent fetch may re-create the directory right after `clear`.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/output.h"

namespace zub {

enum class CacheAction { kStatus, kClear, kTtl };

struct CacheOptions {
  CacheAction action = CacheAction::kStatus;
  std::vector<std::string> urls;  // kTtl
};

// Always returns 0.
int cmd_cache(const CacheOptions& opts, Output& out);

// A lifetime as `cache ttl` shows it: "안함", "{m}분", "{h}시간" or "{d}일",
// rounded down. Pure.
std::string ttl_duration_text(uint64_t seconds);

}  // namespace zub
