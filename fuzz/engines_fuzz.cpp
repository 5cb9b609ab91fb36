// Fuzzes the search-result readers with arbitrary pages: the HTML result
// blocks of both public engines, the local service's JSON scan, and the
// fusion key, title cleaning and snippet cutting that consume their output.
// Checks that every hit has an http url, that text fields stay UTF-8 and
// that no snippet of a result page starts with a date separator (the local
// service's snippets are its own text, taken as they are).
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "base/control_text.h"
#include "base/utf8.h"
#include "web/engines.h"
#include "web/fusion.h"
#include "web/listing.h"
#include "web/searx_json.h"
#include "web/url_host.h"

namespace {

void check_hit(const zub::SearchHit& h, bool from_page = true) {
  if (h.url.size() <= 3 || h.url.compare(0, 4, "http") != 0) __builtin_trap();
  if (!zub::is_valid_utf8(h.title) || !zub::is_valid_utf8(h.url) || !zub::is_valid_utf8(h.snippet))
    __builtin_trap();
  for (std::string_view sep : zub::kSeparators)
    if (from_page && h.snippet.size() > sep.size() && h.snippet.compare(0, sep.size(), sep) == 0 &&
        h.snippet[sep.size()] == ' ')
      __builtin_trap();
  (void)zub::merge_key(h.url);
  const std::string host = zub::url_host(h.url);
  const std::string title = zub::clean_title(h.title, host);
  if (title.size() > h.title.size()) __builtin_trap();
  const std::string snippet = zub::cut_snippet(h.snippet);
  if (zub::char_count(snippet) > zub::kSnippetChars + 1) __builtin_trap();
  // What the listing prints of a hit holds no control character.
  for (const std::string& printed : {zub::one_line_text(h.title), zub::printable_url(h.url)})
    for (char c : printed)
      if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // Fetched pages reach the parsers decoded with replacement characters.
  const std::string page =
      zub::decode_lossy(std::string_view(reinterpret_cast<const char*>(data), size));
  for (const auto& h : zub::parse_result_page(page, "<li class=\"b_algo\"")) check_hit(h);
  for (const auto& h : zub::parse_result_page(page, "data-type=\"web\"")) check_hit(h);
  if (auto h = zub::parse_result_block(page)) check_hit(*h);
  for (const auto& h : zub::parse_searx_results(page)) check_hit(h, false);
  return 0;
}
