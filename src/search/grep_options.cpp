#include "search/grep_options.h"

#include "base/unicode.h"
#include "code/declaration.h"

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

std::vector<std::string> type_extensions(std::string_view type) {
  std::string_view exts = file_type_extensions(type);
  if (exts.empty()) return parse_ext_list(type);
  std::vector<std::string> out;
  while (!exts.empty()) {
    const size_t sp = exts.find(' ');
    out.emplace_back(exts.substr(0, sp));
    if (sp == std::string_view::npos) break;
    exts.remove_prefix(sp + 1);
  }
  return out;
}

void add_glob(FileFilter& filter, std::string_view glob) {
  if (!glob.empty() && glob[0] == '!')
    filter.excludes.emplace_back(glob.substr(1));
  else
    filter.names.emplace_back(glob);
}

void exclude_dir(FileFilter& filter, std::string_view name) {
  while (name.size() > 1 && name.back() == '/') name.remove_suffix(1);
  if (name.empty()) return;
  // Exclusion globs see the whole path too, and "*" crosses slashes; a
  // root named like it is searched, as GNU grep does.
  filter.excludes.push_back("*/" + std::string(name) + "/*");
}

}  // namespace zub
