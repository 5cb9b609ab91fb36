// Glob matching for file filters. "*" is any run of bytes (slashes
// included), "?" one byte, "[abc]" "[a-z]" one byte of the set and "[!a]"
// "[^a]" one byte outside it, "{a,b,…}" any of the alternatives (nested
// ones too); an unclosed "[" or "{" is itself, as is every other byte.
// Braces are expanded once, when a GlobSet is built, so matching a name
// costs a scan per alternative. Pure, thread-safe.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace zub {

// The most brace-free globs one glob expands to, and the longest glob that
// is expanded. A glob that would expand to more (or take too long to
// expand), or is longer, is kept whole, its braces literal: expansion stays
// within kMaxGlobAlternatives * kMaxExpandedGlobBytes bytes.
inline constexpr size_t kMaxGlobAlternatives = 1024;
inline constexpr size_t kMaxExpandedGlobBytes = 4096;

// The brace-free globs `glob` stands for, in order: "a{b,c}d" is "abd",
// "acd". A "{" without its "}" (or inside a class) stays a literal byte.
std::vector<std::string> expand_braces(std::string_view glob);

// True when `glob` matches the whole of `text`, its braces taken as
// literal bytes (expand_braces first to have them alternate).
bool glob_match(std::string_view glob, std::string_view text);

// Several globs with their braces expanded: matches when any one does. As
// in ripgrep, "**/" may also stand for no directory at all: "src/**/*.go"
// takes "src/a.go" too.
class GlobSet {
 public:
  GlobSet() = default;
  explicit GlobSet(const std::vector<std::string>& globs);
  bool empty() const { return globs_.empty(); }
  bool matches(std::string_view text) const;
  // For a file: a glob with a '/' is matched against the whole path and
  // against the path below the walk's root ("src/*.c" under the root "."),
  // one without against the file's name alone, as GNU grep and ripgrep do
  // (so "t*" is not a pattern for every path under the root "tests").
  struct File {
    std::string_view name, path, below_root;
  };
  bool matches_file(const File& file) const;

 private:
  std::vector<std::string> globs_;
  std::vector<bool> has_slash_;  // per glob, found once: matched by path, not by name
};

}  // namespace zub
