#include "compress/logs.h"

#include <algorithm>
#include <cstring>
#include <unordered_map>
#include <vector>

#include "base/text.h"
#include "base/unicode.h"
#include "base/utf8.h"
#include "compress/escapes.h"

namespace zub {

namespace {

struct Entry {
  std::string_view line;  // first line with this key, escapes removed
  uint64_t count;
};

// Lets the key index be probed with a scratch string_view, so only new keys
// allocate.
struct KeyHash {
  using is_transparent = void;
  size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
};

// Replaces each maximal run of ASCII digits with "#" into `key`.
void build_key(std::string_view line, std::string& key) {
  key.clear();
  const std::string_view t = trim_ws(line);
  size_t i = 0;
  while (i < t.size()) {
    const char c = t[i];
    if (c >= '0' && c <= '9') {
      key.push_back('#');
      while (i < t.size() && t[i] >= '0' && t[i] <= '9') ++i;
    } else {
      key.push_back(c);
      ++i;
    }
  }
}

// Byte offset where line number `skip` (0-based) starts, given that the
// text holds `newlines` line feeds. Searches from
// whichever end is nearer, so a small limit on a huge log costs only the
// tail.
size_t offset_of_line(std::string_view text, uint64_t skip, uint64_t newlines) {
  if (skip == 0) return 0;
  if (skip > newlines) return text.size();  // only an unterminated last line was there
  const char* base = text.data();
  if (skip <= newlines - skip + 1) {
    size_t pos = 0;
    for (uint64_t k = 0; k < skip; ++k)
      pos = static_cast<size_t>(
                static_cast<const char*>(std::memchr(base + pos, '\n', text.size() - pos)) - base) +
            1;
    return pos;
  }
  // The line starts after line feed number `skip`, which is number
  // newlines - skip + 1 counted from the end.
  size_t end = text.size();
  size_t at = 0;
  for (uint64_t k = 0; k < newlines - skip + 1; ++k) {
    at = static_cast<size_t>(static_cast<const char*>(memrchr(base, '\n', end)) - base);
    end = at;
  }
  return at + 1;
}

}  // namespace

std::string logs(std::string_view input, uint64_t limit) {
  if (input.size() < 2048) return std::string(input);

  std::string storage;
  const std::string_view text = strip_escapes(input, storage);
  const uint64_t newlines = static_cast<uint64_t>(std::count(text.begin(), text.end(), '\n'));
  const uint64_t total = newlines + (!text.empty() && text.back() != '\n' ? 1 : 0);
  const uint64_t dropped = total > limit ? total - limit : 0;
  const std::string_view kept = text.substr(offset_of_line(text, dropped, newlines));

  std::vector<Entry> entries;
  std::unordered_map<std::string, size_t, KeyHash, std::equal_to<>> index;
  std::string key;
  for_each_line(kept, [&](std::string_view line) {
    if (is_blank(line)) return;
    build_key(line, key);
    auto it = index.find(std::string_view(key));
    if (it != index.end()) {
      ++entries[it->second].count;
      return;
    }
    index.emplace(key, entries.size());
    entries.push_back({line, 1});
  });

  std::string out;
  for (const Entry& e : entries) {
    out.append(byte_cut(e.line, 200));
    if (e.count > 1) {
      out.append("  \xC3\x97");
      out.append(std::to_string(e.count));
    }
    out.push_back('\n');
  }
  out.push_back('[');
  out.append(std::to_string(total)).append(" lines in -> ");
  out.append(std::to_string(entries.size())).append(" unique");
  if (dropped != 0) out.append(", ").append(std::to_string(dropped)).append(" older dropped");
  out.append("]\n");
  return out;
}

int cmd_logs(std::string_view input, const LogsOptions& opts, Output& out) {
  out.write_out(logs(input, opts.limit));
  return 0;
}

}  // namespace zub
