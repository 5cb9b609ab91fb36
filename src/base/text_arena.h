// Storage for many strings that are written once and then only read: each
// is copied into large chunks that never move, so a view of it stays valid
// as long as the arena lives, also after the arena is moved. One small
// string costs its bytes and no allocation of its own. Not thread-safe.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace zub {

class TextArena {
 public:
  // A copy of `s` that lives as long as the arena.
  std::string_view keep(std::string_view s);

  // A copy of `prefix` followed by `s`, kept as one string.
  std::string_view keep(std::string_view prefix, std::string_view s);

  // `s` itself when it is large (its buffer is adopted, given back its
  // slack, and never copied), else a copy as keep makes. Either way `s` is
  // left empty.
  std::string_view take(std::string&& s);

  // Bytes of the chunks allocated so far.
  size_t allocated() const { return allocated_; }

 private:
  char* room(size_t n);

  std::vector<std::unique_ptr<char[]>> chunks_;
  std::vector<std::string> taken_;
  char* at_ = nullptr;  // free space in the newest small-string chunk
  size_t left_ = 0;
  size_t allocated_ = 0;
};

}  // namespace zub
