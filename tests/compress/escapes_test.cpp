#include "compress/escapes.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "base/text.h"

namespace {

std::vector<std::string> streamed(std::string_view text) {
  std::vector<std::string> out;
  std::string_view line;
  for (zub::CleanLines r = zub::clean_lines(text); zub::next_clean_line(r, line);)
    out.emplace_back(line);
  return out;
}

std::vector<std::string> copied(std::string_view text) {
  std::string storage;
  std::vector<std::string> out;
  for (auto l : zub::split_lines(zub::strip_escapes(text, storage))) out.emplace_back(l);
  return out;
}

}  // namespace

TEST(Escapes, StripRemovesThroughTheNextLetter) {
  std::string storage;
  EXPECT_EQ(zub::strip_escapes("plain\n", storage), "plain\n");
  EXPECT_EQ(zub::strip_escapes("\x1b[1;31mred\x1b[0m\n", storage), "red\n");
  EXPECT_EQ(zub::strip_escapes("a\xC2\x9B"
                               "2Kb",
                               storage),
            "ab");
  EXPECT_EQ(zub::strip_escapes("keep \xC2\xA0 nbsp", storage), "keep \xC2\xA0 nbsp");
  EXPECT_EQ(zub::strip_escapes("x\x1b[12", storage), "x");
  EXPECT_EQ(zub::strip_escapes("a\x1b\n\n9m\nb", storage), "a\nb");
  // The sequence of the first ESC runs over the second ESC up to "m".
  EXPECT_EQ(zub::strip_escapes("\x1b\x1b[0mz", storage), "z");
}

TEST(Escapes, StreamedLinesMatchTheCopiedText) {
  const std::string samples[] = {
      "",
      "\n",
      "a\r\nb\n\nc",
      "\x1b[31mred\r\x1b[0m\nnext\n",  // CR before a removed sequence still goes with the LF
      "one\x1b[0m\n\x1b[0m",           // only a sequence after the last LF: no extra line
      "x\x1b\n\ny\x1b[0mz\nw\x1b[5",   // sequences spanning lines, unterminated at the end
      "\xC2\x9B"
      "1mcsi\n\x1b\x1b[0m\r\n",
      "a\rb\n\r\n\r",
  };
  for (const auto& s : samples) EXPECT_EQ(streamed(s), copied(s)) << s;
}
