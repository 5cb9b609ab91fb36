#include "web/result_block.h"

#include <cstdint>

#include "base/text.h"
#include "base/unicode.h"
#include "base/utf8.h"
#include "html/entities.h"
#include "html/html_element.h"
#include "html/html_strip.h"
#include "web/blocked_hosts.h"
#include "web/url_host.h"

namespace zub {

namespace {

constexpr size_t npos = std::string_view::npos;

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

// The class of the element that holds the title link where the result
// has no h2 (the second engine's layout).
constexpr std::string_view kTitleClass = "search-snippet-title";

// The text of the result's own heading: its first h2 element, else its
// title element; empty when neither has 8 characters or more.
std::string heading_title(std::string_view block) {
  for (const size_t lt : {find_tag(block, "h2"), find_class_tag(block, kTitleClass)}) {
    if (lt == npos) continue;
    std::string words = join_words(strip_tags(element_inner(block, lt)));
    if (char_count(words) >= 8) return words;
  }
  return {};
}

// The text of the result's own description: the paragraph of the first
// engine's caption, or the content of the second engine's snippet box.
// Empty when the block has neither.
std::string description_text(std::string_view block) {
  if (const size_t caption = find_class_tag(block, "b_caption"); caption != npos) {
    const std::string_view inner = element_inner(block, caption);
    if (const size_t p = find_tag(inner, "p"); p != npos)
      return join_words(strip_tags(element_inner(inner, p)));
  }
  if (const size_t box = find_class_tag(block, "generic-snippet"); box != npos) {
    const std::string_view inner = element_inner(block, box);
    const size_t content = find_class_tag(inner, "content");
    return join_words(strip_tags(content == npos ? inner : element_inner(inner, content)));
  }
  return {};
}

// A date set in its own element leaves the separator that followed it at
// the front of the text ("· Drinking coffee late..."); the text starts
// after it.
std::string_view without_leading_separator(std::string_view text) {
  text = trim_ws(text);
  for (bool cut = true; cut;) {
    cut = false;
    for (std::string_view sep : kSeparators) {
      if (!starts_with(text, sep)) continue;
      const std::string_view rest = text.substr(sep.size());
      if (rest.empty() || trim_ws_start(rest).size() < rest.size()) {
        text = trim_ws(rest);
        cut = true;
      }
    }
  }
  return text;
}

// The longest block line that is not the title; later lines win ties.
std::string_view longest_other_line(const std::vector<std::string>& lines, std::string_view title) {
  const std::string* best = nullptr;
  size_t best_chars = 0;
  for (const auto& l : lines) {
    if (l == title) continue;
    const size_t chars = char_count(l);
    if (!best || chars >= best_chars) {
      best = &l;
      best_chars = chars;
    }
  }
  return best ? std::string_view(*best) : std::string_view();
}

// Where the result that holds the marker at `at` ends when no marker
// follows: at the end of the element whose tag holds the marker. When that
// element is never closed, at the first script element or list end after
// it. What follows the results (page scripts with their data, side boxes,
// pagination) belongs to no result.
size_t last_result_end(std::string_view page, size_t at) {
  const size_t lt = page[at] == '<' ? at : page.rfind('<', at);
  if (lt != npos && page.find('>', lt) >= at) {
    const size_t close = element_close(page, lt);
    if (close != npos) {
      const size_t gt = page.find('>', close);
      return gt == npos ? page.size() : gt + 1;
    }
  }
  size_t end = page.size();
  for (const size_t cut : {find_tag(page, "script", at + 1), find_ascii_ci(page, "</ol", at),
                           find_ascii_ci(page, "</ul", at)})
    if (cut < end) end = cut;
  return end;
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
    const size_t end = i + 1 < starts.size() ? starts[i + 1] : last_result_end(page, starts[i]);
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

std::optional<SearchHit> parse_result_block(std::string_view raw, const HiddenSelectors* hidden) {
  // A marker that sits inside a tag leaves the rest of that tag in front.
  if (!raw.empty() && raw[0] != '<') {
    const size_t gt = raw.find('>');
    if (gt != npos) raw.remove_prefix(gt + 1);
  }
  // Scripts may carry whole pages of data and markup in strings, styles and
  // drawings no text at all, and hidden elements text that no reader sees:
  // none of it may become a link, title or snippet.
  const std::string stripped = strip_code_elements(raw, hidden);
  const std::string_view block = stripped;
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

  // The heading comes first: the first link of a result is often its site
  // icon, whose anchor text is the site's name rather than the page's.
  const std::vector<std::string> lines = block_lines(block);
  std::string title = heading_title(block);
  if (title.empty()) title = anchor_title(block, href_close);
  if (title.empty()) {
    for (const auto& l : lines) {
      if (char_count(l) > 7 && !contains(l, "›")) {
        title = l;
        break;
      }
    }
  }
  if (title.empty()) title = title_from_link(link);

  const std::string description = description_text(block);
  std::string_view snippet = without_leading_separator(description);
  if (snippet.empty()) snippet = without_leading_separator(longest_other_line(lines, title));

  SearchHit hit;
  hit.title = std::move(title);
  hit.url = std::move(link);
  hit.snippet = std::string(snippet);
  return hit;
}

}  // namespace zub
