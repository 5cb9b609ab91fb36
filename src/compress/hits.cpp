#include "compress/hits.h"

#include <algorithm>
#include <unordered_map>
#include <vector>

#include "base/ascii.h"
#include "base/elide.h"
#include "base/text.h"
#include "base/unicode.h"

namespace zub {

namespace {

// A listed text is cut to this many bytes: enough to recognise the hit.
constexpr uint64_t kHitWidth = 160;
// Line numbers listed per folded group before the rest is left to the raw copy.
constexpr size_t kNumbersShown = 100;
// At least this share of the non-blank lines must be hits (or context).
constexpr double kHitShare = 0.8;
// Lines that are no hit (a warning of the search, "Binary file … matches").
constexpr size_t kOtherLinesShown = 20;

struct Hit {
  uint64_t number;  // 0 when the search printed none
  uint64_t raw_line;
  std::string_view text;
};

struct File {
  std::string_view path;
  std::vector<Hit> hits;
};

// The digits at s[i..], as a number; the count of digits in *len.
uint64_t digits_at(std::string_view s, size_t i, size_t* len) {
  uint64_t v = 0;
  size_t j = i;
  while (j < s.size() && is_digit(s[j]) && j - i < 12)
    v = v * 10 + static_cast<uint64_t>(s[j++] - '0');
  *len = j - i;
  return v;
}

// "path:12:text" (also "path:12:3:text" with a column: the column stays
// in the text). False for any other line.
bool parse_hit(std::string_view line, std::string_view* path, uint64_t* number,
               std::string_view* text) {
  const size_t colon = line.find(':');
  if (colon == 0 || colon == std::string_view::npos) return false;
  size_t len = 0;
  const uint64_t n = digits_at(line, colon + 1, &len);
  if (len == 0 || colon + 1 + len >= line.size() || line[colon + 1 + len] != ':') return false;
  *path = line.substr(0, colon);
  *number = n;
  *text = line.substr(colon + 2 + len);
  return true;
}

// A context line of the file just seen: "path-12-text".
bool is_context(std::string_view line, std::string_view path) {
  if (path.empty() || line.size() <= path.size() + 2 || !starts_with(line, path) ||
      line[path.size()] != '-')
    return false;
  size_t len = 0;
  digits_at(line, path.size() + 1, &len);
  return len > 0 && path.size() + 1 + len < line.size() && line[path.size() + 1 + len] == '-';
}

// "path:text" of a search that prints no line numbers: a path-like first
// field (no white space, a "/" or a ".").
bool parse_plain_hit(std::string_view line, std::string_view* path, std::string_view* text) {
  const size_t colon = line.find(':');
  if (colon == 0 || colon == std::string_view::npos || colon > 512) return false;
  const std::string_view p = line.substr(0, colon);
  if (p.find_first_of(" \t") != std::string_view::npos) return false;
  if (p.find_first_of("/.") == std::string_view::npos) return false;
  *path = p;
  *text = line.substr(colon + 1);
  return true;
}

void append_numbers(std::string& out, const std::vector<uint64_t>& numbers) {
  const size_t shown = std::min(numbers.size(), kNumbersShown);
  for (size_t i = 0; i < shown; ++i) {
    if (i > 0) out += ',';
    out += std::to_string(numbers[i]);
  }
}

std::string raw_range(std::string_view raw, uint64_t from, uint64_t to) {
  return "zub read " + std::string(raw) + " " + std::to_string(from) + "-" + std::to_string(to);
}

// One file's block: its header, up to `cap` texts with their numbers, and
// the numbers of the rest.
void append_file(std::string& out, const File& f, size_t cap, std::string_view raw) {
  out += "\xE2\x94\x80\xE2\x94\x80 ";
  out += f.path;
  out += " (" + std::to_string(f.hits.size()) + (f.hits.size() == 1 ? " hit)\n" : " hits)\n");
  // Equal texts fold into one line with every number, in first-seen order.
  std::vector<std::string_view> texts;
  std::vector<std::vector<uint64_t>> numbers;
  std::unordered_map<std::string_view, size_t> index;
  uint64_t first_raw = f.hits.front().raw_line, last_raw = f.hits.front().raw_line;
  for (const Hit& h : f.hits) {
    first_raw = std::min(first_raw, h.raw_line);
    last_raw = std::max(last_raw, h.raw_line);
    const std::string_view t = trim_ws(h.text);
    const auto [it, fresh] = index.emplace(t, texts.size());
    if (fresh) {
      texts.push_back(t);
      numbers.emplace_back();
    }
    numbers[it->second].push_back(h.number);
  }
  const bool numbered = f.hits.front().number != 0;
  bool complete = true;
  for (size_t k = 0; k < texts.size() && k < cap; ++k) {
    if (numbered) {
      append_numbers(out, numbers[k]);
      if (numbers[k].size() > kNumbersShown) {
        out += ",\xE2\x80\xA6+" + std::to_string(numbers[k].size() - kNumbersShown);
        complete = false;
      }
      out += "| ";
    } else if (numbers[k].size() > 1) {
      out += "\xC3\x97" + std::to_string(numbers[k].size()) + "| ";
    }
    append_elided(out, texts[k], kHitWidth);
    out += '\n';
  }
  if (texts.size() > cap) {
    std::vector<uint64_t> rest;
    for (size_t k = cap; k < texts.size(); ++k)
      rest.insert(rest.end(), numbers[k].begin(), numbers[k].end());
    std::sort(rest.begin(), rest.end());
    out += "  \xE2\x80\xA6 +" + std::to_string(rest.size()) + " more";
    if (numbered) {
      out += " at ";
      append_numbers(out, rest);
      if (rest.size() > kNumbersShown) {
        out += ",\xE2\x80\xA6+" + std::to_string(rest.size() - kNumbersShown);
        complete = false;
      }
    } else {
      complete = false;
    }
    out += '\n';
  }
  if (!complete) out += "  (" + raw_range(raw, first_raw, last_raw) + ")\n";
}

}  // namespace

std::optional<HitsGrouping> group_hits(std::string_view input, std::string_view raw,
                                       size_t budget) {
  std::vector<File> files;
  std::unordered_map<std::string_view, size_t> by_path;
  uint64_t raw_line = 0, others = 0, context = 0, numbered = 0, plain = 0;
  std::vector<std::string_view> other_lines;  // the first few, shown as they are
  std::string_view last_path;
  size_t current = 0;  // the index of last_path's file
  for_each_line(input, [&](std::string_view line) {
    ++raw_line;
    if (is_blank(line) || line == "--") return;
    std::string_view path, text;
    uint64_t number = 0;
    if (parse_hit(line, &path, &number, &text)) {
      ++numbered;
    } else if (is_context(line, last_path)) {
      ++context;
      return;
    } else if (parse_plain_hit(line, &path, &text)) {
      ++plain;
    } else {
      if (others++ < kOtherLinesShown) other_lines.push_back(line);
      return;
    }
    // A search prints a file's hits together: the file just seen needs no lookup.
    if (files.empty() || path != last_path) {
      const auto [it, fresh] = by_path.emplace(path, files.size());
      if (fresh) files.push_back({path, {}});
      current = it->second;
    }
    last_path = path;
    files[current].hits.push_back({number, raw_line, text});
  });
  const uint64_t hits = numbered + plain;
  const double known = static_cast<double>(hits + context);
  if (hits == 0 || known < kHitShare * static_cast<double>(known + static_cast<double>(others)))
    return std::nullopt;
  // A search prints numbers for all its hits or for none; a mix means the
  // "path:" lines are something else.
  if (numbered != 0 && plain > numbered / 10) return std::nullopt;

  HitsGrouping g;
  g.hits = hits;
  g.files = files.size();
  const size_t cap = files.size() <= 10 ? 6 : files.size() <= 40 ? 3 : 1;
  g.text = "== " + std::to_string(hits) + " hits in " + std::to_string(files.size()) +
           " files (grouped by file) ==\n";
  size_t listed = 0;
  for (; listed < files.size() && g.text.size() < budget; ++listed)
    append_file(g.text, files[listed], cap, raw);
  if (listed < files.size()) {
    uint64_t left = 0, from = UINT64_MAX, to = 0;
    for (size_t k = listed; k < files.size(); ++k) {
      left += files[k].hits.size();
      for (const Hit& h : files[k].hits) {
        from = std::min(from, h.raw_line);
        to = std::max(to, h.raw_line);
      }
    }
    g.text += "\xE2\x80\xA6 +" + std::to_string(files.size() - listed) + " more files, " +
              std::to_string(left) + " hits (" + raw_range(raw, from, to) + ")\n";
  }
  if (context != 0) {
    g.text += '[';
    g.text += std::to_string(context);
    g.text += " context lines left out]\n";
  }
  if (others != 0) {
    g.text += "== " + std::to_string(others) + " other lines ==\n";
    for (std::string_view l : other_lines) {
      append_elided(g.text, l, kHitWidth);
      g.text += '\n';
    }
    if (others > other_lines.size())
      g.text += "\xE2\x80\xA6 +" + std::to_string(others - other_lines.size()) + " more (" +
                raw_range(raw, 1, raw_line) + ")\n";
  }
  return g;
}

}  // namespace zub
