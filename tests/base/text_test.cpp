#include <gtest/gtest.h>

#include "base/elide.h"
#include "base/fnv.h"
#include "base/number.h"
#include "base/os_error.h"
#include "base/text.h"
#include "base/unicode.h"
#include "base/utf8.h"

using namespace zub;

TEST(SplitLines, LineFeedsCarriageReturnsAndTheLastLine) {
  using V = std::vector<std::string_view>;
  EXPECT_EQ(split_lines(""), V{});
  EXPECT_EQ(split_lines("\n"), V{""});
  EXPECT_EQ(split_lines("a\r\nb\n"), (V{"a", "b"}));
  EXPECT_EQ(split_lines("a\n\nb"), (V{"a", "", "b"}));
  // A lone carriage return is content, not a line end.
  EXPECT_EQ(split_lines("a\rb\r"), V{"a\rb\r"});
  EXPECT_EQ(split_lines("a\r\r\n"), V{"a\r"});
}

TEST(FindBytes, FirstOccurrenceFromOffset) {
  EXPECT_EQ(find_bytes("abcabc", "bc", 0), 1u);
  EXPECT_EQ(find_bytes("abcabc", "bc", 2), 4u);
  EXPECT_EQ(find_bytes("abcabc", "bd", 0), std::string_view::npos);
  EXPECT_EQ(find_bytes("abc", "", 3), 3u);
  EXPECT_EQ(find_bytes("abc", "", 4), std::string_view::npos);
  EXPECT_EQ(find_bytes("ab", "abc", 0), std::string_view::npos);
  EXPECT_EQ(find_bytes(std::string_view("a\0b\0c", 5), std::string_view("\0c", 2), 0), 3u);
}

TEST(Unicode, WhiteSpaceTrimmingIsUnicodeAware) {
  // U+3000 ideographic space, U+00A0 no-break space, U+2028 line separator.
  EXPECT_EQ(trim_ws("\xE3\x80\x80 x\xC2\xA0\t\xE2\x80\xA8"), "x");
  EXPECT_EQ(trim_ws_start("  a b "), "a b ");
  EXPECT_EQ(trim_ws_end("  a b \r"), "  a b");
  // U+200B zero width space is not White_Space.
  EXPECT_EQ(trim_ws("\xE2\x80\x8B"), "\xE2\x80\x8B");
  EXPECT_TRUE(is_blank(" \t\xC2\x85"));
  EXPECT_FALSE(is_blank(" ."));
  // Invalid bytes are never trimmed into.
  EXPECT_EQ(trim_ws(" \xE2\x80 "), "\xE2\x80");
}

TEST(Unicode, PropertyTables) {
  EXPECT_TRUE(is_alphabetic(U'z'));
  EXPECT_TRUE(is_alphabetic(U'한'));
  EXPECT_TRUE(is_alphabetic(U'é'));
  EXPECT_FALSE(is_alphabetic(U'_'));
  EXPECT_FALSE(is_alphabetic(U'3'));
  EXPECT_TRUE(is_numeric(U'٣'));  // Arabic-Indic digit three
  EXPECT_TRUE(is_numeric(U'½'));
  EXPECT_FALSE(is_numeric(U'a'));
  EXPECT_TRUE(is_white_space(0x1680));
  EXPECT_FALSE(is_white_space(0x180E));  // Mongolian vowel separator left White_Space
}

TEST(Utf8, ValidationRejectsEveryIllFormedShape) {
  EXPECT_TRUE(is_valid_utf8("plain ascii text that is longer than eight bytes"));
  EXPECT_TRUE(is_valid_utf8("한글 \xF0\x9F\x98\x80"));
  EXPECT_FALSE(is_valid_utf8("\xC0\x80"));          // overlong NUL
  EXPECT_FALSE(is_valid_utf8("\xED\xA0\x80"));      // surrogate
  EXPECT_FALSE(is_valid_utf8("\xF4\x90\x80\x80"));  // above U+10FFFF
  EXPECT_FALSE(is_valid_utf8("abcdefgh\xE2\x82"));  // truncated after the fast path
  EXPECT_FALSE(is_valid_utf8("\x80"));
}

TEST(Utf8, LossyDecodingReplacesMaximalSubparts) {
  // E2 82 is one maximal subpart (one U+FFFD), then 'a'.
  EXPECT_EQ(decode_lossy("\xE2\x82" "a"), "\xEF\xBF\xBD" "a");
  // Each byte of an invalid lead is its own subpart.
  EXPECT_EQ(decode_lossy("\xC0\xAF"), "\xEF\xBF\xBD\xEF\xBF\xBD");
  // F0 80: 80 is not a valid second byte after F0, so F0 alone, then 80.
  EXPECT_EQ(decode_lossy("\xF0\x80"), "\xEF\xBF\xBD\xEF\xBF\xBD");
  EXPECT_EQ(decode_lossy("\xF0\x9F\x98"), "\xEF\xBF\xBD");
  EXPECT_EQ(decode_lossy("ok"), "ok");
}

TEST(Utf8, BoundariesAndCuts) {
  const std::string s = "a한b";  // a, 3 bytes, b
  EXPECT_EQ(byte_cut(s, 2), "a");
  EXPECT_EQ(byte_cut(s, 4), "a한");
  EXPECT_EQ(byte_cut(s, 100), s);
  EXPECT_EQ(ceil_char_boundary(s, 2), 4u);
  EXPECT_EQ(floor_char_boundary(s, 3), 1u);
  EXPECT_EQ(char_count(s), 3u);
  EXPECT_EQ(char_offset(s, 2), 4u);
  EXPECT_EQ(char_offset(s, 9), s.size());
}

TEST(Elide, HeadTailAndCountedMiddle) {
  const std::string line(1000, 'x');
  std::string out;
  bool shortened = false;
  EXPECT_EQ(append_elided(out, line, 200, &shortened), 800u);
  EXPECT_TRUE(shortened);
  EXPECT_EQ(out, std::string(140, 'x') + "…800c…" + std::string(60, 'x'));

  // 201 bytes: shortened although the result is longer.
  out.clear();
  EXPECT_EQ(append_elided(out, std::string(201, 'y'), 200, &shortened), 1u);
  EXPECT_TRUE(shortened);

  // Exactly W bytes stays whole.
  out.clear();
  EXPECT_EQ(append_elided(out, std::string(200, 'z'), 200, &shortened), 0u);
  EXPECT_FALSE(shortened);
  EXPECT_EQ(out.size(), 200u);

  // Width 0: only the marker.
  EXPECT_EQ(elide_line("abc", 0), "…3c…");

  // Multi-byte characters are never split: the head moves back, the tail
  // forward.
  std::string korean;
  for (int i = 0; i < 100; ++i) korean += "가";  // 300 bytes
  const std::string e = elide_line(korean, 200);
  EXPECT_TRUE(is_valid_utf8(e));
  // Head: 140 -> 138 bytes (46 chars); tail starts at ceil(240) = 240.
  EXPECT_EQ(e.substr(0, 138), korean.substr(0, 138));
  EXPECT_NE(e.find("…102c…"), std::string::npos);

  // A huge width never overflows.
  EXPECT_EQ(elide_line("abc", UINT64_MAX), "abc");
}

TEST(Number, TheNumberArgumentRule) {
  EXPECT_EQ(parse_u64("0"), 0u);
  EXPECT_EQ(parse_u64("+5"), 5u);
  EXPECT_EQ(parse_u64("18446744073709551615"), UINT64_MAX);
  for (const char* bad : {"", "+", "-", "-5", "++5", "5 ", " 5", "1e3", "18446744073709551616", "0x10"})
    EXPECT_FALSE(parse_u64(bad).has_value()) << bad;
  EXPECT_EQ(parse_u16("65535"), 65535);
  EXPECT_FALSE(parse_u16("65536").has_value());
  EXPECT_FALSE(parse_u32("4294967296").has_value());
}

TEST(Fnv, TwoDistinctVariants) {
  // Published FNV-1a 64 test vectors.
  EXPECT_EQ(line_fingerprint(""), 0xcbf29ce484222325ULL);
  EXPECT_EQ(line_fingerprint("a"), 0xaf63dc4c8601ec8cULL);
  EXPECT_EQ(line_fingerprint("foobar"), 0x85944171f73967e8ULL);
  EXPECT_EQ(fetch_key_hash(""), 0x14650fb0739d0383ULL);
  EXPECT_NE(fetch_key_hash("a"), line_fingerprint("a"));
  // One step by hand: (basis ^ 'a') * prime.
  EXPECT_EQ(fetch_key_hash("a"), (0x14650fb0739d0383ULL ^ 0x61) * 0x100000001b3ULL);
}

TEST(PathError, StrerrorTextWithCode) {
  EXPECT_EQ(os_error_text(2), "No such file or directory (os error 2)");
  EXPECT_EQ(os_error_text(13), "Permission denied (os error 13)");
}
