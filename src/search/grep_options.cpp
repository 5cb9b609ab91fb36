#include "search/grep_options.h"

#include <algorithm>

#include "base/number.h"
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

GrepOptions parse_grep_args(const std::vector<std::string>& args) {
  GrepOptions o;
  const size_t n = args.size();
  // A numeric option whose value is missing or does not parse counts as 3.
  auto number = [&](size_t& i) -> uint64_t {
    if (i + 1 >= n) return 3;
    ++i;
    return parse_u64(args[i]).value_or(3);
  };
  for (size_t i = 0; i < n; ++i) {
    const std::string& a = args[i];
    if (a == "-E" || a == "-P") {
      o.regex = true;
    } else if (a == "-i") {
      o.icase = true;
    } else if (a == "-w") {
      o.word = true;
    } else if (a == "-v") {
      o.invert = true;
    } else if (a == "-l") {
      o.files_only = true;
    } else if (a == "-c") {
      o.count = true;
    } else if (a == "-o" || a == "--only-matching") {
      o.only_matching = true;
    } else if (a == "-C") {
      o.before = o.after = number(i);
      o.context_requested = true;
    } else if (a == "-A") {
      o.after = number(i);
      o.context_requested = true;
    } else if (a == "-B") {
      o.before = number(i);
      o.context_requested = true;
    } else if (a == "-n") {
      o.limit = std::max<uint64_t>(number(i), 1);
    } else if (a == "--max-files") {
      o.file_cap = std::max<uint64_t>(number(i), 1);
    } else if (a == "-e") {
      if (i + 1 < n) o.patterns.push_back(args[++i]);
    } else if (a == "--ext") {
      if (i + 1 < n) o.filter.extensions = parse_ext_list(args[++i]);
    } else if (a == "--name") {
      if (i + 1 < n) o.filter.names.push_back(args[++i]);
    } else if (a == "--not") {
      if (i + 1 < n) o.filter.excludes.push_back(args[++i]);
    } else if (a == "--all") {
      o.filter.include_all = true;
    } else if (a == "-h" || a == "--help") {
      o.help = true;
      return o;
    } else if (a.size() >= 2 && a[0] == '-') {
      o.unknown_flag = a;
      return o;
    } else if (o.patterns.empty()) {
      o.patterns.push_back(a);
    } else {
      o.roots.push_back(a);
    }
  }
  return o;
}

}  // namespace zub
