// Reading hits out of the HTML result pages of the public search engines
// with plain string rules: cutting a page into result blocks at a marker,
// unwrapping click-tracking links, and picking a title, link and snippet
// from one block. Pure functions, thread-safe.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "html/css_hidden_sheet.h"

namespace zub {

// One hit of one engine. The url always begins with "http"; it is the
// address as the engine gave it (entities decoded, tracking unwrapped).
struct SearchHit {
  std::string title;
  std::string url;
  std::string snippet;
};

// The blocks of `page`: from each occurrence of `marker` (ASCII
// case-insensitive; `marker` given in lower case) to the next; the last to
// the end of the element whose tag holds the marker (when that element is
// never closed: to the first script element or list end after it, else to
// the end of the page). Text before the first occurrence is not a block.
std::vector<std::string_view> split_result_blocks(std::string_view page, std::string_view marker);

// Base64 with either alphabet ("+" or "-" for 62, "/" or "_" for 63),
// ending at the first "=" or at the end. Nothing when another character
// occurs. Left-over bits that do not fill a byte are dropped.
std::optional<std::string> decode_base64_any(std::string_view text);

// The target of a click-tracking link of the first engine ("bing.com/ck/a"
// with a "u=" parameter holding two characters and the base64 of an http
// URL); any other href, or one that does not decode, is returned unchanged.
std::string unwrap_click_link(std::string_view href);

// The hit of one result block, read with its script, style and svg
// elements removed: the first acceptable link (long enough, http, not on a
// blocked host); a title from the block's heading (its h2 or title
// element), the link's anchor text, its lines or the link itself; as
// snippet the result's own description (caption paragraph or snippet box),
// else the longest line other than the title, without a separator left in
// front by a date. Nothing when the block has no acceptable link. Elements
// hidden from readers (see strip_code_elements; `hidden` holds the hiding
// rules of the page's style sheets, nullptr for none) give no part of it.
std::optional<SearchHit> parse_result_block(std::string_view block,
                                            const HiddenSelectors* hidden = nullptr);

// Separators that sit between a date and the text of a description; a
// snippet never starts with one of them followed by white space.
inline constexpr std::string_view kSeparators[] = {"·", "—", "–", "-", "|", "•"};

// A title made from the link alone: "{host}: {last path segment}" with "-"
// and "_" as spaces, or the host when the segment is shorter than 3 bytes.
std::string title_from_link(std::string_view link);

}  // namespace zub
