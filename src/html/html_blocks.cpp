#include "html/html_blocks.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <utility>

#include "base/unicode.h"
#include "base/utf8.h"
#include "html/entities.h"

namespace zub {

namespace {

// Nested lists deeper than this are indented no further: the indentation
// stays readable and hostile nesting cannot blow up the output.
constexpr int kMaxListIndentLevels = 8;

enum class TagKind { other, a, block, list, li, heading, pre, br, cell, code, table, dl };

// Open tables and definition lists deeper than this are not told apart:
// hostile nesting cannot grow the stack.
constexpr size_t kMaxGroupDepth = 32;

// A scratch string larger than this is given back after its block.
constexpr size_t kScratchKeep = size_t{1} << 20;

TagKind tag_kind(std::string_view name, int& level) {
  switch (name.size()) {
    case 1:
      if (name == "a") return TagKind::a;
      if (name == "p") return TagKind::block;
      break;
    case 2:
      if (name[0] == 'h' && name[1] >= '1' && name[1] <= '6') {
        level = name[1] - '0';
        return TagKind::heading;
      }
      if (name == "tr" || name == "dt" || name == "dd" || name == "hr") return TagKind::block;
      if (name == "ul" || name == "ol") return TagKind::list;
      if (name == "dl") return TagKind::dl;
      if (name == "li") return TagKind::li;
      if (name == "br") return TagKind::br;
      if (name == "td" || name == "th") return TagKind::cell;
      break;
    case 3:
      if (name == "div") return TagKind::block;
      if (name == "pre") return TagKind::pre;
      break;
    case 4:
      if (name == "main") return TagKind::block;
      if (name == "code") return TagKind::code;
      break;
    case 5:
      if (name == "table") return TagKind::table;
      break;
    case 7:
      if (name == "section" || name == "article") return TagKind::block;
      break;
    case 10:
      if (name == "blockquote" || name == "figcaption") return TagKind::block;
      break;
    default: break;
  }
  return TagKind::other;
}

// Counts kept in 32 bits stop at their largest value rather than wrap.
uint32_t saturated(size_t n) { return static_cast<uint32_t>(std::min<size_t>(n, UINT32_MAX)); }

struct Scanner {
  ScannedBlocks out;
  std::vector<Block>& blocks = out.blocks;
  Block cur;
  std::string markdown;  // the current block's, kept in the arena at its end
  std::string plain;     // the current block's plain text, measured at its end
  std::string pending;   // prefix for the next text piece
  bool has_pending = false;
  int list_depth = 0;
  int link_depth = 0;
  bool in_pre = false;
  bool fence_open = false;  // an opening fence was printed, its closing one not yet
  // The block whose markdown starts with the open fence (the current one
  // until it ends), and the longest run of backticks in the code so far:
  // the fence is made longer than any run inside, so that a line of three
  // backticks in a page's code cannot close it early.
  bool cur_opens_fence = false;
  size_t fence_block = SIZE_MAX;
  size_t tick_run = 0;
  size_t longest_ticks = 0;
  size_t at = 0;  // where the current tag or text piece starts
  // Open tables and definition lists, innermost last: group number, and
  // whether it is a table.
  std::vector<std::pair<size_t, bool>> groups;
  size_t groups_seen = 0;
  size_t group_overflow = 0;  // opened beyond kMaxGroupDepth, not yet closed

  size_t total = 0;  // bytes of the text being scanned

  // Room for the blocks is planned by how many came per byte so far, not
  // by doubling: the copy a full vector makes holds the old and the new
  // array at once, which on a page of many small blocks is the converter's
  // largest cost.
  void push(Block&& b) {
    if (blocks.size() == blocks.capacity()) {
      const size_t have = blocks.size();
      const size_t scanned = std::max<size_t>(at, 1);
      const auto expected = static_cast<size_t>(
          static_cast<double>(have) * static_cast<double>(total) / static_cast<double>(scanned));
      blocks.reserve(std::min(kMaxBlocks + kMaxBlocksOver,
                              std::max(have + have / 4, expected + expected / 8) + 16));
    }
    blocks.push_back(std::move(b));
  }

  uint32_t current_group() const { return groups.empty() ? 0 : saturated(groups.back().first); }

  void open_group(bool table) {
    if (groups.size() >= kMaxGroupDepth) {
      ++group_overflow;
      return;
    }
    groups.emplace_back(++groups_seen, table);
  }

  // A table's end also ends the lists left open inside it; a list's end
  // never ends a table.
  void close_group(bool table) {
    if (group_overflow > 0) {
      --group_overflow;
      return;
    }
    if (!table) {
      if (!groups.empty() && !groups.back().second) groups.pop_back();
      return;
    }
    for (size_t i = groups.size(); i-- > 0;)
      if (groups[i].second) {
        groups.resize(i);
        return;
      }
  }

  void end_block() {
    if (is_blank(plain)) {
      cur = Block{};
      markdown.clear();
      plain.clear();
      return;
    }
    markdown.resize(trim_ws_end(markdown).size());
    cur.markdown = out.text.take(std::move(markdown));  // leaves the scratch empty
    cur.plain_bytes = plain.size();
    cur.plain_chars = saturated(char_count(trim_ws(plain)));
    // A scratch string that held a page-sized block gives its room back.
    if (plain.capacity() > kScratchKeep) std::string().swap(plain);
    plain.clear();
    if (cur_opens_fence) fence_block = blocks.size();
    cur_opens_fence = false;
    push(std::move(cur));
    cur = Block{};
  }

  bool pending_is_fence() const {
    return has_pending && pending.size() > kFence.size() &&
           pending.compare(0, kFence.size(), kFence) == 0;
  }

  void flush_prefix() {
    if (!has_pending) return;
    if (pending_is_fence()) {
      cur.verbatim = true;
      fence_open = true;
      cur_opens_fence = true;
    } else if (pending.size() >= 2 && pending.compare(pending.size() - 2, 2, "- ") == 0) {
      cur.item_indent = static_cast<int16_t>(pending.size() - 2);
    }
    markdown += pending;
    has_pending = false;
  }

  void set_pending(std::string text) {
    pending = std::move(text);
    has_pending = true;
  }

  void close_fence() {
    if (fence_open) {
      const size_t ticks = std::max(kFence.size(), longest_ticks + 1);
      const std::string fence_line(ticks, '`');
      if (ticks > kFence.size() && fence_block < blocks.size())
        blocks[fence_block].markdown = out.text.keep(
            std::string_view(fence_line).substr(kFence.size()), blocks[fence_block].markdown);
      fence_block = SIZE_MAX;
      Block fence;
      fence.markdown = out.text.keep(fence_line);
      fence.plain_bytes = ticks;
      fence.plain_chars = saturated(ticks);
      fence.verbatim = true;
      fence.offset = at;
      push(std::move(fence));
      fence_open = false;
    } else if (pending_is_fence()) {
      // An empty pre element: its fence never reached the output, so it must
      // not open a code block around whatever text comes next.
      has_pending = false;
    }
  }

  void text(std::string_view raw) {
    // Decoded straight into the block's plain text, then copied to its
    // markdown: no third copy of a piece that may be the whole page.
    const size_t from = plain.size();
    append_decoded(plain, raw);
    const std::string_view piece = std::string_view(plain).substr(from);
    if (!in_pre)
      for (size_t i = from; i < plain.size(); ++i)
        if (plain[i] == '\t' || plain[i] == '\n' || plain[i] == '\r') plain[i] = ' ';
    if (from == 0) {
      if (is_blank(piece)) {
        plain.clear();
        return;
      }
      cur.offset = at;
      cur.group = current_group();
    }
    flush_prefix();
    if (link_depth > 0) cur.link_chars = saturated(cur.link_chars + char_count(trim_ws(piece)));
    markdown += piece;
    if (in_pre) {
      cur.verbatim = true;
      // Runs go on across tags: "`<b>`</b>`" prints three in a row.
      for (char c : piece) {
        tick_run = c == '`' ? tick_run + 1 : 0;
        longest_ticks = std::max(longest_ticks, tick_run);
      }
    }
  }

  void tag(TagKind kind, int level, bool closing) {
    switch (kind) {
      case TagKind::a: link_depth = closing ? std::max(0, link_depth - 1) : link_depth + 1; break;
      case TagKind::block: end_block(); break;
      case TagKind::list:
        end_block();
        list_depth = closing ? std::max(0, list_depth - 1) : list_depth + 1;
        break;
      case TagKind::li:
        if (closing) break;
        end_block();
        set_pending(
            std::string(
                2 * static_cast<size_t>(std::clamp(list_depth - 1, 0, kMaxListIndentLevels)), ' ') +
            "- ");
        break;
      case TagKind::heading:
        // The closing tag ends the heading too, so that text right after it
        // does not run into the heading line.
        end_block();
        if (closing) {
          // An empty heading must not lend its "#" to the next paragraph.
          if (has_pending && pending[0] == '#') has_pending = false;
          break;
        }
        set_pending(std::string(static_cast<size_t>(std::min(level, 4)), '#') + " ");
        cur.heading = true;
        break;
      case TagKind::pre:
        end_block();
        if (closing) {
          close_fence();
          in_pre = false;
        } else {
          // A pre inside an open code block stays in that block.
          if (!fence_open) {
            set_pending(std::string(kFence) + "\n");
            tick_run = 0;
            longest_ticks = 0;
          }
          in_pre = true;
        }
        break;
      case TagKind::br:
        // A line break at the start of a block carries nothing.
        if (plain.empty()) break;
        if (in_pre) {
          markdown += '\n';
        } else if (cur.heading) {
          markdown += ' ';
          plain += ' ';
        } else {
          // Outside code a break ends the printed line; the measurements
          // see a space, so the words on both sides stay apart.
          markdown += '\n';
          plain += ' ';
        }
        break;
      case TagKind::cell:
        if (closing || plain.empty()) break;
        markdown += " | ";
        plain += ' ';
        break;
      case TagKind::code:
        if (in_pre) break;
        if (plain.empty()) {
          cur.offset = at;
          cur.group = current_group();
        }
        flush_prefix();
        markdown += '`';
        plain += '`';
        break;
      case TagKind::table:
      case TagKind::dl:
        end_block();
        if (closing)
          close_group(kind == TagKind::table);
        else
          open_group(kind == TagKind::table);
        break;
      case TagKind::other: break;
    }
  }
};

}  // namespace

ScannedBlocks scan_blocks(std::string_view html) {
  Scanner s;
  s.total = html.size();
  s.blocks.reserve(html.size() / 400 + 16);
  const char* base = html.data();
  const size_t n = html.size();
  size_t pos = 0;
  while (pos < n) {
    if (s.blocks.size() >= kMaxBlocks) {
      s.out.unscanned = n - pos;
      break;
    }
    const void* hit = std::memchr(base + pos, '<', n - pos);
    const size_t lt = hit ? static_cast<size_t>(static_cast<const char*>(hit) - base) : n;
    if (lt > pos) {
      s.at = pos;
      s.text(html.substr(pos, lt - pos));
    }
    if (lt == n) break;
    char name_buf[33];
    const size_t len = read_tag_name(html, lt, name_buf);
    int level = 0;
    const TagKind kind = tag_kind(std::string_view(name_buf, len), level);
    const bool closing = lt + 1 < n && html[lt + 1] == '/';
    s.at = lt;
    s.tag(kind, level, closing);
    const void* gt = std::memchr(base + lt + 1, '>', n - lt - 1);
    pos = gt ? static_cast<size_t>(static_cast<const char*>(gt) - base) + 1 : n;
  }
  s.at = n;
  s.end_block();
  s.close_fence();
  return std::move(s.out);
}

}  // namespace zub
