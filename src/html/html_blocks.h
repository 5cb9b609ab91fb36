// The block scanner of the page converter: one pass over element-stripped
// HTML that cuts it into paragraph-like blocks (headings, paragraphs, list
// items, table rows, code) with the measurements the classifier needs.
// Pure functions; safe to call from any number of threads.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/text_arena.h"

namespace zub {

// The fence that opens and closes a code block.
inline constexpr std::string_view kFence = "```";

struct Block {
  // What will be printed: prefix plus text pieces. It lies in the arena of
  // the ScannedBlocks the block came from (or in storage of the caller's
  // own that lives as long as the block).
  std::string_view markdown;
  // The block's plain text (its text pieces alone, a line break or a cell
  // border as one space) is measured while it is scanned and not kept: on
  // a page of many short blocks a second copy of every text would double
  // the converter's memory. The classifier's word counts read the markdown,
  // which differs from the plain text only in signs that are no letters.
  size_t offset = 0;         // where its first text starts in the scanned text
  size_t plain_bytes = 0;    // bytes of the plain text
  uint32_t plain_chars = 0;  // characters of the plain text, white space trimmed
  uint32_t link_chars = 0;   // characters that stood inside an a element
  // The innermost table or definition list the block's text lies in, by
  // its number in document order from 1; 0 outside them. The classifier
  // weighs short cells and terms by the whole of their table or list.
  uint32_t group = 0;
  int16_t item_indent = -1;  // list item: spaces of nesting before "- "; else -1
  bool verbatim = false;     // part of a pre element: never dropped or reflowed
  bool heading = false;      // opened by h1..h6
};

// A page is cut into at most this many blocks (and kMaxBlocksOver more:
// the tag scanned last and the end of the text may each end a block and
// close a code fence): each costs a record of some fifty bytes however short its
// text, so a hostile page of "<p>x" repeated would otherwise need twelve
// times its size. Real pages stay far below it: they run at hundreds of
// bytes a block (a 1 MB encyclopedia article makes some 1,600), so even a
// page at the 32 MiB cap makes about 50,000.
inline constexpr size_t kMaxBlocks = size_t{1} << 18;
inline constexpr size_t kMaxBlocksOver = 4;

// The blocks of a page and the storage of their markdown: a page of many
// short blocks costs one copy of its text and a small record per block.
// Read as a vector of blocks (it converts to one where a const reference
// is asked for); a moved object keeps every block's markdown valid.
struct ScannedBlocks {
  std::vector<Block> blocks;
  TextArena text;
  // Bytes of the text left unscanned when the blocks reached kMaxBlocks.
  size_t unscanned = 0;

  operator const std::vector<Block>&() const& { return blocks; }
  operator const std::vector<Block>&() const&& = delete;  // its markdown would dangle
  const Block& operator[](size_t i) const { return blocks[i]; }
  size_t size() const { return blocks.size(); }
  std::vector<Block>::const_iterator begin() const { return blocks.begin(); }
  std::vector<Block>::const_iterator end() const { return blocks.end(); }
};

// Cuts element-stripped HTML into blocks, in document order. Blank blocks
// are dropped. A pre element becomes a verbatim block that starts with the
// fence line followed by a verbatim block holding only the fence; the fences
// always come in pairs, each longer than any run of backticks between them
// (at least three).
ScannedBlocks scan_blocks(std::string_view html);

}  // namespace zub
