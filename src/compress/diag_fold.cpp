#include "compress/diag_fold.h"

#include <cctype>
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

namespace {

// What a message says with its quoted names taken out, and the names:
// "Property 'set' does not exist on type 'A'." gives "Property '…' does not
// exist on type '…'." and "'set' 'A'". Empty when it quotes nothing.
std::string message_template(std::string_view rest, std::string& names) {
  std::string out;
  names.clear();
  bool quoted = false;
  for (size_t i = 0; i < rest.size(); ++i) {
    const char c = rest[i];
    if (c != '\'' && c != '"' && c != '`' && c != '\xE2') {
      if (!quoted) out += c;
      continue;
    }
    // ‘…’ as gcc quotes, or a plain quote that closes on the same mark.
    const bool curly = c == '\xE2' && rest.substr(i, 3) == "\xE2\x80\x98";
    if (c == '\xE2' && !curly) {
      out += c;
      continue;
    }
    const std::string_view close = curly ? "\xE2\x80\x99" : rest.substr(i, 1);
    const size_t open_len = curly ? 3 : 1;
    const size_t end = rest.find(close, i + open_len);
    // An apostrophe in a word ("can't") opens nothing.
    if (end == std::string_view::npos ||
        (c == '\'' && i > 0 && std::isalnum(static_cast<unsigned char>(rest[i - 1])))) {
      out += c;
      continue;
    }
    out += rest.substr(i, open_len);
    out += "\xE2\x80\xA6";
    out += close;
    if (!names.empty()) names += ' ';
    names += rest.substr(i, end + close.size() - i);
    i = end + close.size() - 1;
  }
  if (names.empty()) out.clear();
  return out;
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
  // Messages that differ only in the names they quote ("Property 'set'
  // does not exist on type 'A'.") said at three or more places are one line
  // too: the message with the names left out, then each place with its
  // names.
  std::vector<std::string> templated(groups.size());
  std::vector<size_t> lead(groups.size(), SIZE_MAX);  // the group a group is listed under
  std::unordered_map<std::string, std::vector<size_t>> by_template;
  std::vector<std::string> names(groups.size());
  for (size_t i = 0; i < groups.size(); ++i) {
    if (groups[i].places != 1) continue;
    templated[i] = message_template(keys[i], names[i]);
    if (!templated[i].empty()) by_template[templated[i]].push_back(i);
  }
  for (const auto& [tmpl, members] : by_template) {
    if (members.size() < 3) continue;
    for (size_t m : members) lead[m] = members.front();
  }
  std::vector<std::string> lines;
  lines.reserve(groups.size());
  for (size_t i = 0; i < groups.size(); ++i) {
    Group& g = groups[i];
    if (lead[i] != SIZE_MAX) {
      if (lead[i] != i) continue;
      const std::vector<size_t>& members = by_template[templated[i]];
      uint64_t times = 0;
      for (size_t m : members) times += groups[m].times;
      std::string line = templated[i] + " (\xC3\x97" + std::to_string(times) + ") at";
      for (size_t k = 0; k < members.size(); ++k) {
        const Group& m = groups[members[k]];
        line += k == 0 ? " " : ", ";
        line += m.files[0].first + ":" + m.files[0].second[0] + " " + names[members[k]];
        if (m.times > 1) line += " (\xC3\x97" + std::to_string(m.times) + ")";
      }
      lines.push_back(std::move(line));
      continue;
    }
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
