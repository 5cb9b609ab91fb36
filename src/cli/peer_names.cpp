#include "cli/peer_names.h"

#include <cstddef>
#include <utility>

#include "base/text.h"

namespace zub {

namespace {

// The other tools' names, and the subcommand that does their work here.
struct Peer {
  std::string_view name;
  std::string_view sub;
};

// clang-format off
constexpr Peer kPeers[] = {
    {"cat", "read"},     {"head", "read"},      {"less", "read"},     {"more", "read"},
    {"sed", "read"},     {"view", "read"},      {"show", "read"},     {"open", "read"},
    {"tail", "logs"},    {"log", "logs"},
    {"search", "grep"},  {"rg", "grep"},        {"ag", "grep"},       {"ack", "grep"},
    {"find", "map"},     {"tree", "map"},       {"ls", "map"},        {"du", "map"},
    {"symbols", "outline"}, {"structure", "outline"},
    {"definition", "def"}, {"goto", "def"},     {"defn", "def"},
    {"run", "wrap"},     {"exec", "wrap"},
    {"curl", "fetch"},   {"wget", "fetch"},     {"get", "fetch"},
    {"search-web", "web"}, {"websearch", "web"}, {"google", "web"},
    {"html", "md"},      {"markdown", "md"},
    {"lint", "diag"},    {"status", "brief"},   {"summary", "brief"},
    {"stats", "gain"},   {"-v", "version"},
};
// clang-format on

// The optimal-string-alignment distance of `a` and `b` ignoring ASCII case,
// or 2 when it is more than 1: one letter wrong, missing, extra or two
// swapped is a typing slip.
size_t slip_distance(std::string_view a, std::string_view b) {
  const auto same = [&](size_t i, size_t j) {
    return ascii_lower_char(a[i]) == ascii_lower_char(b[j]);
  };
  if (a.size() > b.size()) std::swap(a, b);
  if (b.size() - a.size() > 1) return 2;
  size_t i = 0;
  while (i < a.size() && same(i, i)) ++i;
  if (i == a.size()) return b.size() - a.size();
  if (a.size() == b.size()) {
    // A wrong letter, or two swapped; the rest must match.
    size_t from = i + 1;
    if (i + 1 < a.size() && same(i, i + 1) && same(i + 1, i)) from = i + 2;
    for (size_t k = from; k < a.size(); ++k)
      if (!same(k, k)) return 2;
    return 1;
  }
  // One letter more in `b` at i.
  for (size_t k = i; k < a.size(); ++k)
    if (!same(k, k + 1)) return 2;
  return 1;
}

}  // namespace

std::string_view peer_subcommand(std::string_view name,
                                 const std::vector<std::string_view>& subcommands) {
  for (const Peer& p : kPeers)
    if (p.name == name) return p.sub;
  if (name.size() < 3) return {};
  for (std::string_view s : subcommands)
    if (slip_distance(name, s) <= 1) return s;
  return {};
}

}  // namespace zub
