#include "compress/ls_listing.h"

#include <cstdint>
#include <utility>
#include <vector>

#include "base/ascii.h"
#include "base/text.h"
#include "base/unicode.h"

namespace zub {

namespace {

// Of the lines that are neither blank, a "total" line nor a directory
// header, at least this share must be entries, and at least kLeastEntries.
constexpr double kEntryShare = 0.9;
constexpr size_t kLeastEntries = 20;

struct Entry {
  std::string_view mode, owner, group, size, date, name;
};

// The next run of bytes that are not spaces, from `at`; `at` moves past it
// and the spaces after it.
std::string_view next_field(std::string_view line, size_t& at) {
  const size_t start = at;
  while (at < line.size() && line[at] != ' ') ++at;
  const std::string_view f = line.substr(start, at - start);
  while (at < line.size() && line[at] == ' ') ++at;
  return f;
}

bool is_mode(std::string_view m) {
  if (m.size() < 10 || m.size() > 11 || std::string_view("-dlcbps").find(m[0]) == m.npos)
    return false;
  for (size_t i = 1; i < 10; ++i)
    if (std::string_view("rwxsStT-").find(m[i]) == std::string_view::npos) return false;
  return m.size() == 10 || m[10] == '.' || m[10] == '+' || m[10] == '@';
}

bool is_number(std::string_view s) {
  if (s.empty()) return false;
  for (char c : s)
    if (!is_digit(c)) return false;
  return true;
}

// "Dec  9 15:26", "Dec  9  2025" (three fields) or "2026-12-09 15:26"
// (--time-style=long-iso, two); the date ends where the name begins.
std::optional<Entry> parse_entry(std::string_view line) {
  size_t at = 0;
  Entry e;
  e.mode = next_field(line, at);
  if (!is_mode(e.mode) || !is_number(next_field(line, at))) return std::nullopt;
  e.owner = next_field(line, at);
  e.group = next_field(line, at);
  e.size = next_field(line, at);
  if (!is_number(e.size)) return std::nullopt;  // devices print "major, minor"
  const size_t date_start = at;
  const std::string_view first = next_field(line, at);
  const bool iso = first.size() == 10 && first[4] == '-' && first[7] == '-';
  if (!iso && (first.size() != 3 || !is_alpha(first[0]) || !is_number(next_field(line, at))))
    return std::nullopt;
  const std::string_view time = next_field(line, at);
  if (time.empty() || !is_digit(time[0]) || at >= line.size()) return std::nullopt;
  size_t date_end = at;
  while (date_end > date_start && line[date_end - 1] == ' ') --date_end;
  e.date = line.substr(date_start, date_end - date_start);
  e.name = line.substr(at);
  return e;
}

bool is_total(std::string_view line) {
  return starts_with(line, "total ") && is_number(line.substr(6));
}

bool is_header(std::string_view line) { return !line.empty() && line.back() == ':'; }

}  // namespace

std::optional<std::string> fold_long_listing(std::string_view input) {
  // Each line with its entry, read once; headers, totals and blank lines
  // have none.
  std::vector<std::pair<std::string_view, std::optional<Entry>>> lines;
  size_t entries = 0, others = 0;
  std::string_view owner, group;
  bool one_owner = true;
  for_each_line(input, [&](std::string_view line) {
    auto& [text, e] = lines.emplace_back(line, std::nullopt);
    if (is_blank(line) || is_total(line) || is_header(line)) return;
    e = parse_entry(line);
    if (!e) {
      ++others;
      return;
    }
    if (entries++ == 0) {
      owner = e->owner;
      group = e->group;
    } else if (e->owner != owner || e->group != group) {
      one_owner = false;
    }
  });
  if (entries < kLeastEntries ||
      static_cast<double>(entries) < kEntryShare * static_cast<double>(entries + others))
    return std::nullopt;

  std::string out;
  if (one_owner)
    out += "[ls -l: 모든 항목의 소유자 " + std::string(owner) + ", 그룹 " + std::string(group) +
           " · 링크 수 열, '.', '..', total 줄은 뺐다]\n";
  else
    out += "[ls -l: 링크 수 열, '.', '..', total 줄은 뺐다]\n";
  for (const auto& [line, e] : lines) {
    if (!e) {
      if (!is_total(line)) {
        out.append(line);
        out += '\n';
      }
      continue;
    }
    if (e->name == "." || e->name == "..") continue;
    out.append(e->mode);
    if (!one_owner) {
      out += ' ';
      out.append(e->owner);
      out += ' ';
      out.append(e->group);
    }
    out += ' ';
    out.append(e->size);
    out += ' ';
    out.append(e->date);
    out += ' ';
    out.append(e->name);
    out += '\n';
  }
  return out;
}

}  // namespace zub
