#include "search/grep_options.h"

#include "base/unicode.h"

namespace zub {

std::vector<std::string> parse_ext_list(std::string_view value) {
  std::vector<std::string> out;
  size_t start = 0;
  for (;;) {
    const size_t comma = value.find(',', start);
    std::string_view piece =
        value.substr(start, comma == std::string_view::npos ? value.npos : comma - start);
    piece = trim_ws(piece);
    while (!piece.empty() && piece[0] == '.') piece.remove_prefix(1);
    if (!piece.empty()) out.emplace_back(piece);
    if (comma == std::string_view::npos) break;
    start = comma + 1;
  }
  return out;
}

}  // namespace zub
