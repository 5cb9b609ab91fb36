#include "compress/path_list.h"

#include <cstdint>

#include "base/text.h"
#include "base/unicode.h"

namespace zub {

namespace {

// Of the non-blank lines, at least this share must be paths.
constexpr double kPathShare = 0.9;
// A folded line is broken after this many bytes of names.
constexpr size_t kLineBytes = 200;

// A path as listing tools print it: no white space, with a "/" that is not
// its last byte.
bool is_path(std::string_view line) {
  if (line.empty() || line.find_first_of(" \t") != std::string_view::npos) return false;
  const size_t slash = line.rfind('/');
  return slash != std::string_view::npos && slash + 1 < line.size();
}

}  // namespace

std::optional<std::string> fold_path_list(std::string_view input) {
  uint64_t paths = 0, others = 0;
  for_each_line(input, [&](std::string_view line) {
    if (is_blank(line)) return;
    (is_path(line) ? paths : others) += 1;
  });
  if (paths == 0 || static_cast<double>(paths) < kPathShare * static_cast<double>(paths + others))
    return std::nullopt;

  std::string out;
  std::string_view dir;  // the directory of the open line, with its "/"
  size_t line_start = 0;
  for_each_line(input, [&](std::string_view line) {
    if (!is_path(line)) {
      if (!out.empty() && out.back() != '\n') out += '\n';
      out.append(line);
      out += '\n';
      dir = {};
      return;
    }
    const size_t slash = line.rfind('/');
    const std::string_view d = line.substr(0, slash + 1);
    const std::string_view name = line.substr(slash + 1);
    if (d == dir && out.size() - line_start < kLineBytes) {
      out += ' ';
      out.append(name);
      return;
    }
    if (!out.empty() && out.back() != '\n') out += '\n';
    line_start = out.size();
    out.append(d);
    out += ' ';
    out.append(name);
    dir = d;
  });
  if (!out.empty() && out.back() != '\n') out += '\n';
  return out;
}

}  // namespace zub
