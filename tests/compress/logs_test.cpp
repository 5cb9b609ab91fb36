#include "compress/logs.h"

#include <gtest/gtest.h>
#include <string>

using zub::logs;

namespace {

std::string closing(uint64_t total, uint64_t unique, uint64_t dropped = 0) {
  std::string s = "[";
  s += std::to_string(total) + " lines in -> " + std::to_string(unique) + " unique";
  if (dropped) s += ", " + std::to_string(dropped) + " older dropped";
  return s + "]\n";
}

// `n` lines of the same shape, differing only in their numbers.
std::string shaped(int n, const std::string& word = "took") {
  std::string s;
  for (int i = 0; i < n; ++i)
    s += "12:00:" + std::to_string(i % 60) + " " + word + " " + std::to_string(i * 7) + "ms\n";
  return s;
}

}  // namespace

TEST(Logs, PassthroughKeepsEscapesBelowThreshold) {
  std::string in = "\x1b[31mred\x1b[0m\n";
  while (in.size() < 2047) in += "z";
  in.resize(2047);
  EXPECT_EQ(logs(in, 3000), in);
  EXPECT_EQ(logs("", 3000), "");
}

TEST(Logs, FoldsByDigitRunsInFirstAppearanceOrder) {
  std::string in = "  12:00:01 took 35ms\n";
  in += "step 17 of 20\n";
  in += "12:00:07 took 4ms   \n";
  in += "id 3fa9c\n";
  in += "id 3fb9c\n";
  in += "step 1 of 2\n";
  in += "\n   \n";
  in += shaped(100);
  const std::string out = logs(in, 3000);
  // The first line's own text (leading spaces and digits) is what is shown.
  EXPECT_EQ(out,
            "  12:00:01 took 35ms  \u00d7102\n"
            "step 17 of 20  \u00d72\n"
            "id 3fa9c\n"
            "id 3fb9c\n" +
                closing(108, 4));
}

TEST(Logs, LimitKeepsOnlyTheNewestLines) {
  std::string in;
  for (int i = 0; i < 5000; ++i)
    in += (i < 2000 ? "old line " : "new line ") + std::to_string(i) + "\n";
  EXPECT_EQ(logs(in, 3000), "new line 2000  \u00d73000\n" + closing(5000, 1, 2000));
  // Without a final newline the last line still counts, from both ends.
  std::string unterminated = in + "tail";
  EXPECT_EQ(logs(unterminated, 1), "tail\n" + closing(5001, 1, 5000));
  EXPECT_EQ(logs(unterminated, 4999),
            "old line 2  \u00d71998\nnew line 2000  \u00d73000\ntail\n" + closing(5001, 3, 2));
  EXPECT_EQ(logs(in, 0), closing(5000, 0, 5000));
  EXPECT_EQ(logs(unterminated, 0), closing(5001, 0, 5001));
}

TEST(Logs, OnlyBlankConsideredLinesGiveEmptySummary) {
  std::string in = shaped(100);
  for (int i = 0; i < 50; ++i) in += " \t\r\n";
  EXPECT_EQ(logs(in, 50), closing(150, 0, 100));
}

TEST(Logs, LongLinesCutAtCharacterBoundary) {
  std::string ascii(300, 'a');
  std::string han = "x";
  for (int i = 0; i < 100; ++i) han += "\xEA\xB0\x80";  // byte 200 falls inside a character
  std::string in = ascii + "\n" + han + "\n";
  while (in.size() < 2048) in += "\n";
  EXPECT_EQ(logs(in, 3000), ascii.substr(0, 200) + "\n" + han.substr(0, 199) + "\n" +
                                closing(2 + (in.size() - ascii.size() - han.size() - 2), 2));
}

TEST(Logs, EscapeSequencesLeaveKeysAndLines) {
  std::string in;
  for (int i = 0; i < 200; ++i) {
    in +=
        "\x1b[3" + std::to_string(i % 8) + "m[INFO]\x1b[0m request " + std::to_string(i) + " ok\n";
  }
  in +=
      "\xC2\x9B"
      "1;2Hcsi line\n";
  in += "bold \x1b[1";  // unterminated: removed to the end
  EXPECT_EQ(logs(in, 3000), "[INFO] request 0 ok  \u00d7200\ncsi line\nbold \n" + closing(202, 3));
  // A sequence may swallow line feeds, which then do not count.
  std::string swallow = shaped(200) + "a\x1b\n\n\nmb\n";
  EXPECT_EQ(logs(swallow, 3000), "12:00:0 took 0ms  \u00d7200\nab\n" + closing(201, 2));
}
