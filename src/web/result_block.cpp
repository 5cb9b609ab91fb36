#include "web/result_block.h"

#include <cstdint>

#include "base/text.h"
#include "base/unicode.h"
#include "base/utf8.h"
#include "web/blocked_hosts.h"
#include "web/entities.h"
#include "web/url_host.h"

namespace zub {

namespace {

constexpr size_t npos = std::string_view::npos;

// The first position at or after `from` where `needle` (lower case) occurs
// in `hay` with ASCII letters compared case-insensitively.
size_t find_ascii_ci(std::string_view hay, std::string_view needle, size_t from) {
  if (needle.empty() || needle.size() > hay.size()) return npos;
  const size_t last = hay.size() - needle.size();
  for (size_t i = from; i <= last; ++i) {
    size_t j = 0;
    while (j < needle.size() && ascii_lower_char(hay[i + j]) == needle[j]) ++j;
    if (j == needle.size()) return i;
  }
  return npos;
}

std::string join_words(std::string_view text) {
  std::string joined;
  for_each_word(text, [&](std::string_view w) {
    if (!joined.empty()) joined += ' ';
    joined.append(w);
  });
  return joined;
}

bool is_acceptable_link(std::string_view link) {
  return link.size() > 3 && starts_with(link, "http") && !is_blocked_host(url_host(link));
}

// The anchor text after the accepted href as a title candidate; empty when
// it has none worth keeping (fewer than 8 characters, or a bare URL).
std::string anchor_title(std::string_view block, size_t href_close) {
  const size_t gt = block.find('>', href_close + 1);
  if (gt == npos) return {};
  const size_t end = find_bytes(block, "</a", gt + 1);
  if (end == npos) return {};
  const std::string text = strip_tags(block.substr(gt + 1, end - gt - 1));
  std::vector<std::string> lines;
  for_each_line(text, [&](std::string_view line) {
    std::string words = join_words(line);
    // Breadcrumb lines ("site › path") name the page's place, not the page.
    if (!words.empty() && !contains(words, "›")) lines.push_back(std::move(words));
  });
  std::string candidate;
  bool found = false;
  for (auto it = lines.rbegin(); it != lines.rend(); ++it) {
    if (char_count(*it) >= 8) {
      candidate = *it;
      found = true;
      break;
    }
  }
  if (!found) {
    for (const auto& l : lines) {
      if (!candidate.empty()) candidate += ' ';
      candidate += l;
    }
  }
  if (char_count(candidate) < 8 || starts_with(candidate, "http")) return {};
  return candidate;
}

// The text of the block's first h2 element; empty when it is missing or
// has 7 characters or fewer.
std::string heading_title(std::string_view block) {
  const size_t open = find_bytes(block, "<h2");
  if (open == npos) return {};
  const size_t gt = block.find('>', open + 3);
  if (gt == npos) return {};
  const size_t close = find_bytes(block, "</h2", gt + 1);
  if (close == npos) return {};
  std::string words = join_words(strip_tags(block.substr(gt + 1, close - gt - 1)));
  if (char_count(words) <= 7) return {};
  return words;
}

// The block's text lines, trimmed, without scraps and bare URLs.
std::vector<std::string> block_lines(std::string_view block) {
  const std::string text = strip_tags(block);
  std::vector<std::string> lines;
  for_each_line(text, [&](std::string_view line) {
    std::string_view t = trim_ws(line);
    if (t.size() < 3) return;
    if (t.size() > 3 && starts_with(t, "http")) return;
    lines.emplace_back(t);
  });
  return lines;
}

int base64_value(char c) {
  if (c >= 'A' && c <= 'Z') return c - 'A';
  if (c >= 'a' && c <= 'z') return c - 'a' + 26;
  if (c >= '0' && c <= '9') return c - '0' + 52;
  if (c == '+' || c == '-') return 62;
  if (c == '/' || c == '_') return 63;
  return -1;
}

}  // namespace

std::vector<std::string_view> split_result_blocks(std::string_view page, std::string_view marker) {
  std::vector<size_t> starts;
  for (size_t p = find_ascii_ci(page, marker, 0); p != npos;
       p = find_ascii_ci(page, marker, p + marker.size()))
    starts.push_back(p);
  std::vector<std::string_view> blocks;
  blocks.reserve(starts.size());
  for (size_t i = 0; i < starts.size(); ++i) {
    const size_t end = i + 1 < starts.size() ? starts[i + 1] : page.size();
    blocks.push_back(page.substr(starts[i], end - starts[i]));
  }
  return blocks;
}

std::optional<std::string> decode_base64_any(std::string_view text) {
  std::string out;
  out.reserve(text.size() * 3 / 4);
  uint32_t bits = 0;
  int nbits = 0;
  for (char c : text) {
    if (c == '=') break;
    const int v = base64_value(c);
    if (v < 0) return std::nullopt;
    bits = (bits << 6) | static_cast<uint32_t>(v);
    nbits += 6;
    if (nbits >= 8) {
      nbits -= 8;
      out.push_back(static_cast<char>((bits >> nbits) & 0xFF));
    }
  }
  return out;
}

std::string unwrap_click_link(std::string_view href) {
  if (href.find("bing.com/ck/a") == npos) return std::string(href);
  size_t p = 0;
  for (;;) {
    const size_t amp = href.find('&', p);
    std::string_view param = href.substr(p, amp == npos ? npos : amp - p);
    if (starts_with(param, "u=")) {
      std::string_view value = param.substr(2);
      // The value carries a two-character tag ("a1") before the base64.
      if (value.size() > 2) value.remove_prefix(2);
      auto decoded = decode_base64_any(value);
      if (decoded && is_valid_utf8(*decoded) && starts_with(*decoded, "http")) return *decoded;
    }
    if (amp == npos) break;
    p = amp + 1;
  }
  return std::string(href);
}

std::string title_from_link(std::string_view link) {
  std::string_view s = link;
  while (!s.empty() && s.back() == '/') s.remove_suffix(1);
  const size_t slash = s.rfind('/');
  if (slash != npos) s.remove_prefix(slash + 1);
  const size_t cut = s.find_first_of("?#");
  if (cut != npos) s = s.substr(0, cut);
  std::string slug(s);
  for (char& c : slug)
    if (c == '_' || c == '-') c = ' ';
  std::string host = url_host(link);
  if (slug.size() < 3) return host;
  return host + ": " + slug;
}

std::optional<SearchHit> parse_result_block(std::string_view block) {
  // A marker that sits inside a tag leaves the rest of that tag in front.
  if (!block.empty() && block[0] != '<') {
    const size_t gt = block.find('>');
    if (gt != npos) block.remove_prefix(gt + 1);
  }
  std::string link;
  size_t href_close = 0;
  for (size_t pos = 0;;) {
    const size_t h = find_bytes(block, "href=\"", pos);
    if (h == npos) return std::nullopt;
    const size_t start = h + 6;
    const size_t close = block.find('"', start);
    if (close == npos) return std::nullopt;
    std::string candidate = unwrap_click_link(decode_entities(block.substr(start, close - start)));
    if (is_acceptable_link(candidate)) {
      link = std::move(candidate);
      href_close = close;
      break;
    }
    pos = close + 1;
  }

  const std::vector<std::string> lines = block_lines(block);
  std::string title = anchor_title(block, href_close);
  if (title.empty()) title = heading_title(block);
  if (title.empty()) {
    for (const auto& l : lines) {
      if (char_count(l) > 7 && !contains(l, "›")) {
        title = l;
        break;
      }
    }
  }
  if (title.empty()) title = title_from_link(link);

  const std::string* snippet = nullptr;
  size_t best = 0;
  for (const auto& l : lines) {
    if (l == title) continue;
    const size_t chars = char_count(l);
    if (!snippet || chars >= best) {
      snippet = &l;
      best = chars;
    }
  }
  SearchHit hit;
  hit.title = std::move(title);
  hit.url = std::move(link);
  if (snippet) hit.snippet = *snippet;
  return hit;
}

}  // namespace zub
