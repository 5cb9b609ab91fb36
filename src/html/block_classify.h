// The content classifier of the page converter: decides for every block
// whether it is main content or boilerplate, from its length, link density,
// stopword share (English and other European languages, Korean, Chinese
// and Japanese), quote-and-brace share and Hangul count, then lets
// undecided blocks follow their neighbours.
// Pure functions; safe to call from any number of threads.
#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

#include "html/html_blocks.h"

namespace zub {

enum class Verdict : unsigned char { keep, drop, undecided };

// Measurements of a block's trimmed plain text.
struct BlockStats {
  size_t chars = 0;           // Unicode scalar values
  size_t quotes_braces = 0;   // '"' and '{' characters
  size_t hangul = 0;          // syllables U+AC00..U+D7A3
  size_t cjk = 0;             // Chinese characters and Japanese kana
  double stopword_share = 0;  // stopwords / words, at most 1 (see block_stats)
};

// Words are runs of letters and digits, except that Chinese characters and
// kana count as one word per two characters; stopwords are the function
// words of English and the European languages most pages are written in
// (ASCII words of at most five letters), and the Korean, Chinese and
// Japanese function words counted as substrings when the text holds that
// script.
BlockStats block_stats(std::string_view trimmed_plain);

// The first verdict of one block, before neighbours are considered.
Verdict classify_block(const Block& b);

// Settles undecided verdicts by their neighbours: the first block follows
// the next decided block; later ones stay with a kept predecessor, else
// follow the next decided block. Returns one keep flag per block.
std::vector<bool> settle_verdicts(const std::vector<Verdict>& verdicts);

// The first verdicts of all blocks: classify_block, except that a short
// block dropped inside a table or definition list whose text is at most
// half link text and holds no heading is left undecided, to follow its neighbours, and so is a
// short unlinked line right before such a table or list (its label).
std::vector<Verdict> block_verdicts(const std::vector<Block>& blocks);

// The full classification: block_verdicts and settle_verdicts.
std::vector<bool> classify_blocks(const std::vector<Block>& blocks);

// The verdicts for the part of a page already chosen as its content, where
// a block alone is judged by too little: a short line without links (a
// step's label, a caption, a name) and the items of a list that holds
// little link text as a whole (at most half; two items or more in a row)
// that would be dropped are left to their neighbours instead. A menu or a
// list of other pages is mostly links and stays dropped.
std::vector<Verdict> relax_in_content(const std::vector<Block>& blocks,
                                      std::vector<Verdict> verdicts);

// The looser fallback: verbatim blocks, and blocks of more than 24
// characters that are less than half link text.
bool keep_simple(const Block& b);
std::vector<bool> classify_blocks_simple(const std::vector<Block>& blocks);

}  // namespace zub
