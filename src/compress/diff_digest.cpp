#include "compress/diff_digest.h"

#include <cstddef>
#include <cstdint>
#include <vector>

#include "base/elide.h"
#include "base/text.h"
#include "base/unicode.h"

namespace zub {

namespace {

// Past this many entries the rest are counted, with their range.
constexpr size_t kMostEntries = 400;
constexpr uint64_t kDigestWidth = 160;

struct Entry {
  bool commit = false;
  std::string_view title;  // the file's path, or the commit line
  std::string_view subject;
  uint64_t from = 0, to = 0;  // raw lines
  uint64_t added = 0, removed = 0, hunks = 0;
};

// The path of a "diff --git a/x b/x" line, or of "--- a/x"/"+++ b/x".
std::string_view diff_path(std::string_view line) {
  if (starts_with(line, "diff --git ")) {
    const size_t b = line.rfind(" b/");
    return b == std::string_view::npos ? line.substr(11) : line.substr(b + 3);
  }
  if (starts_with(line, "diff ")) return line.substr(5);
  return line;
}

}  // namespace

std::optional<std::string> diff_digest(std::string_view diff, std::string_view raw) {
  std::vector<Entry> entries;
  constexpr size_t kNone = SIZE_MAX;
  uint64_t n = 0, files = 0, commits = 0;
  size_t file = kNone, commit = kNone;  // the entries being read
  bool in_hunk = false;
  bool want_subject = false;
  for_each_line(diff, [&](std::string_view line) {
    ++n;
    if (file != kNone) entries[file].to = n;
    if (commit != kNone) entries[commit].to = n;
    if (starts_with(line, "commit ") && line.size() >= 47) {
      // The entries open so far end on the line before.
      if (file != kNone) entries[file].to = n - 1;
      if (commit != kNone) entries[commit].to = n - 1;
      commit = entries.size();
      entries.push_back({true, line, {}, n, n, 0, 0, 0});
      file = kNone;
      in_hunk = false;
      want_subject = true;
      ++commits;
      return;
    }
    if (want_subject && starts_with(line, "    ") && !is_blank(line)) {
      entries[commit].subject = trim_ws(line);
      want_subject = false;
      return;
    }
    if (starts_with(line, "diff --git ") || (starts_with(line, "diff ") && !in_hunk) ||
        (starts_with(line, "--- ") && !in_hunk && file == kNone)) {
      if (file != kNone) entries[file].to = n - 1;
      file = entries.size();
      entries.push_back({false, diff_path(line), {}, n, n, 0, 0, 0});
      in_hunk = false;
      want_subject = false;
      ++files;
      return;
    }
    if (file == kNone) return;
    Entry& f = entries[file];
    if (starts_with(line, "@@")) {
      ++f.hunks;
      in_hunk = true;
    } else if (in_hunk && starts_with(line, "+")) {
      ++f.added;
    } else if (in_hunk && starts_with(line, "-")) {
      ++f.removed;
    }
  });
  if (files == 0) return std::nullopt;

  std::string out = "== diff map: ";
  if (commits != 0) out += std::to_string(commits) + " commits, ";
  out += std::to_string(files) + " files (each part: zub read " + std::string(raw) + " A-B) ==\n";
  size_t shown = 0;
  for (const Entry& e : entries) {
    if (shown++ == kMostEntries) {
      out += "\xE2\x80\xA6 +" + std::to_string(entries.size() - kMostEntries) + " more (" +
             std::to_string(e.from) + "-" + std::to_string(n) + ")\n";
      break;
    }
    if (e.commit) {
      append_elided(out, e.title.substr(0, 19), kDigestWidth);
      out += ' ';
      append_elided(out, e.subject, kDigestWidth - 20);
      out += " (" + std::to_string(e.from) + "-" + std::to_string(e.to) + ")\n";
      continue;
    }
    out += "  ";
    append_elided(out, e.title, kDigestWidth);
    out += "  +" + std::to_string(e.added) + " -" + std::to_string(e.removed) + ", " +
           std::to_string(e.hunks) + (e.hunks == 1 ? " hunk" : " hunks") + " (" +
           std::to_string(e.from) + "-" + std::to_string(e.to) + ")\n";
  }
  return out;
}

}  // namespace zub
