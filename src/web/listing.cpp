#include "web/listing.h"

#include <cstdio>

#include "base/control_text.h"
#include "base/text.h"
#include "base/unicode.h"
#include "base/utf8.h"
#include "web/url_host.h"

namespace zub {

namespace {

constexpr std::string_view kTitleSeparators[] = {" | ", " - ", " · ", ": ", " :: ", " » "};
constexpr size_t kSeparatorMinOffset = 8;  // separators at bytes 0..8 belong to the name
constexpr size_t kSuffixMaxWords = 6;
constexpr size_t kShortSuffixBytes = 27;
constexpr size_t kSnippetSpaceMinByte = 84;

size_t word_count(std::string_view s) {
  size_t n = 0;
  for_each_word(s, [&](std::string_view) { ++n; });
  return n;
}

std::string format_score(float score) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.4f", static_cast<double>(score));
  return buf;
}

}  // namespace

std::string clean_title(std::string_view title, std::string_view host) {
  const std::string site = ascii_lower(host.substr(0, host.find('.')));
  std::string t(title);
  for (std::string_view sep : kTitleSeparators) {
    for (;;) {
      const size_t at = find_bytes(t, sep);
      if (at == std::string::npos || at <= kSeparatorMinOffset) break;
      const std::string suffix = ascii_lower(trim_ws(std::string_view(t).substr(at + sep.size())));
      if (word_count(suffix) > kSuffixMaxWords) break;
      if (!contains(suffix, site) && suffix.size() >= kShortSuffixBytes) break;
      t.resize(at);
    }
  }
  return t;
}

std::string cut_snippet(std::string_view snippet) {
  std::string words;
  for_each_word(snippet, [&](std::string_view w) {
    if (!words.empty()) words += ' ';
    words.append(w);
  });
  if (char_count(words) <= kSnippetChars) return words;
  words.resize(char_offset(words, kSnippetChars));
  const size_t space = words.rfind(' ');
  if (space != std::string::npos && space > kSnippetSpaceMinByte) words.resize(space);
  words += "…";
  return words;
}

std::string format_listing(const std::vector<FusedHit>& kept, uint64_t n, bool debug) {
  std::string text;
  const size_t count = n < kept.size() ? static_cast<size_t>(n) : kept.size();
  for (size_t i = 0; i < count; ++i) {
    const FusedHit& rec = kept[i];
    // Titles, snippets and URLs come from result pages: each stays on its
    // own line, and no escape sequence reaches the reader.
    const std::string url = printable_url(rec.url);
    const std::string host = url_host(url);
    text += std::to_string(i + 1) + ". " + clean_title(trim_ws(one_line_text(rec.title)), host) +
            ": " + host + "\n";
    const std::string snippet = cut_snippet(one_line_text(rec.snippet));
    if (!snippet.empty()) text += "   " + snippet + "\n";
    if (debug) {
      std::string engines;
      for (const auto& e : rec.engines) {
        if (!engines.empty()) engines += '+';
        engines += e;
      }
      text += "   [" + engines + " " + format_score(rec.score) + "]\n";
    }
    text += "   " + url + "\n";
  }
  return text;
}

}  // namespace zub
