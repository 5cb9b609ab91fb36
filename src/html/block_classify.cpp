#include "html/block_classify.h"

#include <algorithm>
#include <array>
#include <cstdint>

#include "base/ascii.h"
#include "base/text.h"
#include "base/unicode.h"
#include "base/utf8.h"

namespace zub {

namespace {

// English and the function words (articles, prepositions, conjunctions,
// pronouns) of the languages of Europe most pages are written in: Spanish,
// French, German, Portuguese, Italian, Dutch, Czech; those of at most five
// ASCII letters. Sorted, for binary search.
// clang-format off
constexpr std::array<std::string_view, 163> kLatinStopwords = {
    "a", "al", "ale", "all", "an", "and", "ao", "are", "as", "at",
    "au", "auch", "auf", "aus", "aux", "avec", "be", "bei", "but", "by",
    "byl", "can", "ce", "che", "com", "como", "con", "da", "dans", "das",
    "dass", "dat", "de", "dei", "del", "della", "dem", "den", "der", "des",
    "di", "die", "do", "dos", "du", "een", "ein", "eine", "el", "elle",
    "em", "en", "er", "es", "est", "esta", "este", "et", "foi", "for",
    "from", "gli", "have", "he", "het", "ich", "if", "il", "im", "in",
    "is", "ist", "it", "jak", "jako", "je", "jsou", "la", "las", "le",
    "les", "leur", "lo", "los", "mais", "met", "mit", "muy", "na", "nach",
    "nas", "ne", "nel", "nella", "nicht", "niet", "no", "nos", "not", "nous",
    "od", "oder", "of", "on", "ook", "op", "or", "os", "para", "pas",
    "per", "pero", "po", "por", "pour", "pro", "que", "qui", "se", "ses",
    "si", "sich", "sie", "so", "sono", "sont", "su", "sur", "sus", "tak",
    "te", "that", "the", "there", "they", "this", "to", "um", "uma", "una",
    "und", "une", "van", "ve", "von", "voor", "vous", "was", "we", "when",
    "which", "wie", "will", "wir", "with", "you", "your", "za", "ze", "zijn",
    "zu", "zum", "zur"};

constexpr std::array<std::string_view, 22> kKoreanStopwords = {
    "이",   "그",   "저",   "것",   "수",     "등",     "및",   "위해",
    "있는", "하는", "에서", "으로", "에게",   "하고",   "그리고", "하지만",
    "때문", "대한", "있다", "한다", "된다",   "이다"};

// Chinese function characters (particles, pronouns, prepositions, linking
// words), simplified and traditional forms, counted as substrings.
constexpr std::array<std::string_view, 44> kChineseStopwords = {
    "的", "了", "是", "在", "和", "有", "我", "他", "她", "它", "这", "這",
    "那", "不", "也", "就", "都", "而", "与", "與", "及", "或", "但", "被",
    "把", "对", "對", "为", "為", "以", "于", "於", "其", "之", "们", "們",
    "着", "著", "个", "個", "到", "从", "從", "并"};

// Japanese particles and auxiliaries, counted as substrings.
constexpr std::array<std::string_view, 23> kJapaneseStopwords = {
    "の",   "に",   "は",   "を",   "が",   "で",   "と",   "も",
    "へ",   "や",   "から", "まで", "より", "です", "ます", "こと",
    "ため", "よう", "など", "して", "いる", "ある", "ない"};
// clang-format on

// Chinese characters and Japanese kana: scripts written without spaces,
// where every character or two is a word.
bool is_cjk(char32_t cp) {
  return (cp >= 0x3040 && cp <= 0x30FF) || (cp >= 0x3400 && cp <= 0x4DBF) ||
         (cp >= 0x4E00 && cp <= 0x9FFF) || (cp >= 0xF900 && cp <= 0xFAFF);
}

static_assert(std::is_sorted(kLatinStopwords.begin(), kLatinStopwords.end()));

// A word of at most 5 lower-case ASCII bytes as one number, first byte
// highest; the order of the numbers is the order of the words.
constexpr uint64_t pack(std::string_view w) {
  uint64_t v = 0;
  for (size_t i = 0; i < 5; ++i) v = (v << 8) | (i < w.size() ? static_cast<uint8_t>(w[i]) : 0);
  return v;
}

constexpr std::array<uint64_t, kLatinStopwords.size()> kPackedStopwords = [] {
  std::array<uint64_t, kLatinStopwords.size()> a{};
  for (size_t i = 0; i < a.size(); ++i) a[i] = pack(kLatinStopwords[i]);
  return a;
}();

// Looked up as numbers: no byte comparison per probe.
bool is_latin_stopword(std::string_view word) {
  return std::binary_search(kPackedStopwords.begin(), kPackedStopwords.end(), pack(word));
}

size_t count_non_overlapping(std::string_view text, std::string_view needle) {
  size_t count = 0;
  size_t at = find_bytes(text, needle, 0);
  while (at != std::string_view::npos) {
    ++count;
    at = find_bytes(text, needle, at + needle.size());
  }
  return count;
}

// Thresholds of the classifier.
constexpr size_t kShortChars = 60;  // below: a short block
constexpr size_t kUndecidedMaxChars = 240;
constexpr size_t kUndecidedMaxHangul = 24;
constexpr size_t kShortHangulKeep = 15;
constexpr size_t kDataMinChars = 40;
constexpr size_t kDataPercent = 5;
constexpr double kHeadingLinkMax = 0.6;
constexpr double kLinkMax = 0.35;
constexpr double kLongStopwordMin = 0.22;
constexpr double kShortStopwordMin = 0.15;
// A table or definition list with at most this share of link text holds
// data (API tables, option and error lists), not a menu.
constexpr double kGroupLinkMax = 0.5;
// A run of fewer list items is no list to judge as a whole.
constexpr size_t kMinListItems = 2;

}  // namespace

BlockStats block_stats(std::string_view t) {
  BlockStats st;
  size_t words = 0;
  size_t latin = 0;
  size_t i = 0;
  const size_t n = t.size();
  size_t word_start = 0;
  bool in_word = false;
  bool word_ascii = true;
  auto end_word = [&](size_t end) {
    ++words;
    const size_t len = end - word_start;
    if (word_ascii && len <= 5) {
      char buf[5];
      for (size_t k = 0; k < len; ++k) buf[k] = ascii_lower_char(t[word_start + k]);
      if (is_latin_stopword(std::string_view(buf, len))) ++latin;
    }
    in_word = false;
  };
  while (i < n) {
    const unsigned char c = static_cast<unsigned char>(t[i]);
    const size_t at = i;
    bool alnum;
    bool ascii = c < 0x80;
    if (ascii) {
      ++i;
      alnum = is_alnum(static_cast<char>(c));
      if (c == '"' || c == '{') ++st.quotes_braces;
    } else {
      const char32_t cp = decode_next(t, i);
      if (is_cjk(cp)) {
        // Counted apart: a run of these is many words, not one.
        ++st.cjk;
        alnum = false;
      } else {
        alnum = is_alphabetic(cp) || is_numeric(cp);
      }
      if (cp >= 0xAC00 && cp <= 0xD7A3) ++st.hangul;
    }
    ++st.chars;
    if (alnum) {
      if (!in_word) {
        in_word = true;
        word_ascii = true;
        word_start = at;
      }
      if (!ascii) word_ascii = false;
    } else if (in_word) {
      end_word(at);
    }
  }
  if (in_word) end_word(n);
  size_t other = 0;
  if (st.hangul > 0)
    for (std::string_view w : kKoreanStopwords) other += count_non_overlapping(t, w);
  if (st.cjk > 0) {
    for (std::string_view w : kChineseStopwords) other += count_non_overlapping(t, w);
    for (std::string_view w : kJapaneseStopwords) other += count_non_overlapping(t, w);
    // Words of Chinese and Japanese run about two characters long.
    words += (st.cjk + 1) / 2;
  }
  if (words > 0)
    st.stopword_share =
        std::min(static_cast<double>(latin + other) / static_cast<double>(words), 1.0);
  return st;
}

Verdict classify_block(const Block& b) {
  if (b.verbatim) return Verdict::keep;
  if (b.plain_chars == 0) return Verdict::drop;
  if (!b.heading && b.link_chars > 0) {
    // Link-heavy and short linked blocks are dropped by the rules below
    // whatever their words: no need to measure them (most of a page's
    // menus and link lists end here).
    const size_t chars = b.plain_chars;
    if (static_cast<double>(b.link_chars) / static_cast<double>(chars) > kLinkMax ||
        chars < kShortChars)
      return Verdict::drop;
  }
  // The markdown has the plain text's words; its prefix, cell borders and
  // line breaks are no letters, but count as characters.
  const BlockStats st = block_stats(trim_ws(b.markdown));
  const size_t c = b.plain_chars;
  // Mostly quotes and braces: serialized data or script text.
  if (c > kDataMinChars && 100 * st.quotes_braces / c >= kDataPercent) return Verdict::drop;
  const double link = static_cast<double>(b.link_chars) / static_cast<double>(c);
  const double s = st.stopword_share;
  if (b.heading) return (link > kHeadingLinkMax || c == 1) ? Verdict::drop : Verdict::keep;
  if (link > kLinkMax) return Verdict::drop;
  if (c >= kShortChars) {
    if (s < kLongStopwordMin && c <= kUndecidedMaxChars && st.hangul <= kUndecidedMaxHangul)
      return Verdict::undecided;
    return Verdict::keep;
  }
  if (b.link_chars > 0) return Verdict::drop;
  if (st.hangul < kShortHangulKeep && s < kShortStopwordMin) return Verdict::drop;
  return Verdict::undecided;
}

std::vector<bool> settle_verdicts(const std::vector<Verdict>& verdicts) {
  const size_t n = verdicts.size();
  // next_keep[i]: the nearest decided verdict after block i is keep.
  std::vector<bool> next_keep(n, false);
  bool next = false;
  for (size_t i = n; i-- > 0;) {
    next_keep[i] = next;
    if (verdicts[i] != Verdict::undecided) next = verdicts[i] == Verdict::keep;
  }
  std::vector<bool> keep(n, false);
  for (size_t i = 0; i < n; ++i) {
    if (verdicts[i] != Verdict::undecided)
      keep[i] = verdicts[i] == Verdict::keep;
    else
      keep[i] = (i > 0 && keep[i - 1]) || next_keep[i];
  }
  return keep;
}

std::vector<Verdict> relax_in_content(const std::vector<Block>& blocks,
                                      std::vector<Verdict> verdicts) {
  // A short line without links between kept blocks: a step's label, a
  // caption, a name. One at the edge of the content (a copyright line, a
  // date, a label before a menu) stays dropped. Such lines, and undecided
  // blocks, are passed over in looking for the kept ones around.
  auto short_line = [&](size_t k) {
    return !blocks[k].heading && blocks[k].link_chars == 0 && verdicts[k] == Verdict::drop &&
           blocks[k].plain_chars > 1 && blocks[k].plain_chars < kShortChars;
  };
  std::vector<bool> kept_before(blocks.size(), false);
  bool kept = false;
  for (size_t k = 0; k < blocks.size(); ++k) {
    kept_before[k] = kept;
    if (verdicts[k] != Verdict::undecided && !short_line(k)) kept = verdicts[k] == Verdict::keep;
  }
  kept = false;
  for (size_t k = blocks.size(); k-- > 0;) {
    const bool line = short_line(k);
    if (line && kept && kept_before[k]) verdicts[k] = Verdict::undecided;
    if (verdicts[k] != Verdict::undecided && !line) kept = verdicts[k] == Verdict::keep;
  }
  // The items of a list with little link text as a whole.
  size_t i = 0;
  while (i < blocks.size()) {
    if (blocks[i].item_indent < 0 || blocks[i].heading || blocks[i].verbatim) {
      ++i;
      continue;
    }
    size_t end = i;
    size_t chars = 0, link_chars = 0;
    while (end < blocks.size() && blocks[end].item_indent >= 0 && !blocks[end].heading &&
           !blocks[end].verbatim && blocks[end].group == blocks[i].group) {
      chars += blocks[end].plain_chars;
      link_chars += blocks[end].link_chars;
      ++end;
    }
    if (end - i >= kMinListItems &&
        static_cast<double>(link_chars) <= kGroupLinkMax * static_cast<double>(chars))
      for (size_t k = i; k < end; ++k)
        if (verdicts[k] == Verdict::drop && blocks[k].plain_chars > 0)
          verdicts[k] = Verdict::undecided;
    i = end;
  }
  return verdicts;
}

std::vector<Verdict> block_verdicts(const std::vector<Block>& blocks) {
  std::vector<Verdict> verdicts;
  verdicts.reserve(blocks.size());
  size_t groups = 0;
  for (const Block& b : blocks) {
    verdicts.push_back(classify_block(b));
    groups = std::max<size_t>(groups, b.group);
  }
  if (groups == 0) return verdicts;
  // A cell or term alone is too short to judge: a name, a number, a link
  // to the entry it names. Its table or list as a whole tells data from a
  // menu.
  struct Totals {
    size_t chars = 0;
    size_t link_chars = 0;
    bool heading = false;  // a table with headings lays out a page
  };
  std::vector<Totals> totals(groups + 1);
  for (size_t i = 0; i < blocks.size(); ++i) {
    const Block& b = blocks[i];
    if (b.group == 0) continue;
    totals[b.group].chars += b.plain_chars;
    totals[b.group].link_chars += b.link_chars;
    if (b.heading) totals[b.group].heading = true;
  }
  auto holds_data = [&](size_t group) {
    const Totals& t = totals[group];
    return !t.heading &&
           static_cast<double>(t.link_chars) <= kGroupLinkMax * static_cast<double>(t.chars);
  };
  for (size_t i = 0; i < blocks.size(); ++i) {
    const Block& b = blocks[i];
    if (verdicts[i] != Verdict::drop || b.heading) continue;
    if (b.group != 0) {
      if (b.plain_chars > 0 && b.plain_chars < kShortChars && holds_data(b.group))
        verdicts[i] = Verdict::undecided;
      continue;
    }
    // A short unlinked line right before such a table or list is its
    // label (a caption, a rubric): it goes with the table.
    if (i + 1 < blocks.size() && blocks[i + 1].group != 0 && b.link_chars == 0 &&
        holds_data(blocks[i + 1].group) && b.plain_chars < kShortChars)
      verdicts[i] = Verdict::undecided;
  }
  return verdicts;
}

std::vector<bool> classify_blocks(const std::vector<Block>& blocks) {
  return settle_verdicts(block_verdicts(blocks));
}

bool keep_simple(const Block& b) {
  if (b.verbatim) return true;
  const size_t c = b.plain_chars;
  const double link =
      static_cast<double>(b.link_chars) / static_cast<double>(std::max<size_t>(c, 1));
  return c > 24 && link < 0.5;
}

std::vector<bool> classify_blocks_simple(const std::vector<Block>& blocks) {
  std::vector<bool> keep;
  keep.reserve(blocks.size());
  for (const Block& b : blocks) keep.push_back(keep_simple(b));
  return keep;
}

}  // namespace zub
