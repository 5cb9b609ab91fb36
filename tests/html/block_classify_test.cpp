#include "html/block_classify.h"

#include "base/unicode.h"
#include "base/utf8.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using zub::Block;
using zub::block_stats;
using zub::classify_block;
using zub::settle_verdicts;
using zub::Verdict;

namespace {

Block make(std::string plain, size_t link_chars = 0, bool heading = false, bool verbatim = false) {
  Block b;
  b.plain_bytes = plain.size();
  b.plain_chars = static_cast<uint32_t>(zub::char_count(zub::trim_ws(plain)));
  // Blocks of a test live as long as the test binary.
  static zub::TextArena texts;
  b.markdown = texts.keep(plain);
  b.link_chars = static_cast<uint32_t>(link_chars);
  b.heading = heading;
  b.verbatim = verbatim;
  return b;
}

// n characters of words that are not stopwords.
std::string plain_words(size_t n) {
  std::string s;
  while (s.size() < n) s += s.empty() ? "zz" : " zz";
  return s.substr(0, n);
}

// n characters with a high stopword share ("the" is one).
std::string stopword_text(size_t n) {
  std::string s;
  while (s.size() < n) s += s.empty() ? "the" : " the";
  s = s.substr(0, n);
  if (s.back() == ' ') s.back() = 'x';
  return s;
}

const char* name(Verdict v) {
  return v == Verdict::keep ? "keep" : v == Verdict::drop ? "drop" : "undecided";
}

}  // namespace

TEST(BlockStats, CountsCharactersWordsAndStopwords) {
  auto st = block_stats("The cat is on the mat");
  EXPECT_EQ(st.chars, 21u);
  EXPECT_DOUBLE_EQ(st.stopword_share, 4.0 / 6.0);  // The, is, on, the

  // Words are runs of letters and digits; punctuation splits them.
  st = block_stats("it's x-ray 2024 of,the");
  EXPECT_DOUBLE_EQ(st.stopword_share, 3.0 / 7.0);  // it, of, the

  // Only pure-ASCII words of at most five bytes are looked up.
  st = block_stats("thé there theres");
  EXPECT_DOUBLE_EQ(st.stopword_share, 1.0 / 3.0);

  st = block_stats("\"{\"a\": {}}\"");
  EXPECT_EQ(st.quotes_braces, 6u);
  EXPECT_EQ(block_stats("...").stopword_share, 0.0);  // no words at all
}

// Prose of the European languages pages are most written in reads as
// prose by its function words, as English does; names and labels do not.
TEST(BlockStats, FunctionWordsOfEuropeanLanguages) {
  struct Case {
    const char* text;
    double share;
  };
  const Case cases[] = {
      {"Desde la inesperada postulación de Pekín hasta la pandemia del coronavirus", 4.0 / 11},
      {"Le gouvernement a annoncé une réforme des retraites pour les salariés", 6.0 / 11},
      {"Die Regierung hat sich mit der Opposition auf einen Kompromiss geeinigt", 5.0 / 11},
      {"O governo anunciou uma reforma das aposentadorias para os servidores", 4.0 / 10},
      {"Il governo ha annunciato una riforma delle pensioni per i dipendenti", 3.0 / 11},
      {"De regering heeft een akkoord met de oppositie bereikt over het plan", 5.0 / 12},
      {"Souček je nepostradatelným členem sestavy a trenér na něj spoléhá", 3.0 / 10},
      {"Nintendo Switch Lite Turquoise Edition", 0.0},
  };
  for (const Case& c : cases)
    EXPECT_DOUBLE_EQ(block_stats(c.text).stopword_share, c.share) << c.text;
}

TEST(BlockStats, KoreanStopwordsAreCountedAsSubstrings) {
  // 2 words holding 6 stopword occurrences: 이 twice, 것, 이다, 그, 그리고.
  auto st = block_stats("이것이다 그리고");
  EXPECT_EQ(st.hangul, 7u);
  EXPECT_DOUBLE_EQ(st.stopword_share, 1.0);  // capped at 1
  st = block_stats("가나다라 마바사");
  EXPECT_EQ(st.hangul, 7u);
  EXPECT_EQ(st.stopword_share, 0.0);
  // Non-overlapping: "이이이" holds "이" three times and "이다" not at all.
  st = block_stats("이이이 x y z w v");
  EXPECT_DOUBLE_EQ(st.stopword_share, 3.0 / 6.0);
}

TEST(ClassifyBlock, EachRule) {
  struct Case {
    const char* what;
    Block block;
    Verdict want;
  };
  const std::string long_plain = plain_words(100);   // S = 0
  const std::string long_stop = stopword_text(100);  // S = 1
  const Case cases[] = {
      {"verbatim is kept", make("{\"json\": 1}", 0, false, true), Verdict::keep},
      {"blank is dropped", make("   "), Verdict::drop},
      {"quotes and braces", make(std::string(38, 'a') + "\"{\""), Verdict::drop},
      {"few quotes pass", make(stopword_text(100) + "\"\"\"\""), Verdict::keep},
      {"short quoted text is not data", make("\"{\"the\"}\""), Verdict::undecided},
      {"heading kept", make("Intro", 0, true), Verdict::keep},
      {"heading of one character", make("x", 0, true), Verdict::drop},
      {"heading mostly link", make("Read more now", 10, true), Verdict::drop},
      {"heading with some link", make("Read more now", 7, true), Verdict::keep},
      {"link dense", make(long_stop, 36), Verdict::drop},
      {"link light", make(long_stop, 35), Verdict::keep},
      {"long, few stopwords", make(long_plain), Verdict::undecided},
      {"very long, few stopwords", make(plain_words(241)), Verdict::keep},
      {"long, Hangul-rich",
       make(plain_words(40) + " " + "가나다라마바사아자차카타파하가나다라마바사아자차카타"),
       Verdict::keep},
      {"long with stopwords", make(long_stop), Verdict::keep},
      {"short with a link", make("the the the", 1), Verdict::drop},
      {"short, no stopwords", make("Copyright Acme Corp"), Verdict::drop},
      {"short with stopwords", make("this is it"), Verdict::undecided},
      {"short Korean", make("가나다라마바사아자차카타파하가"), Verdict::undecided},
      {"short, little Korean", make("가나다라마바사"), Verdict::drop},
  };
  for (const Case& c : cases)
    EXPECT_EQ(classify_block(c.block), c.want)
        << c.what << ": got " << name(classify_block(c.block));
}

TEST(SettleVerdicts, UndecidedFollowNeighbours) {
  const Verdict K = Verdict::keep, D = Verdict::drop, U = Verdict::undecided;
  struct Case {
    std::vector<Verdict> in;
    std::vector<bool> want;
  };
  const Case cases[] = {
      {{U, K}, {true, true}},
      {{U, D}, {false, false}},
      {{U}, {false}},
      {{U, U, K}, {true, true, true}},
      {{K, U, D}, {true, true, false}},  // a kept predecessor wins
      {{D, U, K}, {false, true, true}},  // else the next decided one
      {{D, U, D}, {false, false, false}},
      {{D, U, U, K, U}, {false, true, true, true, true}},
      {{K, U, U, D, U, U}, {true, true, true, false, false, false}},
      {{}, {}},
  };
  for (const Case& c : cases) EXPECT_EQ(settle_verdicts(c.in), c.want);
}

TEST(ClassifySimple, KeepsLongLowLinkBlocksAndCode) {
  std::vector<Block> blocks = {
      make(plain_words(25)),      // 25 > 24: kept
      make(plain_words(24)),      // too short
      make(plain_words(40), 20),  // half link: dropped
      make(plain_words(40), 19),  // kept
      make("x", 0, false, true),  // code always kept
  };
  EXPECT_EQ(zub::classify_blocks_simple(blocks),
            (std::vector<bool>{true, false, false, true, true}));
}

// Chinese and Japanese are written without spaces: every two characters
// count as a word, and their function words as stopwords, so prose is kept
// or follows its neighbours while a run of labels is dropped.
TEST(BlockStats, ChineseAndJapaneseFunctionWords) {
  // 17 Han characters, of which 的, 是, 在 and 了 are function words.
  auto st = block_stats("这是我们在北京看到的最美丽的风景了");
  EXPECT_EQ(st.cjk, 17u);
  EXPECT_DOUBLE_EQ(st.stopword_share, 1.0);  // 7 hits (这 是 们 在 的 的 了) over 9 words
  st = block_stats("私は東京の大学で日本語を勉強しています");
  EXPECT_GT(st.stopword_share, 0.5);
  st = block_stats("首页 新闻 体育 娱乐 财经 科技");  // a menu: no function word
  EXPECT_EQ(st.cjk, 12u);
  EXPECT_DOUBLE_EQ(st.stopword_share, 0.0);
  // Mixed text: the English words count as before.
  st = block_stats("the 北京");
  EXPECT_DOUBLE_EQ(st.stopword_share, 0.5);

  const std::string zh_para =  // 70 characters of ordinary prose
      "这座城市的历史可以追溯到两千多年以前，当时的人们在河边建立了第一个村庄，"
      "后来逐渐发展成为一个重要的商业中心，吸引了来自各地的商人和工匠。";
  EXPECT_STREQ(name(classify_block(make(zh_para))), "keep");
  EXPECT_STREQ(name(classify_block(make("他们在这里生活了很多年。"))), "undecided");
  EXPECT_STREQ(name(classify_block(make("首页 新闻 体育 娱乐"))), "drop");
  EXPECT_STREQ(name(classify_block(make("私たちは毎朝この公園を散歩します。"))), "undecided");
}
