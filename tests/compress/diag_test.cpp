#include "compress/diag.h"

#include <gtest/gtest.h>
#include <string>

using zub::diag;
using zub::diag_summary;
using zub::DiagSummary;

namespace {

const std::string kClosing =
    "[zub diag = 요약(원문 ~75% 소실). 개별 에러를 고치려면 `zub trim` 을 써라.]\n";

std::string refusal(int recognized, int total) {
  return "[zub diag: only " + std::to_string(recognized) + "/" + std::to_string(total) +
         " lines recognized as diagnostics: not a linter/compiler/test log. Use `zub trim` "
         "(near-lossless) or `zub logs` instead.]\n";
}

// Source-quote lines that diag recognises and keeps out of the summary:
// appended to a short sample they make the summary shorter than its input.
std::string quiet(int n = 40) {
  std::string s;
  for (int i = 0; i < n; ++i) s += "   |" + std::string(60, ' ') + "x\n";
  return s;
}

}  // namespace

TEST(Diag, RefusesBelowThreeRecognisedLines) {
  EXPECT_EQ(diag(""), refusal(0, 0));
  std::string words;
  for (int i = 0; i < 8; ++i) words += "hello there, some words ";
  EXPECT_EQ(diag(words + "\nPASS one\nworld\nok two\n"), refusal(2, 4));
  // A summary, or a refusal, no shorter than the input gives way to the
  // input itself.
  EXPECT_EQ(diag("hello\nPASS one\nworld\nok two\n"), "hello\nPASS one\nworld\nok two\n");
  EXPECT_EQ(diag("hello\nPASS one\nworld\nok two\nok three\n"),
            "hello\nPASS one\nworld\nok two\nok three\n");
  EXPECT_EQ(diag("hello\nPASS one\nworld\nok two\nok three\n" + quiet()),
            "== 3 passed (suppressed) ==\n"
            "== 2 unrecognized lines (first 25) ==\n"
            "  hello\n"
            "  world\n" +
                kClosing);
}

TEST(Diag, CodeFirstOutputWithLocationGutterAndHelp) {
  const std::string in =
      "F401 [*] `os` imported but unused\n"
      " --> src/app.py:1:8\n"
      "  |\n"
      "1 | import os\n"
      "  |        ^^ F401\n"
      "  = note: unused\n"
      "help: Remove unused import: `os`\n"
      "\n"
      "E501 Line too long (120 > 88)\n"
      " --> src/app.py:9:89\n"
      "F401 [*] `sys` imported but unused\n"
      "Found 3 errors.\n";
  EXPECT_EQ(diag(in + quiet()),
            "== 3 diagnostics / 2 distinct rules ==\n"
            "   2x ruff:F401\n"
            "      F401 [*] `os` imported but unused\n"
            "      F401 [*] `sys` imported but unused\n"
            "   1x ruff:E501\n"
            "      E501 Line too long (120 > 88)\n" +
                // Only the blank line is left: no header with nothing under it.
                kClosing);
}

TEST(Diag, TableStyleLinesRulesSeveritiesAndFilePrefix) {
  std::string in = "/repo/src/app.tsx\n";
  for (int i = 1; i <= 5; ++i)
    in += "  " + std::to_string(i) + ":3  error  'x' is not defined  no-undef\n";
  in += "  7:1  warning  Missing semicolon  semi\n";
  in += "  8:1  error  Missing semicolon  semi\n";
  in += "  9:1  warning  Prefer const  plugin/prefer-const\n";
  in += "  10:1  warning  Bad  trailing-\n";
  in += "12 error something  @scope/rule_x-y\n";
  const std::string out = diag(in + quiet());
  // Error lines are listed whole in their own section; the rules table
  // counts them and shows examples of the warnings only.
  EXPECT_EQ(out,
            "== 10 diagnostics / 5 distinct rules ==\n"
            "   5x no-undef\n"
            "   2x (no-rule-id) warning\n"
            "      /repo/src/app.tsx:7:1  warning  Missing semicolon  semi\n"
            "      /repo/src/app.tsx:10:1  warning  Bad  trailing-\n"
            "   1x (no-rule-id) error\n"
            "   1x @scope/rule_x-y\n"
            "   1x plugin/prefer-const\n"
            "      /repo/src/app.tsx:9:1  warning  Prefer const  plugin/prefer-const\n"
            "== 7 error lines ==\n"
            "  /repo/src/app.tsx:1:3  error  'x' is not defined  no-undef\n"
            "  /repo/src/app.tsx:2:3  error  'x' is not defined  no-undef\n"
            "  /repo/src/app.tsx:3:3  error  'x' is not defined  no-undef\n"
            "  /repo/src/app.tsx:4:3  error  'x' is not defined  no-undef\n"
            "  /repo/src/app.tsx:5:3  error  'x' is not defined  no-undef\n"
            "  /repo/src/app.tsx:8:1  error  Missing semicolon  semi\n"
            "  /repo/src/app.tsx:12 error something  @scope/rule_x-y\n" +
                // The file line is context, neither listed nor counted.
                kClosing);
}

TEST(Diag, TypeScriptRulesAndCountAlignment) {
  std::string in;
  for (int i = 0; i < 12; ++i)
    in += "src/a.ts(" + std::to_string(i) + ",1): error TS2304: Cannot find name 'x'.\n";
  in += "src/b.ts(1,1): error TS7006x: odd\n";
  in += "  Type 'Function' provides no match for the signature '(): any'.\n";  // explains it
  in += "src/c.ts(4,2): error TS2304: Cannot find name 'x'.\n";
  const std::string out = diag(in + quiet());
  // One message at many places is one line that lists every place, by file.
  EXPECT_EQ(out,
            "== 14 diagnostics / 2 distinct rules ==\n"
            "  13x TS2304\n"
            "   1x TS7006x\n"
            "== 14 error lines ==\n"
            "  error TS2304: Cannot find name 'x'. (\u00d713) at "
            "src/a.ts:0:1,1:1,2:1,3:1,4:1,5:1,6:1,7:1,8:1,9:1,10:1,11:1 src/c.ts:4:2\n"
            "  src/b.ts(1,1): error TS7006x: odd\n" +
                kClosing);
}

TEST(Diag, FailuresCappedPassesCountedAndRulesListCapped) {
  std::string in;
  for (int i = 0; i < 110; ++i) in += "FAIL test_" + std::to_string(i) + "\n";
  for (int i = 0; i < 7; ++i) in += "ok " + std::to_string(i) + " - works\n";
  in += "....................\n";
  in += "...\n";  // too short to be a dots line
  in += "PASSED all\n";
  in += "E   assert 1 == 2\n";
  in += "\xE2\x9C\x98 broken\n";
  in += "x AssertionError: nope\n";
  for (int i = 0; i < 30; ++i) in.append("R").append(std::to_string(100 + i)).append(" message\n");
  const std::string out = diag(in + quiet());
  // 30 distinct code-first rules: all counted, 25 listed.
  EXPECT_EQ(out.rfind("== 30 diagnostics / 30 distinct rules ==\n", 0), 0u);
  EXPECT_NE(out.find("   1x ruff:R124\n"), std::string::npos);
  EXPECT_EQ(out.find("ruff:R125"), std::string::npos);
  EXPECT_NE(out.find("== 100 failure lines ==\n  FAIL test_0\n"), std::string::npos);
  EXPECT_EQ(out.find("test_100"), std::string::npos);
  // The 12 lines not stored (10 FAIL, the cross, the assertion) are counted;
  // pytest's explanation line is an error line.
  EXPECT_NE(out.find("  FAIL test_99\n  \u2026 +12 more failure lines (rerun raw for full list)\n"),
            std::string::npos);
  EXPECT_NE(out.find("== 1 error lines ==\n  E   assert 1 == 2\n"), std::string::npos);
  EXPECT_NE(out.find("== 28 passed (suppressed) ==\n"),
            std::string::npos);  // 7 ok + 20 dots + PASSED
  // Only "..." is unrecognised.
  EXPECT_NE(out.find("== 1 unrecognized lines (first 25) ==\n  ...\n["), std::string::npos);
}

TEST(Diag, UnrecognisedSampleFiltersAndStopsAt25) {
  std::string in = "PASS a\nPASS b\nPASS c\n\n\n";
  in += "see src/x.rs\n";   // has a space: listed
  in += "src/lib.rs\n";     // file line: not listed
  in += "an error here\n";  // unrecognised lines are listed whatever they say
  in += "a warning here\n";
  for (int i = 0; i < 30; ++i) in += "  note " + std::to_string(i) + "  \n";
  in += std::string(200, 'w') + "\n";
  const std::string out = diag(in);
  // Counted are the lines the sample would list: not the blank lines, not
  // the file line.
  const std::string head = "== 3 passed (suppressed) ==\n== 34 unrecognized lines (first 25) ==\n";
  ASSERT_EQ(out.rfind(head, 0), 0u);
  std::string want = head + "  see src/x.rs\n  an error here\n  a warning here\n";
  for (int i = 0; i < 22; ++i) want += "  note " + std::to_string(i) + "\n";
  EXPECT_EQ(out, want + kClosing);
}

TEST(Diag, LocationLineSetsFileOnlyWhenEmptyOrAfterGutter) {
  const std::string in =
      "--> first.rs\n"
      "--> second.rs\n"
      "  1:1  error  bad  no-a\n"
      "|\n"
      "--> third.rs\n"
      "  2:1  error  bad  no-b\n"
      "\x1b[31m  3:1  error  bad  no-c\x1b[0m\n";
  const std::string out = diag(in + quiet());
  EXPECT_NE(out.find("  first.rs:1:1  error  bad  no-a\n"), std::string::npos);
  EXPECT_NE(out.find("  third.rs:2:1  error  bad  no-b\n"), std::string::npos);
  EXPECT_NE(out.find("  third.rs:3:1  error  bad  no-c\n"), std::string::npos) << out;
}

TEST(Diag, LongExamplesAreCut) {
  const std::string msg(300, 'm');
  std::string in = "W0612 " + msg + "\nW0612 b\nW0612 c\n" + quiet();
  const std::string out = diag(in);
  EXPECT_NE(out.find("      W0612 " + msg.substr(0, 144) + "\n"), std::string::npos);
  std::string fails = "FAIL " + msg + "\nPASS\nPASS\n" + quiet();
  EXPECT_NE(diag(fails).find("  FAIL " + msg.substr(0, 215) + "\n"), std::string::npos);
}

TEST(Diag, TheSummaryIsAValueThatSaysWhatItsTextIs) {
  // What wrap and the hook decide by: the kind of text and the counts.
  struct Case {
    std::string in;
    DiagSummary::Kind kind;
    uint64_t errors, failures;
  };
  std::string words;
  for (int i = 0; i < 8; ++i) words += "hello there, some words ";
  const Case cases[] = {
      {"a.c:1:1: error: e\nFAIL t\n" + quiet(), DiagSummary::Kind::kSummary, 1, 1},
      {"a.c:1:1: error: e\n", DiagSummary::Kind::kWhole, 1, 0},
      {words + "\n" + words + "\n", DiagSummary::Kind::kRefused, 0, 0},
      {"hi\n", DiagSummary::Kind::kRefusedWhole, 0, 0},
  };
  for (const Case& c : cases) {
    const DiagSummary s = diag_summary(c.in);
    EXPECT_EQ(s.kind, c.kind) << c.in;
    EXPECT_EQ(s.errors, c.errors) << c.in;
    EXPECT_EQ(s.failures, c.failures) << c.in;
    EXPECT_EQ(s.text, diag(c.in)) << c.in;
  }
}
