#include "html/markdown.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <unordered_set>

#include "base/control_text.h"
#include "base/fnv.h"
#include "base/text.h"
#include "base/unicode.h"
#include "base/utf8.h"
#include "html/block_classify.h"
#include "html/content_choice.h"
#include "html/entities.h"
#include "html/html_strip.h"

namespace zub {

namespace {

constexpr size_t npos = std::string_view::npos;

constexpr size_t kTier1MinBytes = 400;
constexpr size_t kTier2MinBytes = 200;
constexpr size_t kOutputReserve = 4096;
constexpr size_t kMaxSeenBlocks = 8000;
constexpr size_t kMinLinkTextChars = 12;
constexpr size_t kMaxLinkTexts = 200;
constexpr size_t kKeepStrippedBelow = size_t{1} << 20;
constexpr std::string_view kAllHiddenNote =
    "[본문 없음: 페이지가 글을 모두 숨겼다(스크립트가 나중에 보여 주는 페이지일 수 있다). "
    "숨긴 글은 옮기지 않는다]\n";

// clang-format off
constexpr std::array<std::string_view, 10> kBoilerplate = {
    "You must be logged in",   "You must be signed in",  "Sign up for free",
    "All reactions",           "Uh oh!",                 "Notifications You must",
    "Already have an account", "Skip to content",        "Accept all cookies",
    "개인정보 처리방침"};
// clang-format on

bool is_boilerplate(std::string_view text) {
  for (std::string_view phrase : kBoilerplate)
    if (contains(text, phrase)) return true;
  return false;
}

// Appends the whitespace-separated words of `line` joined by single spaces.
void append_words(std::string& out, std::string_view line) {
  bool first = true;
  size_t i = 0;
  const size_t n = line.size();
  while (i < n) {
    size_t w;
    while (i < n && (w = space_len_at(line, i)) != 0) i += w;
    if (i >= n) break;
    const size_t start = i;
    while (i < n && space_len_at(line, i) == 0) ++i;
    if (!first) out.push_back(' ');
    out.append(line.data() + start, i - start);
    first = false;
  }
}

// The beginnings of zub's own lines around a page: a failed or withheld
// fetch, the size note, the notice for a page without content, the budget
// cut and the filters' notes.
constexpr std::array<std::string_view, 6> kOwnLineStarts = {
    "[fetch ", "[zub:", "[zub ", "[zub]", "[본문 없음", "\xE2\x80\xA6[cut]"};

// True when a page line would read as one of zub's own lines, or (outside
// code) would open a code block that swallows what follows.
bool forges_own_line(std::string_view line, bool verbatim) {
  for (std::string_view start : kOwnLineStarts)
    if (starts_with(line, start)) return true;
  return !verbatim && (starts_with(line, "```") || starts_with(line, "~~~"));
}

// Appends the printed text of one block to `text`: code lines lose
// trailing white space; other lines are reflowed to single spaces, list
// items keep their nesting indent (continuation lines line up under the
// item text), and runs of empty lines left by line breaks fold into one. A
// line that would read as zub's own starts with a backslash, as markdown
// escapes it. Trailing white space of the block is left out. Written in
// place: a block can be as large as the page.
void append_block_text(std::string& text, const Block& b) {
  const size_t start = text.size();
  bool first_line = true;
  bool prev_empty = true;
  for_each_line(b.markdown, [&](std::string_view line) {
    const size_t line_start = text.size();
    if (!first_line) text.push_back('\n');
    if (b.verbatim) {
      const std::string_view code = trim_ws_end(line);
      if (forges_own_line(code, true)) text.push_back('\\');
      text.append(code);
    } else {
      const bool empty = is_blank(line);
      if (empty && prev_empty) {
        text.resize(line_start);
        return;
      }
      if (!empty && b.item_indent >= 0)
        text.append(static_cast<size_t>(b.item_indent) + (first_line ? 0 : 2), ' ');
      const size_t words_start = text.size();
      append_words(text, line);
      if (forges_own_line(std::string_view(text).substr(words_start), false))
        text.insert(words_start, 1, '\\');
      prev_empty = empty;
    }
    first_line = false;
  });
  text.resize(start + trim_ws_end(std::string_view(text).substr(start)).size());
}

}  // namespace

std::string render_blocks(const std::vector<Block>& blocks, const std::vector<bool>& keep) {
  // Room for every kept block at once: growing by doubling would hold up
  // to twice the output of a large page.
  size_t room = kOutputReserve;
  for (size_t i = 0; i < blocks.size(); ++i)
    if (keep[i]) room += blocks[i].markdown.size() + 2;
  std::string out;
  out.reserve(room);
  std::unordered_set<uint64_t> seen;
  bool wrote = false;
  for (size_t i = 0; i < blocks.size(); ++i) {
    if (!keep[i]) continue;
    const Block& b = blocks[i];
    // The heading's blank line goes first; it is taken back with the text.
    const size_t before = out.size();
    if (b.heading && wrote) out.push_back('\n');
    const size_t at = out.size();
    append_block_text(out, b);
    const std::string_view text = std::string_view(out).substr(at);
    bool drop = text.empty();
    if (!drop && !b.verbatim) {
      const uint64_t h = fetch_key_hash(text);
      drop = is_boilerplate(text) || seen.count(h) != 0;
      if (!drop && seen.size() < kMaxSeenBlocks) seen.insert(h);
    }
    if (drop) {
      out.resize(before);
      continue;
    }
    out.push_back('\n');
    if (b.verbatim) out.push_back('\n');
    wrote = true;
  }
  return out;
}

namespace {

// The link texts of markup that is already stripped.
std::string link_list_of(std::string_view s) {
  std::unordered_set<std::string> seen;
  std::string out;
  size_t pos = 0;
  while (seen.size() <= kMaxLinkTexts) {
    const size_t open = find_bytes(s, "<a ", pos);
    if (open == npos) break;
    const size_t gt = s.find('>', open + 3);
    if (gt == npos) break;
    const size_t close = find_bytes(s, "</a", gt + 1);
    if (close == npos) break;
    std::string text;
    append_words(text, strip_tags(s.substr(gt + 1, close - gt - 1)));
    if (char_count(text) >= kMinLinkTextChars && seen.insert(text).second) {
      out += "- ";
      out += text;
      out += '\n';
    }
    pos = close;
  }
  return out;
}

// The stripped text without the elements that are boilerplate by their
// name (nav, form...), except one that holds most of the text: the last
// resorts read what the page shows around them.
std::string without_named_boilerplate(const StrippedPage& page) {
  std::string out;
  size_t pos = 0;
  for (const TextSpan& s : page.boilerplate) {
    if (!s.by_name || s.start < pos) continue;
    const size_t end = std::min(s.end, page.text.size());
    if (2 * (end - s.start) > page.text.size()) continue;
    out.append(page.text, pos, s.start - pos);
    out.push_back('\n');
    pos = end;
  }
  out.append(page.text, pos);
  return out;
}

// What the blocks of `page` give, by the rules html_to_markdown tells.
// The blocks are given back before the last resorts scan the page again,
// and the page's text, if it was given back, is made again for them.
std::string convert_page(std::string_view doc, StrippedPage& page, TextSpan whole,
                         ScannedBlocks& scanned) {
  const ScannedBlocks& blocks = scanned;
  auto restore_text = [&] {
    if (page.text.size() != whole.end) page.text = strip_page(doc).text;
  };
  const std::vector<Verdict> verdicts = block_verdicts(blocks);
  const TextSpan root = choose_root(page, whole, blocks, verdicts);
  const bool narrowed = root.start != whole.start || root.end != whole.end;
  // Inside the chosen part short lines and list items follow their
  // neighbours.
  const std::vector<Verdict> in_root = relax_in_content(blocks, verdicts);
  // Page text is printed as it is: control characters (NULs, escape
  // sequences, stray carriage returns) go, line feeds and tabs stay.
  size_t kept = 0;
  // The chosen part, then the whole page, by the strict rules and then by
  // the looser ones: a root that keeps too little is no reason to give up
  // on the page.
  for (const bool simple : {false, true}) {
    const size_t floor = simple ? kTier2MinBytes : kTier1MinBytes;
    std::vector<bool> keep = keep_in_span(page, blocks, in_root, root, simple, kept);
    if (kept >= floor) return take_page_text(render_blocks(blocks, keep));
    if (!narrowed) continue;
    keep = keep_in_span(page, blocks, verdicts, whole, simple, kept);
    if (kept >= floor) return take_page_text(render_blocks(blocks, keep));
  }
  // A small page: whatever either rule keeps of it.
  size_t kept_simple = 0;
  std::vector<bool> keep = keep_in_span(page, blocks, verdicts, whole, false, kept);
  const std::vector<bool> loose = keep_in_span(page, blocks, verdicts, whole, true, kept_simple);
  if (kept + kept_simple > 0) {
    for (size_t i = 0; i < keep.size(); ++i) keep[i] = keep[i] || loose[i];
    std::string md = take_page_text(render_blocks(blocks, keep));
    if (!md.empty()) return md;
  }
  // The blocks go before the page is scanned again: on a page of many
  // blocks two sets of them would double the converter's memory.
  scanned = ScannedBlocks{};
  restore_text();
  const std::string shown = without_named_boilerplate(page);
  if (page.text.size() >= kKeepStrippedBelow) std::string().swap(page.text);
  std::string links = take_page_text(link_list_of(shown));
  if (!links.empty()) return links;
  // No content block and no link worth listing: the page's text as it is,
  // so that a page with text never comes out empty.
  std::string all;
  {
    const ScannedBlocks shown_blocks = scan_blocks(shown);
    all = take_page_text(render_blocks(shown_blocks, std::vector<bool>(shown_blocks.size(), true)));
  }
  if (all.empty()) {
    restore_text();
    const ScannedBlocks again = scan_blocks(page.text);
    all = take_page_text(render_blocks(again, std::vector<bool>(again.size(), true)));
  }
  // A page that hides all of its text (a template that a script shows
  // later) says so: its hidden text is never passed on, and an empty
  // answer would read as a page without text.
  if (all.empty() && page.hidden_text) all = kAllHiddenNote;
  return all;
}

}  // namespace

std::string link_list(std::string_view doc) {
  const HiddenSelectors hidden = page_hidden_selectors(doc);
  return link_list_of(strip_elements(doc, hidden.empty() ? nullptr : &hidden));
}

std::string html_to_markdown(std::string_view doc) {
  StrippedPage page = strip_page(doc);
  ScannedBlocks blocks = scan_blocks(page.text);
  const size_t unscanned = blocks.unscanned;
  const TextSpan whole{0, page.text.size()};
  // The blocks hold all the text the page prints: a large page's stripped
  // markup goes before the output is made, rather than be held three times.
  if (page.text.size() >= kKeepStrippedBelow) std::string().swap(page.text);
  std::string md = convert_page(doc, page, whole, blocks);
  // A page cut short says so, in a line no page text can forge.
  if (unscanned > 0)
    md += "[zub: 페이지가 블록 " + std::to_string(kMaxBlocks) + "개를 넘어 뒤쪽 " +
          std::to_string(unscanned) +
          " bytes 는 옮기지 않았다: 페이지를 나눠 변환하면 나머지를 본다]\n";
  return md;
}

}  // namespace zub
