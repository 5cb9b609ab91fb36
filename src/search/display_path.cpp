#include "search/display_path.h"

#include <sys/stat.h>

#include "base/shown_path.h"
#include "base/text.h"
#include "base/utf8.h"

namespace zub {

std::optional<std::string> base_root(const std::vector<std::string>& roots) {
  if (roots.size() != 1) return std::nullopt;
  std::string_view r = roots[0];
  while (!r.empty() && r.back() == '/') r.remove_suffix(1);
  if (r.empty() || r[0] != '/') return std::nullopt;
  struct stat st;
  if (stat(roots[0].c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return std::nullopt;
  return std::string(r);
}

std::string_view display_path(std::string_view path, const std::optional<std::string>& base) {
  if (!base || !starts_with(path, *base)) return path;
  std::string_view rest = path.substr(base->size());
  while (!rest.empty() && rest[0] == '/') rest.remove_prefix(1);
  return rest.empty() ? path : rest;
}

void append_path_text(std::string& out, std::string_view path) { append_shown_path(out, path); }

}  // namespace zub
