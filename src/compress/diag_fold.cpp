#include "compress/diag_fold.h"

#include <cstdint>
#include <unordered_map>
#include <utility>

#include "compress/diag_shapes.h"

namespace zub {

bool split_error_place(std::string_view e, std::string_view& path, std::string& at,
                       std::string_view& rest) {
  if (const auto loc = split_location(e)) {
    path = loc->path;
    at = std::string(loc->where.substr(loc->path.size() + 1));
    rest = loc->rest;
    return true;
  }
  // tsc: "lib/app.js(82,8): error TS2339: ..."
  const size_t close = e.find("): ");
  if (close == std::string_view::npos) return false;
  const size_t open = e.rfind('(', close);
  if (open == std::string_view::npos || open == 0 ||
      e.substr(0, open).find(' ') != std::string_view::npos)
    return false;
  const size_t line = digits_at(e, open + 1);
  if (line == 0 || e[open + 1 + line] != ',') return false;
  const size_t col = digits_at(e, open + 2 + line);
  if (col == 0 || open + 2 + line + col != close) return false;
  path = e.substr(0, open);
  at = std::string(e.substr(open + 1, line)) + ":" + std::string(e.substr(open + 2 + line, col));
  rest = e.substr(close + 3);
  return true;
}

namespace {

struct Group {
  std::string first;  // the first line as it came
  uint64_t times = 0;
  // Each file once, in the order first seen, with its distinct places.
  std::vector<std::pair<std::string, std::vector<std::string>>> files;
  size_t places = 0;
};

void add_place(Group& g, std::string_view path, const std::string& at) {
  for (auto& [file, ats] : g.files) {
    if (file != path) continue;
    for (const std::string& a : ats)
      if (a == at) return;
    ats.push_back(at);
    ++g.places;
    return;
  }
  g.files.emplace_back(std::string(path), std::vector<std::string>{at});
  ++g.places;
}

}  // namespace

std::vector<std::string> fold_errors(const std::vector<std::string>& errors) {
  std::vector<Group> groups;
  std::vector<std::string> keys;  // what each group's lines say after the place
  std::unordered_map<std::string, size_t> index;
  for (const std::string& e : errors) {
    std::string_view path, rest;
    std::string at;
    const bool placed = split_error_place(e, path, at, rest);
    // A line with no place is its own key; one with a place is keyed by
    // what it says, apart from lines with no place that say the same.
    std::string key;
    if (placed) {
      key += '\x01';
      key += rest;
    } else {
      key = e;
    }
    const auto [it, fresh] = index.emplace(std::move(key), groups.size());
    if (fresh) {
      groups.emplace_back();
      groups.back().first = e;
      keys.emplace_back(placed ? rest : std::string_view());
    }
    Group& g = groups[it->second];
    ++g.times;
    if (placed) add_place(g, path, at);
  }
  std::vector<std::string> lines;
  lines.reserve(groups.size());
  for (size_t i = 0; i < groups.size(); ++i) {
    Group& g = groups[i];
    std::string line;
    if (g.places <= 1) {
      line = std::move(g.first);
    } else {
      line = keys[i];
      line += " (\xC3\x97" + std::to_string(g.times) + ") at";
      for (const auto& [file, ats] : g.files) {
        line += ' ';
        line += file;
        for (size_t k = 0; k < ats.size(); ++k) {
          line += k == 0 ? ':' : ',';
          line += ats[k];
        }
      }
      lines.push_back(std::move(line));
      continue;
    }
    if (g.times > 1) line += " (\xC3\x97" + std::to_string(g.times) + ")";
    lines.push_back(std::move(line));
  }
  return lines;
}

}  // namespace zub
