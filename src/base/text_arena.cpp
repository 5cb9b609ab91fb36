#include "base/text_arena.h"

#include <cstring>
#include <utility>

namespace zub {

namespace {

// Small strings share chunks of this size; a larger one gets a chunk of
// its own, so no chunk wastes more than a quarter of itself at its end.
constexpr size_t kChunkBytes = size_t{256} << 10;
constexpr size_t kOwnChunkFrom = kChunkBytes / 4;

}  // namespace

char* TextArena::room(size_t n) {
  if (n >= kOwnChunkFrom) {
    chunks_.push_back(std::make_unique_for_overwrite<char[]>(n));
    allocated_ += n;
    return chunks_.back().get();
  }
  if (n > left_) {
    chunks_.push_back(std::make_unique_for_overwrite<char[]>(kChunkBytes));
    allocated_ += kChunkBytes;
    at_ = chunks_.back().get();
    left_ = kChunkBytes;
  }
  char* p = at_;
  at_ += n;
  left_ -= n;
  return p;
}

std::string_view TextArena::keep(std::string_view s) { return keep({}, s); }

std::string_view TextArena::keep(std::string_view prefix, std::string_view s) {
  const size_t n = prefix.size() + s.size();
  if (n == 0) return {};
  char* p = room(n);
  if (!prefix.empty()) std::memcpy(p, prefix.data(), prefix.size());
  if (!s.empty()) std::memcpy(p + prefix.size(), s.data(), s.size());
  return {p, n};
}

std::string_view TextArena::take(std::string&& s) {
  if (s.size() < kOwnChunkFrom) {
    const std::string_view kept = keep(s);
    s.clear();
    return kept;
  }
  // A string this long never lives inside its object, so moving it keeps
  // its bytes where they are.
  s.shrink_to_fit();
  allocated_ += s.capacity();
  taken_.push_back(std::move(s));
  s.clear();
  return taken_.back();
}

}  // namespace zub
